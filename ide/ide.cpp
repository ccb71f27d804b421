#include "ide/ide.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "host/rtl/units.h"
#include "ide/addin.h"
#include "ide/resources.h"

namespace ide {

namespace {

std::vector<ReportedError>& ErrorLog() {
  static std::vector<ReportedError> log;
  return log;
}

bool ide_exists = false;

// The IDE's classic tool services.
class IdeToolServices : public host::TIToolServices {
 public:
  explicit IdeToolServices(Ide& ide) : ide_(ide) {}
  AnsiString GetProjectName() override { return ide_.ProjectFile(); }
  bool OpenProject(const AnsiString& fileName) override { return ide_.OpenProject(fileName); }
  bool CloseProject() override {
    ide_.CloseAll();
    return true;
  }

 private:
  Ide& ide_;
};

// The IDE's own windows, each of its own class.
class IdeForm : public host::TForm {
 public:
  IdeForm(host::TComponent* owner, std::string className)
      : host::TForm(owner), class_name_(std::move(className)) {}
  AnsiString ClassName() const override { return class_name_; }

 private:
  std::string class_name_;
};

host::TForm* MakeForm(const std::string& name, const std::string& caption,
                      host::TFormBorderStyle style, host::TBorderIcons icons) {
  auto* form = new IdeForm(host::Application, name == "EditWindow_0" ? "TEditWindow" : "T" + name);
  form->SetName(name);
  form->SetCaption(caption);
  form->SetBorderStyle(style);
  form->SetBorderIcons(icons);
  return form;
}

// The IDE's tool windows, in the order it creates them; each is placed from
// the work area, the line below the main window and the window made before it.
struct ToolWindowPlace {
  host::TRect WorkArea;
  int32_t Below;  // the first line below the main window
};
struct ToolWindowBounds {
  int32_t Left, Top, Width, Height;
};
struct ToolWindow {
  const char* Name;
  const char* Caption;
  host::TFormBorderStyle Style;
  host::TBorderIcons Icons;
  bool ShownAtStart;
  ToolWindowBounds (*Bounds)(const ToolWindowPlace& place, const host::TForm* previous);
  void (*Furnish)(host::TForm* form);  // what the window holds, or nullptr
};

constexpr host::TBorderIcons kToolIcons = host::biSystemMenu;
constexpr host::TBorderIcons kAllIcons = host::biSystemMenu | host::biMinimize | host::biMaximize;

const ToolWindow kToolWindows[] = {
    {"ObjectTreeView", "Object TreeView", host::bsSizeToolWin, kToolIcons, true,
     [](const ToolWindowPlace& p, const host::TForm*) {
       return ToolWindowBounds{p.WorkArea.Left, p.Below, 200, 150};
     },
     nullptr},
    {"PropertyInspector", "Object Inspector", host::bsSizeToolWin, kToolIcons, true,
     [](const ToolWindowPlace& p, const host::TForm* tree) {
       const int32_t top = tree->Top() + tree->Height() + 2;
       return ToolWindowBounds{p.WorkArea.Left, top, 200,
                               std::max(p.WorkArea.Bottom - top - 2, 100)};
     },
     nullptr},
    {"EditWindow_0", "Unit1.pas", host::bsSizeable, kAllIcons, true,
     [](const ToolWindowPlace& p, const host::TForm*) {
       const host::TRect& wa = p.WorkArea;
       return ToolWindowBounds{wa.Left + 204, p.Below, std::max(wa.Right - (wa.Left + 204), 200),
                               std::max(wa.Bottom - p.Below, 100)};
     },
     [](host::TForm* editor) {
       // The editor's file tabs.
       auto* file_tabs = new host::TTabControl(editor);
       file_tabs->SetName("TabControl");
       file_tabs->SetParent(editor);
       file_tabs->SetBounds(0, 0, editor->ClientWidth(), 24);
     }},
    {"ProjectManagerForm", "Project Manager", host::bsSizeToolWin, kToolIcons, false,
     [](const ToolWindowPlace& p, const host::TForm*) {
       const host::TRect& wa = p.WorkArea;
       return ToolWindowBounds{wa.Left + wa.Width() / 2 - 120, wa.Top + 150, 240, 320};
     },
     nullptr},
};

}  // namespace

const std::vector<std::string>& PalettePages() {
  static const std::vector<std::string> pages = {"Standard",
                                                 "Additional",
                                                 "Win32",
                                                 "System",
                                                 "Data Access",
                                                 "Data Controls",
                                                 "dbExpress",
                                                 "DataSnap",
                                                 "BDE",
                                                 "ADO",
                                                 "InterBase",
                                                 "WebServices",
                                                 "InternetExpress",
                                                 "Internet",
                                                 "WebSnap",
                                                 "Decision Cube",
                                                 "Dialogs",
                                                 "Win 3.1",
                                                 "Samples",
                                                 "ActiveX",
                                                 "Rave",
                                                 "Indy Clients",
                                                 "Indy Servers",
                                                 "Indy Intercepts",
                                                 "Indy I/O Handlers",
                                                 "Indy Misc",
                                                 "COM+",
                                                 "InterBase Admin",
                                                 "IW Standard",
                                                 "IW Data",
                                                 "IW Client Side",
                                                 "IW Control",
                                                 "Servers"};
  return pages;
}

const char* ModeName(Mode mode) {
  switch (mode) {
    case Mode::Active:
      return "active";
    case Mode::Dormant:
      return "dormant";
    case Mode::Unloaded:
      return "unloaded";
  }
  return "unloaded";
}

// ---- TAppBuilder -------------------------------------------------------------

TAppBuilder::TAppBuilder(host::TComponent* owner) : host::TForm(owner) {
  SetName("AppBuilder");
  ToolBarArea = new host::TPanel(this);
  ToolBarArea->SetName("ControlBar1");
  ToolBarArea->SetParent(this);
  static const char* tool_bars[] = {"StandardToolBar", "ViewToolBar", "DebugToolBar",
                                    "DesktopToolBar", "CustomToolBar"};
  int32_t x = 0, y = 0;
  for (const char* name : tool_bars) {
    auto* bar = new host::TPanel(this);
    bar->SetName(name);
    bar->SetParent(ToolBarArea);
    bar->SetBounds(x, y, 110, 26);
    x += 113;
    if (x + 110 > kToolBarWidth) {
      x = 0;
      y += 26;
    }
  }
  PaletteArea = new host::TPanel(this);
  PaletteArea->SetName("PalettePanel");
  PaletteArea->SetParent(this);
  Palette = new host::TTabControl(this);
  Palette->SetName("TabControl");
  Palette->SetParent(PaletteArea);
  Palette->SetTabs(PalettePages());
}

void TAppBuilder::SetBounds(int32_t left, int32_t top, int32_t width, int32_t) {
  // Whatever height is asked for, the window takes the height of its content.
  host::TForm::SetBounds(left, top, width, Height());
  Relayout();
}

void TAppBuilder::ControlChanged(host::TControl*) {
  Relayout();
}

void TAppBuilder::Relayout() {
  if (ToolBarArea == nullptr || PaletteArea == nullptr || Palette == nullptr)
    return;  // still being built
  if (laying_out_) {
    again_ = true;
    return;
  }
  laying_out_ = true;
  for (int pass = 0; pass < 8; ++pass) {
    again_ = false;
    ToolBarArea->SetBounds(0, 0, kToolBarWidth, kToolBarHeight);
    int32_t content = kToolBarHeight;
    if (PaletteArea->Visible()) {
      const int32_t width = std::max(ClientWidth() - kToolBarWidth, 0);
      // The palette asks for its own height (its constraints may ask for more);
      // its container follows it, within the container's own constraints.
      Palette->SetBounds(0, 0, width, kPaletteHeight);
      PaletteArea->SetBounds(kToolBarWidth, 0, width, Palette->Height());
      content = std::max(content, PaletteArea->Height());
    }
    host::TForm::SetBounds(Left(), Top(), Width(),
                           2 * FrameWidth() + CaptionHeight() + MenuBarHeight() + content);
    if (!again_) break;
  }
  laying_out_ = false;
}

// ---- Services ----------------------------------------------------------------

bool IdeServices::GetInterface(const host::TGUID& iid, void** object) {
  if (iid == host::IInterface::IID() || iid == host::IBorlandIDEServices::IID())
    *object = static_cast<host::IBorlandIDEServices*>(this);
  else if (iid == host::IOTAServices::IID())
    *object = static_cast<host::IOTAServices*>(this);
  else if (iid == host::IOTAWizardServices::IID())
    *object = static_cast<host::IOTAWizardServices*>(this);
  else if (iid == host::INTAServices::IID())
    *object = static_cast<host::INTAServices*>(this);
  else
    return false;
  return true;
}

int32_t IdeServices::AddNotifier(host::IOTAIDENotifier* notifier) {
  const int32_t index = next_notifier_++;
  notifiers_.emplace(index, host::IRef<host::IOTAIDENotifier>(notifier));
  return index;
}

void IdeServices::RemoveNotifier(int32_t index) {
  auto it = notifiers_.find(index);
  if (it == notifiers_.end()) return;
  host::IRef<host::IOTAIDENotifier> released = std::move(it->second);
  notifiers_.erase(it);
}

int32_t IdeServices::AddWizard(host::IOTAWizard* wizard) {
  const int32_t index = next_wizard_++;
  wizards_.emplace(index, host::IRef<host::IOTAWizard>(wizard));
  return index;
}

void IdeServices::RemoveWizard(int32_t index) {
  auto it = wizards_.find(index);
  if (it == wizards_.end()) return;
  host::IRef<host::IOTAWizard> released = std::move(it->second);
  wizards_.erase(it);
}

host::TComponent* IdeServices::GetToolBar(const AnsiString& name) {
  return ide_.MainForm() ? ide_.MainForm()->FindComponent(name) : nullptr;
}

int32_t IdeServices::GetActionCount() {
  int32_t count = 0;
  if (ide_.MainForm())
    for (int32_t i = 0; i < ide_.MainForm()->ComponentCount(); ++i)
      if (dynamic_cast<host::TBasicAction*>(ide_.MainForm()->Components(i))) ++count;
  return count;
}

host::TMainMenu* IdeServices::GetMainMenu() {
  return ide_.MainMenu();
}

size_t IdeServices::DropRegistered(int32_t notifiersFrom, int32_t notifiersTo, int32_t wizardsFrom,
                                   int32_t wizardsTo) {
  size_t dropped = 0;
  for (int32_t i = notifiersFrom; i < notifiersTo; ++i)
    if (notifiers_.count(i) != 0) {
      RemoveNotifier(i);
      ++dropped;
    }
  for (int32_t i = wizardsFrom; i < wizardsTo; ++i)
    if (wizards_.count(i) != 0) {
      RemoveWizard(i);
      ++dropped;
    }
  return dropped;
}

void IdeServices::Clear() {
  notifiers_.clear();
  wizards_.clear();
}

bool IdeProject::GetInterface(const host::TGUID& iid, void** object) {
  if (iid == host::IInterface::IID() || iid == host::IOTAModule::IID() ||
      iid == host::IOTAProject::IID()) {
    *object = static_cast<host::IOTAProject*>(this);
    return true;
  }
  return false;
}

// ---- Ide -----------------------------------------------------------------------

Ide::Ide(IdeOptions options) : options_(std::move(options)) {
  if (ide_exists) throw host::EInvalidOperation("Only one IDE can run in a process");
  ide_exists = true;
  ErrorLog().clear();
  host::SetExceptionSink(&Ide::ReportError);
  host::WindowSystem::Instance().Reset(options_.Screen);
  host::WindowSystem::Instance().SetMetrics(options_.Metrics);
  host::MessageLoop::Instance().Reset();
  host::UnpinClock();
  host::RegisterMainModule("delphi32.exe", IdeResources());
  host::InitializeHostUnits();
  application_ = std::make_unique<host::TApplication>(nullptr);
  application_->SetTitle("Delphi 7");
  screen_ = std::make_unique<host::TScreen>(nullptr);
  host::Application = application_.get();
  host::Screen = screen_.get();
  services_ = new IdeServices(*this);
  services_ref_ = host::IRef<IdeServices>(services_);
  host::BorlandIDEServices = services_;
  tool_services_ = std::make_unique<IdeToolServices>(*this);
  host::ToolServices = tool_services_.get();
  application_->Icon()->SetHandle(host::LoadIconA(host::MainInstance(), "MAINICON"));
}

Ide::~Ide() {
  Shutdown();
  host::ToolServices = nullptr;
  host::BorlandIDEServices = nullptr;
  services_->Clear();
  services_ref_.Clear();
  host::Screen = nullptr;
  host::Application = nullptr;
  screen_.reset();
  application_.reset();
  host::MessageLoop::Instance().Reset();
  host::FinalizeHostUnits();
  host::SetExceptionSink(nullptr);
  ide_exists = false;
}

void Ide::ReportError(const host::Exception& error) {
  ErrorLog().push_back({error.ClassName(), error.Message()});
}

const std::vector<ReportedError>& Ide::Errors() const {
  return ErrorLog();
}

void Ide::CreateWindows() {
  const host::TRect wa = host::WindowSystem::Instance().WorkArea();
  main_form_ = new TAppBuilder(host::Application);
  main_form_->SetCaption("Delphi 7 - Project1");
  main_menu_ = new host::TMainMenu(main_form_);
  main_menu_->SetName("MainMenu1");
  main_form_->SetMenu(main_menu_);
  application_->SetMainForm(main_form_);

  struct Entry {
    const char* name;
    const char* caption;
  };
  const auto add_menu = [&](const char* name, const char* caption, std::vector<Entry> items) {
    auto* menu = new host::TMenuItem(main_form_);
    menu->SetName(name);
    menu->SetCaption(caption);
    main_menu_->Items()->Add(menu);
    for (const Entry& e : items) {
      auto* item = new host::TMenuItem(main_form_);
      item->SetName(e.name);
      item->SetCaption(e.caption);
      menu->Add(item);
    }
    return menu;
  };
  add_menu("FileMenu", "&File",
           {{"FileNewItem", "&New"},
            {"FileOpenItem", "&Open..."},
            {"FileSaveItem", "&Save"},
            {"FileSaveAllItem", "Sav&e All"},
            {"FileCloseItem", "&Close"},
            {"FileCloseAllItem", "C&lose All"},
            {"FileExitItem", "E&xit"}});
  add_menu("EditMenu", "&Edit",
           {{"EditUndoItem", "&Undo"},
            {"EditCutItem", "Cu&t"},
            {"EditCopyItem", "&Copy"},
            {"EditPasteItem", "&Paste"}});
  add_menu("SearchMenu", "&Search",
           {{"SearchFindItem", "&Find..."}, {"SearchReplaceItem", "R&eplace..."}});
  add_menu("ViewMenu", "&View",
           {{"ViewProjectManagerItem", "Project &Manager"},
            {"ViewObjectInspectorItem", "&Object Inspector"},
            {"ViewObjectTreeViewItem", "Object &TreeView"},
            {"ViewPaletteItem", "Component &Palette"}});
  add_menu("ProjectMenu", "&Project",
           {{"ProjectCompileItem", "&Compile"}, {"ProjectSyntaxCheckItem", "S&yntax Check"}});
  add_menu("RunMenu", "&Run", {{"RunRunItem", "&Run"}});
  add_menu("ComponentMenu", "&Component",
           {{"ComponentInstallPackagesItem", "Install &Packages..."}});
  add_menu("DatabaseMenu", "&Database", {{"DatabaseExplorerItem", "&Explore"}});
  add_menu("ToolsMenu", "&Tools",
           {{"ToolsEnvironmentOptionsItem", "&Environment Options..."},
            {"ToolsEditorOptionsItem", "Editor &Options..."},
            {"ToolsDebuggerOptionsItem", "&Debugger Options..."},
            {"ToolsRepositoryItem", "&Repository..."},
            {"ToolsConfigureToolsItem", "&Configure Tools..."}});
  add_menu("WindowMenu", "&Window", {{"WindowListItem", "&Window List..."}});
  add_menu("HelpMenu", "&Help", {{"HelpAboutItem", "&About..."}});

  const auto item = [&](const char* name) {
    return dynamic_cast<host::TMenuItem*>(main_form_->FindComponent(name));
  };
  item("FileCloseAllItem")->SetOnClick(host::TNotifyEvent(this, &Ide::FileCloseAllClick));
  item("ProjectCompileItem")->SetOnClick(host::TNotifyEvent(this, &Ide::ProjectCompileClick));
  item("ProjectSyntaxCheckItem")
      ->SetOnClick(host::TNotifyEvent(this, &Ide::ProjectSyntaxCheckClick));

  auto* palette_command = new host::TAction(main_form_);
  palette_command->SetName("ViewPaletteCommand");
  palette_command->SetCaption("Component &Palette");
  palette_command->SetOnExecute(host::TNotifyEvent(this, &Ide::ViewPaletteExecute));
  item("ViewPaletteItem")->SetAction(palette_command);
  main_form_->Palette->SetOnResize(host::TNotifyEvent(this, &Ide::PaletteResize));

  main_form_->SetBounds(wa.Left, wa.Top, wa.Width(), 0);
  const int32_t below = main_form_->Top() + main_form_->Height() + 2;
  const ToolWindowPlace place{wa, below};
  std::vector<host::TForm*> tool_windows;
  for (const ToolWindow& t : kToolWindows) {
    host::TForm* form = MakeForm(t.Name, t.Caption, t.Style, t.Icons);
    const ToolWindowBounds b =
        t.Bounds(place, tool_windows.empty() ? nullptr : tool_windows.back());
    form->SetBounds(b.Left, b.Top, b.Width, b.Height);
    if (t.Furnish != nullptr) t.Furnish(form);
    tool_windows.push_back(form);
  }
  for (host::TForm* f : tool_windows) {
    f->SetDockSite(true);
    f->SetUseDockManager(true);
  }
  for (size_t i = 0; i < tool_windows.size(); ++i)
    if (kToolWindows[i].ShownAtStart) tool_windows[i]->Show();
  main_form_->Show();
  application_->SetOnActivate(host::TNotifyEvent(this, &Ide::ApplicationActivate));
}

void Ide::StartUp() {
  CreateWindows();
  if (!options_.ProjectsFolder.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(options_.ProjectsFolder, ignored);
  }
  if (!options_.PackageFile.empty()) LoadPackage(options_.PackageFile);
  // The project options dialog exists once the IDE is fully up.
  host::TForm* options =
      MakeForm("ProjectOptionsDialog", "Project Options", host::bsDialog, host::biSystemMenu);
  options->SetBounds(0, 0, 450, 380);
  options->SetPosition(host::poScreenCenter);
  const std::string folder = options_.ProjectsFolder.empty() ? "" : options_.ProjectsFolder + "/";
  project_file_ = folder + "Project1.dpr";
  if (auto* tabs =
          dynamic_cast<host::TTabControl*>(FindForm("EditWindow_0")->FindComponent("TabControl")))
    tabs->SetTabs({"Unit1"});
  if (!options_.ProjectFile.empty()) host::Guarded([&] { OpenProject(options_.ProjectFile); });
  host::MessageLoop::Instance().ProcessMessages();
}

void Ide::LoadPackage(const std::string& file) {
  host::Guarded([&] {
    const host::HMODULE module = host::LoadLibrary(file);
    auto initialize =
        reinterpret_cast<void (*)()>(const_cast<void*>(host::GetProcAddress(module, "Initialize")));
    if (initialize == nullptr) {
      host::FreeLibrary(module);
      throw host::EPackageError("Can't load package " + file +
                                ".\nIt has no Initialize entry point.");
    }
    package_ = module;
    package_file_ = file;
    package_notifiers_from_ = services_->NextNotifierIndex();
    package_wizards_from_ = services_->NextWizardIndex();
    const auto note_registered = [&] {
      package_notifiers_to_ = services_->NextNotifierIndex();
      package_wizards_to_ = services_->NextWizardIndex();
    };
    try {
      initialize();
      RunRegisterProcedures();
    } catch (...) {
      note_registered();
      throw;
    }
    note_registered();
  });
}

void Ide::RunRegisterProcedures() {
  const auto info_bytes = host::FindResourceData(package_, host::RT_RCDATA, "PACKAGEINFO");
  if (!info_bytes)
    throw host::EPackageError("Package " + package_file_ + " has no package information");
  const host::PackageInfo info = host::DecodePackageInfo(*info_bytes);
  for (const host::PackageUnitInfo& unit : info.Contains) {
    const void* address = host::GetProcAddress(package_, unit.Name + ".Register()");
    if (address == nullptr) continue;
    auto procedure = reinterpret_cast<void (*)()>(const_cast<void*>(address));
    host::Guarded(procedure);
  }
}

void Ide::InstallPackage(const std::string& file) {
  if (package_ != 0)
    throw host::EPackageError("Package " + package_file_ + " is already installed");
  LoadPackage(file);
  host::MessageLoop::Instance().ProcessMessages();
}

void Ide::UnloadPackage() {
  if (package_ == 0) return;
  const host::HMODULE module = std::exchange(package_, 0);
  auto finalize =
      reinterpret_cast<void (*)()>(const_cast<void*>(host::GetProcAddress(module, "Finalize")));
  if (finalize != nullptr) finalize();
  // Whatever the package left registered would call into code that is about to
  // go away: the IDE drops it first and says so. What other add-ins registered
  // stays.
  const size_t left = services_->DropRegistered(package_notifiers_from_, package_notifiers_to_,
                                                package_wizards_from_, package_wizards_to_);
  if (left != 0) {
    ReportError(host::EPackageError("Package " + package_file_ + " left " + std::to_string(left) +
                                    " notifier(s) or wizard(s) registered"));
  }
  host::FreeLibrary(module);
  package_file_.clear();
}

void Ide::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  host::Guarded([&] { UnloadPackage(); });
  host::MessageLoop::Instance().Reset();
  // Windows go in the reverse order of their creation.
  while (host::Screen->FormCount() > 0) delete host::Screen->Forms(host::Screen->FormCount() - 1);
  main_form_ = nullptr;
  main_menu_ = nullptr;
  project_file_.clear();
  application_->Terminate();
}

