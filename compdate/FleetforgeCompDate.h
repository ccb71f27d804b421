// Unit FleetforgeCompDate: the IDE notifier that rewrites CompDate.pas beside a
// Delphi project before each compile.
#pragma once

#include <cstdint>

#include "host/toolsapi/toolsapi.h"

namespace FleetforgeCompDate {

using host::AnsiString;
using host::IOTAProject;

// One method table answers IOTAIDENotifier50 and IOTAIDENotifier.
class TFleetforgeCompDateCreator : public host::TNotifierObject<host::IOTAIDENotifier50> {
 public:
  TFleetforgeCompDateCreator();
  ~TFleetforgeCompDateCreator() override;
  AnsiString ClassName() const override { return "TFleetforgeCompDateCreator"; }

  void FileNotification(host::TOTAFileNotification NotifyCode, const AnsiString& FileName,
                        bool& Cancel) override;
  void BeforeCompile(IOTAProject* Project, bool& Cancel) override;
  void AfterCompile(bool Succeeded) override;
  void BeforeCompile(IOTAProject* Project, bool IsCodeInsight, bool& Cancel) override;
  void AfterCompile(bool Succeeded, bool IsCodeInsight) override;

  int32_t BuildCounter = 0;
  int32_t InternalCounter = 0;

 protected:
  bool GetInterface(const host::TGUID& iid, void** object) override;
};

// The index the IDE gave the notifier, and whether Register stored one.
extern int32_t NotifierIndex;
extern bool NotifierRegistered;

void Register();
void Initialization();
void Finalization();

}  // namespace FleetforgeCompDate
