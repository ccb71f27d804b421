// Unit FleetforgeIconChanger: the IDE's application icon, the add-in's own while
// the ChangeIcon option is on.
#pragma once

namespace FleetforgeIconChanger {

// Sets the application icon from the ChangeIcon option; nothing in the dormant mode.
void ChangeIcon();

void Initialization();
void Finalization();

}  // namespace FleetforgeIconChanger