bool Ide::OpenProject(const std::string& file) {
  if (!host::FileExists(file))
    throw host::EInOutError("Cannot open file \"" + file + "\". File not found");
  project_file_ = file;
  if (main_form_) main_form_->SetCaption("Delphi 7 - " + host::ExtractFileName(file));
  if (host::TForm* editor = FindForm("EditWindow_0"))
    if (auto* tabs = dynamic_cast<host::TTabControl*>(editor->FindComponent("TabControl")))
      tabs->SetTabs({host::ExtractFileName(file)});
  return true;
}

void Ide::CloseAll() {
  project_file_.clear();
  if (main_form_) main_form_->SetCaption("Delphi 7");
  if (host::TForm* editor = FindForm("EditWindow_0"))
    if (auto* tabs = dynamic_cast<host::TTabControl*>(editor->FindComponent("TabControl")))
      tabs->SetTabs({});
}

void Ide::Compile(bool codeInsight) {
  if (project_file_.empty()) return;
  host::IRef<IdeProject> project(new IdeProject(project_file_));
  // A copy: a notifier may remove itself while it is called.
  std::vector<host::IRef<host::IOTAIDENotifier>> notifiers;
  for (const auto& [index, notifier] : services_->Notifiers()) notifiers.push_back(notifier);
  for (const auto& notifier : notifiers) {
    host::Guarded([&] {
      bool cancel = false;
      host::IRef<host::IOTAIDENotifier50> notifier50;
      if (host::Supports(notifier.get(), notifier50))
        notifier50->BeforeCompile(project.get(), codeInsight, cancel);
      else if (!codeInsight)
        notifier->BeforeCompile(project.get(), cancel);
    });
  }
  for (const auto& notifier : notifiers) {
    host::Guarded([&] {
      host::IRef<host::IOTAIDENotifier50> notifier50;
      if (host::Supports(notifier.get(), notifier50))
        notifier50->AfterCompile(true, codeInsight);
      else if (!codeInsight)
        notifier->AfterCompile(true);
    });
  }
}

