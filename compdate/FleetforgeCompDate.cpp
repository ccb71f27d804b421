#include "compdate/FleetforgeCompDate.h"

namespace FleetforgeCompDate {

int32_t NotifierIndex = 0;
Fleetforge7::UnitGuard Guard;

TFleetforgeCompDateCreator::TFleetforgeCompDateCreator() = default;
TFleetforgeCompDateCreator::~TFleetforgeCompDateCreator() = default;

bool TFleetforgeCompDateCreator::GetInterface(const host::TGUID& iid, void** object) {
  if (iid == host::IOTAIDENotifier::IID() || iid == host::IOTAIDENotifier50::IID()) {
    *object = static_cast<host::IOTAIDENotifier50*>(this);
    return true;
  }
  return TNotifierObject::GetInterface(iid, object);
}

void TFleetforgeCompDateCreator::FileNotification(host::TOTAFileNotification, const AnsiString&,
                                                  bool&) {}
void TFleetforgeCompDateCreator::BeforeCompile(IOTAProject*, bool&) {}
void TFleetforgeCompDateCreator::AfterCompile(bool) {}
void TFleetforgeCompDateCreator::AfterCompile(bool, bool) {}

void TFleetforgeCompDateCreator::BeforeCompile(IOTAProject*, bool, bool&) {
  // The compile-date update comes with the CompDate.pas unit writer.
}

void Register() {
  auto* notifier = new TFleetforgeCompDateCreator();
  host::IRef<host::IOTAIDENotifier> keep(notifier);  // released if the services are missing
  auto services = host::IntfCast<host::IOTAServices>(host::BorlandIDEServices);
  NotifierIndex = services->AddNotifier(notifier);
}

void Initialization() {
  Guard.EnterInitialization();
}

void Finalization() {
  if (!Guard.EnterFinalization()) return;
  auto services = host::IntfCast<host::IOTAServices>(host::BorlandIDEServices);
  services->RemoveNotifier(NotifierIndex);
}

}  // namespace FleetforgeCompDate
