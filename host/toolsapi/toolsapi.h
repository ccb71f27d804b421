// The IDE's open tools services: the interfaces the IDE offers through
// BorlandIDEServices and the callback shapes it calls, in their slot order.
#pragma once

#include "host/rtl/interfaces.h"
#include "host/vcl/menus.h"

namespace host {

class HOST_API IOTANotifier : public IInterface {
 public:
  HOST_INTERFACE_ID("{F17A7BCF-E07D-11D1-AB0B-00C04FB16FB3}")
  virtual void AfterSave() = 0;
  virtual void BeforeSave() = 0;
  virtual void Destroyed() = 0;
  virtual void Modified() = 0;

 protected:
  ~IOTANotifier() = default;
};

class HOST_API IOTAModule : public IInterface {
 public:
  HOST_INTERFACE_ID("{6F1A3B10-2C4D-4E5F-9A0B-1C2D3E4F5A61}")
  virtual bool Save(bool changeName, bool forceSave) = 0;
  virtual bool CloseModule(bool forceClosed) = 0;
  virtual int32_t GetOwnerCount() = 0;
  virtual AnsiString GetFileName() = 0;
  AnsiString FileName() { return GetFileName(); }

 protected:
  ~IOTAModule() = default;
};

class HOST_API IOTAProject : public IOTAModule {
 public:
  HOST_INTERFACE_ID("{6F1A3B11-2C4D-4E5F-9A0B-1C2D3E4F5A61}")
  // "Delphi" for a Delphi program or package, "CBuilder" for a C++ one.
  virtual AnsiString GetPersonality() = 0;

 protected:
  ~IOTAProject() = default;
};

enum TOTAFileNotification {
  ofnFileOpening,
  ofnFileOpened,
  ofnFileClosing,
  ofnDefaultDesktopLoad,
  ofnDefaultDesktopSave,
  ofnProjectDesktopLoad,
  ofnProjectDesktopSave,
  ofnPackageInstalled,
  ofnPackageUninstalled,
  ofnActiveProjectChanged,
};

class HOST_API IOTAIDENotifier : public IOTANotifier {
 public:
  HOST_INTERFACE_ID("{E052204F-ECE9-11D1-AB19-00C04FB16FB3}")
  virtual void FileNotification(TOTAFileNotification code, const AnsiString& fileName,
                                bool& cancel) = 0;
  virtual void BeforeCompile(IOTAProject* project, bool& cancel) = 0;
  virtual void AfterCompile(bool succeeded) = 0;

 protected:
  ~IOTAIDENotifier() = default;
};

class HOST_API IOTAIDENotifier50 : public IOTAIDENotifier {
 public:
  HOST_INTERFACE_ID("{AC7D29F1-D9A9-11D2-A8C1-00C04FA32F53}")
  using IOTAIDENotifier::AfterCompile;
  using IOTAIDENotifier::BeforeCompile;
  virtual void BeforeCompile(IOTAProject* project, bool isCodeInsight, bool& cancel) = 0;
  virtual void AfterCompile(bool succeeded, bool isCodeInsight) = 0;

 protected:
  ~IOTAIDENotifier50() = default;
};

enum TWizardStateFlag : uint32_t { wsEnabled = 1, wsChecked = 2 };
using TWizardState = uint32_t;  // a set of TWizardStateFlag

class HOST_API IOTAWizard : public IOTANotifier {
 public:
  HOST_INTERFACE_ID("{B75C0CE0-EEA6-11D1-9504-00608CCBF153}")
  virtual AnsiString GetIDString() = 0;
  virtual AnsiString GetName() = 0;
  virtual TWizardState GetState() = 0;
  virtual void Execute() = 0;

 protected:
  ~IOTAWizard() = default;
};

class HOST_API IOTAServices : public IInterface {
 public:
  HOST_INTERFACE_ID("{0044BB24-425D-D611-9CF1-00C04FA06AFC}")
  virtual int32_t AddNotifier(IOTAIDENotifier* notifier) = 0;
  virtual void RemoveNotifier(int32_t index) = 0;

 protected:
  ~IOTAServices() = default;
};

class HOST_API IOTAWizardServices : public IInterface {
 public:
  HOST_INTERFACE_ID("{B75C0CE3-EEA6-11D1-9504-00608CCBF153}")
  virtual int32_t AddWizard(IOTAWizard* wizard) = 0;
  virtual void RemoveWizard(int32_t index) = 0;

 protected:
  ~IOTAWizardServices() = default;
};

class HOST_API INTAServices : public IInterface {
 public:
  HOST_INTERFACE_ID("{C17B3DF1-DFE5-11D2-A8C7-00C04FA32F53}")
  // The IDE's product name, e.g. "Delphi 7".
  virtual AnsiString GetProductName() = 0;
  // A tool bar of the main window by name, or nil.
  virtual TComponent* GetToolBar(const AnsiString& name) = 0;
  // The number of actions the IDE's main window owns.
  virtual int32_t GetActionCount() = 0;
  // The IDE's live main menu.
  virtual TMainMenu* GetMainMenu() = 0;
  TMainMenu* MainMenu() { return GetMainMenu(); }

 protected:
  ~INTAServices() = default;
};

// The IDE's services object: every service is reached from it by an interface cast.
class HOST_API IBorlandIDEServices : public IInterface {
 public:
  HOST_INTERFACE_ID("{7FD1CE92-E053-11D1-AB0B-00C04FB16FB3}")

 protected:
  ~IBorlandIDEServices() = default;
};

HOST_API extern IBorlandIDEServices* BorlandIDEServices;

// A reference-counted object with empty notifier operations, implementing the
// interface I (an IOTANotifier descendant) with one method table.
template <class I>
class TNotifierObject : public TInterfacedObject, public I {
 public:
  HOST_IMPLEMENT_IINTERFACE
  void AfterSave() override {}
  void BeforeSave() override {}
  void Destroyed() override {}
  void Modified() override {}
  AnsiString ClassName() const override { return "TNotifierObject"; }

 protected:
  bool GetInterface(const TGUID& iid, void** object) override {
    if (iid == IInterface::IID() || iid == IOTANotifier::IID() || iid == I::IID()) {
      *object = static_cast<I*>(this);
      return true;
    }
    return false;
  }
};

// ---- The classic tool services ---------------------------------------------------
class HOST_API TIToolServices : public TObject {
 public:
  HOST_CLASS_NAME(TIToolServices)
  // The file name, with path, of the project open in the IDE; "" when none.
  virtual AnsiString GetProjectName() = 0;
  virtual bool OpenProject(const AnsiString& fileName) = 0;
  virtual bool CloseProject() = 0;
};

HOST_API extern TIToolServices* ToolServices;

}  // namespace host