host::TForm* Ide::FindForm(const std::string& name) const {
  if (host::Screen == nullptr) return nullptr;
  for (int32_t i = 0; i < host::Screen->FormCount(); ++i)
    if (host::Screen->Forms(i)->Name() == name) return host::Screen->Forms(i);
  return nullptr;
}

host::TMenuItem* Ide::ToolsMenu() const {
  return main_menu_ ? main_menu_->Items()->Find("Tools") : nullptr;
}

const void* Ide::PackageVariable(const char* name) const {
  return package_ == 0 ? nullptr : host::GetProcAddress(package_, name);
}

void Ide::PaletteResize(host::TObject* sender) {
  // The IDE lays out the component buttons of the page under the tabs.
  if (auto* palette = dynamic_cast<host::TTabControl*>(sender))
    palette_buttons_ = std::max(palette->DisplayRect().Width(), 0) / 24;
}

void Ide::ApplicationActivate(host::TObject*) {
  ++activations_;
}

void Ide::FileCloseAllClick(host::TObject*) {
  CloseAll();
}

// A syntax check runs the same notifiers as a compile: the IDE reports both
// as compiles of the project.
void Ide::ProjectCompileClick(host::TObject*) {
  Compile(false);
}

void Ide::ProjectSyntaxCheckClick(host::TObject*) {
  Compile(false);
}

void Ide::ViewPaletteExecute(host::TObject*) {
  if (main_form_ != nullptr)
    main_form_->PaletteArea->SetVisible(!main_form_->PaletteArea->Visible());
}

}  // namespace ide
