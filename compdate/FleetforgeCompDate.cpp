#include "compdate/FleetforgeCompDate.h"

#include "compdate/CompDateFile.h"
#include "global/FleetforgeGlobal.h"
#include "host/rtl/units.h"

namespace FleetforgeCompDate {

int32_t NotifierIndex = 0;
bool NotifierRegistered = false;
namespace {
host::UnitGuard Guard;
}  // namespace

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

// The cancel flag is never written: the add-in never stops a compile. Errors of
// the update pass to the IDE, which reports them.
void TFleetforgeCompDateCreator::BeforeCompile(IOTAProject* Project, bool IsCodeInsight, bool&) {
  if (!FleetforgeGlobal::Options.CreateCompDate) return;
  UpdateCompDate(Project->FileName(), IsCodeInsight, BuildCounter, InternalCounter);
}

void Register() {
  auto* notifier = new TFleetforgeCompDateCreator();
  host::IRef<host::IOTAIDENotifier> keep(notifier);  // released if the services are missing
  auto services = host::IntfCast<host::IOTAServices>(host::BorlandIDEServices);
  NotifierIndex = services->AddNotifier(notifier);
  NotifierRegistered = true;
}

void Initialization() {
  Guard.EnterInitialization();
}

void Finalization() {
  if (!Guard.EnterFinalization()) return;
  // Without a registration the index names no notifier of ours (it could be
  // another add-in's), so there is nothing to remove.
  if (!NotifierRegistered) return;
  NotifierRegistered = false;
  auto services = host::IntfCast<host::IOTAServices>(host::BorlandIDEServices);
  services->RemoveNotifier(NotifierIndex);
}

}  // namespace FleetforgeCompDate
