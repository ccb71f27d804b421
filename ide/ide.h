// The reference IDE: the standard windows, the main menu, the component palette,
// the code editor, the project, the compile commands, package loading and
// unloading, and error reporting at every boundary where an add-in's code runs.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/rtl/interfaces.h"
#include "host/rtl/modules.h"
#include "host/toolsapi/toolsapi.h"
#include "host/vcl/comctrls.h"
#include "host/vcl/extctrls.h"
#include "host/vcl/forms.h"
#include "host/win32/win32.h"

namespace ide {

using host::AnsiString;

struct ReportedError {
  std::string ClassName;
  std::string Message;
};

struct IdeOptions {
  host::ScreenDescription Screen;
  // Metrics of the model's screen other than its classic theme's.
  std::map<int, int> Metrics;
  // The package module to load at start-up; empty for none.
  std::string PackageFile;
  // Where the IDE's own projects live (its empty default project is named there).
  std::string ProjectsFolder;
  // The project to open at start-up in place of the empty default project;
  // empty for the default.
  std::string ProjectFile;
};

// The IDE's main window. It sizes itself to its content: the menu bar, the tool
// bars at the left and the component palette at the right; asking it for any
// height gives it the height of that content (plus its frame and caption).
class TAppBuilder : public host::TForm {
 public:
  explicit TAppBuilder(host::TComponent* owner);
  AnsiString ClassName() const override { return "TAppBuilder"; }
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
  void ControlChanged(host::TControl* control) override;

  static constexpr int32_t kToolBarWidth = 226;
  static constexpr int32_t kToolBarHeight = 52;  // two rows of tool bars
  static constexpr int32_t kPaletteHeight = 50;  // the palette as the IDE makes it

  host::TPanel* ToolBarArea = nullptr;
  host::TPanel* PaletteArea = nullptr;
  host::TTabControl* Palette = nullptr;

 private:
  void Relayout();
  bool laying_out_ = false;
  bool again_ = false;
};

class Ide;

// The IDE's services object, reached through BorlandIDEServices.
class IdeServices : public host::TInterfacedObject,
                    public host::IBorlandIDEServices,
                    public host::IOTAServices,
                    public host::IOTAWizardServices,
                    public host::INTAServices {
 public:
  explicit IdeServices(Ide& ide) : ide_(ide) {}
  AnsiString ClassName() const override { return "TIDEServices"; }
  HOST_IMPLEMENT_IINTERFACE

  int32_t AddNotifier(host::IOTAIDENotifier* notifier) override;
  void RemoveNotifier(int32_t index) override;
  int32_t AddWizard(host::IOTAWizard* wizard) override;
  void RemoveWizard(int32_t index) override;
  AnsiString GetProductName() override { return "Delphi 7"; }
  host::TComponent* GetToolBar(const AnsiString& name) override;
  int32_t GetActionCount() override;
  host::TMainMenu* GetMainMenu() override;

  const std::map<int32_t, host::IRef<host::IOTAIDENotifier>>& Notifiers() const {
    return notifiers_;
  }
  const std::map<int32_t, host::IRef<host::IOTAWizard>>& Wizards() const { return wizards_; }
  // The indexes the next registrations will get.
  int32_t NextNotifierIndex() const { return next_notifier_; }
  int32_t NextWizardIndex() const { return next_wizard_; }
  // Drops what is still registered with an index in [from, to); returns how many.
  size_t DropRegistered(int32_t notifiersFrom, int32_t notifiersTo, int32_t wizardsFrom,
                        int32_t wizardsTo);
  void Clear();

 protected:
  bool GetInterface(const host::TGUID& iid, void** object) override;

 private:
  Ide& ide_;
  std::map<int32_t, host::IRef<host::IOTAIDENotifier>> notifiers_;
  std::map<int32_t, host::IRef<host::IOTAWizard>> wizards_;
  int32_t next_notifier_ = 0;
  int32_t next_wizard_ = 0;
};

// The project the IDE has open, as the IDE hands it to notifiers.
class IdeProject : public host::TInterfacedObject, public host::IOTAProject {
 public:
  explicit IdeProject(std::string fileName) : file_name_(std::move(fileName)) {}
  AnsiString ClassName() const override { return "TIDEProject"; }
  HOST_IMPLEMENT_IINTERFACE
  bool Save(bool, bool) override { return true; }
  bool CloseModule(bool) override { return true; }
  int32_t GetOwnerCount() override { return 0; }
  AnsiString GetFileName() override { return file_name_; }
  AnsiString GetPersonality() override { return "Delphi"; }

