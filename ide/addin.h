// What the reference IDE observes of the Fleetforge add-in it has loaded: the
// mode it runs in, who holds the IDE's event slots and its icon, and where its
// options record is. The IDE itself knows nothing of the add-in; the session's
// state and the tests look through this view.
#pragma once

#include <string>

#include "ide/ide.h"

namespace ide {

class AddInView {
 public:
  explicit AddInView(const Ide& ide) : ide_(ide) {}

  // Unloaded without the package; dormant when it arrived in an IDE that was
  // already up (it then waits for a restart); active otherwise.
  Mode CurrentMode() const;
  // Who holds an event slot: "ide", "fleetforge" (the layout manager or the
  // caption button bar), "other", or "none" for an empty slot.
  std::string Holder(const host::TNotifyEvent& slot) const;
  // Whose icon the application shows: "ide", "fleetforge", or "none".
  std::string IconHolder() const;
  // The options record the package exports, or nullptr without the package.
  const void* OptionsRecord() const;

 private:
  const Ide& ide_;
};

}  // namespace ide
