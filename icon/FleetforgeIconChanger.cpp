#include "icon/FleetforgeIconChanger.h"

#include "global/FleetforgeGlobal.h"
#include "host/rtl/modules.h"
#include "host/rtl/sysinit.h"
#include "host/rtl/units.h"
#include "host/vcl/forms.h"

namespace FleetforgeIconChanger {

namespace {
host::UnitGuard Guard;
}  // namespace

void ChangeIcon() {
  if (FleetforgeGlobal::ProjOptDialog) return;
  // The handle is not tested: a failed load hands over an empty handle.
  const host::HICON icon = FleetforgeGlobal::Options.ChangeIcon
                               ? host::LoadIconA(host::HInstance(), "FLEETFORGED7ICON")
                               : host::LoadIconA(host::MainInstance(), "MAINICON");
  host::Application->Icon()->SetHandle(icon);
}

void Initialization() {
  if (!Guard.EnterInitialization()) return;
  ChangeIcon();
}

void Finalization() {
  if (!Guard.EnterFinalization()) return;
  if (FleetforgeGlobal::ProjOptDialog) return;
  host::Application->Icon()->SetHandle(host::LoadIconA(host::MainInstance(), "MAINICON"));
}

}  // namespace FleetforgeIconChanger