 protected:
  bool GetInterface(const host::TGUID& iid, void** object) override;

 private:
  std::string file_name_;
};

// The component palette's pages, in order.
const std::vector<std::string>& PalettePages();

enum class Mode { Active, Dormant, Unloaded };
const char* ModeName(Mode mode);

class Ide : public host::TObject {
 public:
  explicit Ide(IdeOptions options);
  ~Ide() override;

  // Start-up in the IDE's order: its windows, then its design packages, then the
  // project options dialog (the IDE is up), then the empty default project.
  void StartUp();
  // Loads the package into the running IDE (the user's "install").
  void InstallPackage(const std::string& file);
  void UnloadPackage();
  // Unloads the package and closes every window; the application ends.
  void Shutdown();
  bool ShutDown() const { return shut_down_; }

  bool OpenProject(const std::string& file);
  void CloseAll();
  const std::string& ProjectFile() const { return project_file_; }
  // Calls every registered IDE notifier before and after the compile.
  void Compile(bool codeInsight);

  // The host's error sink while the IDE runs: an error that reaches one of its
  // error boundaries (host::Guarded) is reported here, its class and message kept
  // and shown, and the IDE goes on.
  static void ReportError(const host::Exception& error);
  const std::vector<ReportedError>& Errors() const;

  // What the IDE has.
  TAppBuilder* MainForm() const { return main_form_; }
  host::TForm* FindForm(const std::string& name) const;
  host::TTabControl* Palette() const { return main_form_ ? main_form_->Palette : nullptr; }
  host::TMainMenu* MainMenu() const { return main_menu_; }
  host::TMenuItem* ToolsMenu() const;
  IdeServices& Services() const { return *services_; }
  host::HMODULE Package() const { return package_; }
  const std::string& PackageFile() const { return package_file_; }
  // A variable the package exports, or nullptr.
  const void* PackageVariable(const char* name) const;
  int32_t PaletteButtonsShown() const { return palette_buttons_; }
  int32_t Activations() const { return activations_; }
  const IdeOptions& Options() const { return options_; }

  // The IDE's own handlers.
  void PaletteResize(host::TObject* sender);
  void ApplicationActivate(host::TObject* sender);
  void FileCloseAllClick(host::TObject* sender);
  void ProjectCompileClick(host::TObject* sender);
  void ProjectSyntaxCheckClick(host::TObject* sender);
  void ViewPaletteExecute(host::TObject* sender);

 private:
  void CreateWindows();
  void LoadPackage(const std::string& file);
  void RunRegisterProcedures();

  IdeOptions options_;
  std::unique_ptr<host::TApplication> application_;
  std::unique_ptr<host::TScreen> screen_;
  host::IRef<IdeServices> services_ref_;
  IdeServices* services_ = nullptr;
  std::unique_ptr<host::TIToolServices> tool_services_;
  TAppBuilder* main_form_ = nullptr;
  host::TMainMenu* main_menu_ = nullptr;
  std::vector<host::TForm*> forms_;  // the IDE's windows, freed at shutdown
  host::HMODULE package_ = 0;
  std::string package_file_;
  // The indexes handed out while the package loaded: what it registered.
  int32_t package_notifiers_from_ = 0, package_notifiers_to_ = 0;
  int32_t package_wizards_from_ = 0, package_wizards_to_ = 0;
  std::string project_file_;
  int32_t palette_buttons_ = 0;
  int32_t activations_ = 0;
  bool shut_down_ = false;
};

}  // namespace ide
