#include "ide/addin.h"

namespace ide {

Mode AddInView::CurrentMode() const {
  if (ide_.Package() == 0) return Mode::Unloaded;
  const auto* dormant =
      static_cast<const bool*>(ide_.PackageVariable("FleetforgeGlobal.ProjOptDialog"));
  return dormant != nullptr && *dormant ? Mode::Dormant : Mode::Active;
}

std::string AddInView::Holder(const host::TNotifyEvent& slot) const {
  if (!slot) return "none";
  if (slot.Data() == &ide_) return "ide";
  for (const char* name :
       {"FleetforgeMain.FleetforgeMainObject", "FleetforgeDelphiMainForm.ffDelphiMainForm"}) {
    if (const auto* variable = static_cast<host::TObject* const*>(ide_.PackageVariable(name)))
      if (*variable != nullptr && *variable == slot.Data()) return "fleetforge";
  }
  return "other";
}

std::string AddInView::IconHolder() const {
  const host::HICON icon = host::Application->Icon()->Handle();
  const host::IconInfo* info = host::IconDetails(icon);
  if (info == nullptr) return "none";
  return info->Module == host::MainInstance() ? "ide" : "fleetforge";
}

const void* AddInView::OptionsRecord() const {
  return ide_.PackageVariable("FleetforgeGlobal.Options");
}

}  // namespace ide
