#include "ide/session.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <ostream>
#include <sstream>

#include "global/OptionsRecord.h"
#include "host/rtl/modules.h"
#include "host/rtl/quoting.h"
#include "host/vcl/messageloop.h"
#include "host/vcl/stdctrls.h"
#include "ide/addin.h"

namespace ide {

namespace {

// Script text as a message quotes it (at most 60 characters, controls escaped).
std::string Q(const std::string& text) {
  return host::QuotedForMessage(text);
}

using nlohmann::json;

std::string Where(int line) {
  return "line " + std::to_string(line) + ": ";
}

int32_t ToInt(const Action& action, const std::string& word) {
  int32_t value = 0;
  const char* end = word.data() + word.size();
  auto [ptr, ec] = std::from_chars(word.data(), end, value);
  if (ec != std::errc() || ptr != end)
    throw ScriptError(Where(action.Line) + Q(word) + " is not a whole number (in " +
                      Q(action.Text) + ")");
  return value;
}

json Rect(const host::TRect& r) {
  return json::array({r.Left, r.Top, r.Right, r.Bottom});
}

}  // namespace

// The script's verbs: each with its words, its handler, and whether a modal
// window takes it as its input (the others wait until no modal window is open).
struct ScriptVerbs {
  using Handler = void (*)(Session& session, const Action& action);
  struct Verb {
    const char* Name;
    int MinArgs;      // words after the verb
    bool RestIsText;  // the last argument is the rest of the line
    bool WhileModal;  // a modal window takes it as its input
    const char* Usage;
    Handler Run;
  };
  static const Verb kAll[];

  static const Verb* Find(const std::string& name);

  static void Wait(Session& s, const Action& action) {
    const int32_t ms = ToInt(action, action.Args[0]);
    if (ms < 0) s.Fail(action, "a wait cannot be negative");
    host::MessageLoop::Instance().Advance(ms);
  }
  static void Move(Session& s, const Action& action) {
    host::TForm* form = s.FormNamed(action, action.Args[0]);
    const int32_t left = ToInt(action, action.Args[1]), top = ToInt(action, action.Args[2]);
    host::Guarded([&] { form->SetBounds(left, top, form->Width(), form->Height()); });
  }
  static void Size(Session& s, const Action& action) {
    host::TForm* form = s.FormNamed(action, action.Args[0]);
    const int32_t width = ToInt(action, action.Args[1]), height = ToInt(action, action.Args[2]);
    host::Guarded([&] { form->SetBounds(form->Left(), form->Top(), width, height); });
  }
  static void Close(Session& s, const Action& action) {
    host::TForm* form = s.FormNamed(action, action.Args[0]);
    host::Guarded([&] { form->Close(); });
  }
  static void Click(Session&, const Action& action) {
    const int32_t x = ToInt(action, action.Args[0]), y = ToInt(action, action.Args[1]);
    host::Guarded([&] { host::WindowSystem::Instance().Click(x, y); });
  }
  static void Menu(Session& s, const Action& action) {
    if (s.ide_->MainMenu() == nullptr) s.Fail(action, "the IDE has no main menu");
    host::TMenuItem* item = s.ide_->MainMenu()->Items();
    const std::string& path = action.Args[0];
    size_t start = 0;
    while (start <= path.size()) {
      const size_t end = path.find('>', start);
      std::string caption =
          path.substr(start, end == std::string::npos ? std::string::npos : end - start);
      const size_t a = caption.find_first_not_of(' '), b = caption.find_last_not_of(' ');
      caption = a == std::string::npos ? "" : caption.substr(a, b - a + 1);
      host::TMenuItem* next = item->Find(caption);
      if (next == nullptr) s.Fail(action, "no menu entry " + Q(caption));
      item = next;
      if (end == std::string::npos) break;
      start = end + 1;
    }
    // As a person chooses it: the main window's menu sends the item's command.
    host::TForm* main_form = host::Application->MainForm();
    host::Guarded([&] {
      if (main_form != nullptr)
        main_form->ChooseMenuItem(item);
      else
        item->Click();
    });
  }
  static void Key(Session& s, const Action& action) {
    const std::string& key = action.Args[0];
    if (key != "enter" && key != "esc" && key != "closebox")
      s.Fail(action, "unknown key " + Q(key) + " (enter, esc or closebox)");
    // On the system's windows a key goes where a person's key press goes: to
    // the control with the keyboard focus (a message box's button, too).
    const host::DialogKey pressed =
        key == "enter" ? host::DialogKey::Enter : host::DialogKey::Escape;
    if (key != "closebox" && host::WindowSystem::Instance().PressKey(pressed)) return;
    host::TForm* form = host::Screen->ActiveForm();
    if (form == nullptr) s.Fail(action, "no window is active");
    if (key == "enter")
      host::Guarded([&] { form->KeyEnter(); });
    else if (key == "esc")
      host::Guarded([&] { form->KeyEscape(); });
    else
      host::Guarded([&] { form->Close(); });
  }
  static void Check(Session& s, const Action& action) {
    const auto& args = action.Args;
    auto* box = dynamic_cast<host::TCheckBox*>(s.ControlNamed(action, args[0]));
    if (box == nullptr) s.Fail(action, Q(args[0]) + " is not a check box");
    if (args[1] != "on" && args[1] != "off") s.Fail(action, "a check box is set 'on' or 'off'");
    if (box->Checked() != (args[1] == "on")) host::Guarded([&] { box->Press(); });
  }
  static void Type(Session& s, const Action& action) {
    const auto& args = action.Args;
    host::TControl* control = s.ControlNamed(action, args[0]);
    const std::string text = args.size() > 1 ? args[1] : "";
    if (auto* edit = dynamic_cast<host::TEdit*>(control))
      host::Guarded([&] { edit->TypeText(text); });
    else
      host::Guarded([&] { control->SetText(text); });
  }
  // "activate" and "deactivate".
  static void Activate(Session&, const Action& action) {
    host::Guarded([&] { host::Application->SetActive(action.Verb == "activate"); });
  }
  static void Open(Session& s, const Action& action) {
    host::Guarded([&] { s.ide_->OpenProject(action.Args[0]); });
  }
  // "compile" and "codeinsight".
  static void Compile(Session& s, const Action& action) {
    s.ide_->Compile(action.Verb == "codeinsight");
  }
  static void Install(Session& s, const Action&) {
    const size_t errors = s.ide_->Errors().size();
    host::Guarded([&] { s.ide_->InstallPackage(s.options_.PackageToInstall); });
    s.CheckPackageLoaded(s.options_.PackageToInstall, errors);
  }
  static void Unload(Session& s, const Action&) {
    host::Guarded([&] { s.ide_->UnloadPackage(); });
  }
  static void State(Session& s, const Action&) {
    if (s.options_.OnState) s.options_.OnState(s.State());
  }
  static void Snapshot(Session& s, const Action& action) {
    if (!s.options_.OnSnapshot) s.Fail(action, "this session cannot draw pictures");
    try {
      s.options_.OnSnapshot(action.Args[0]);
    } catch (const std::exception& error) {
      s.Fail(action, error.what());
    }
  }
  static void Caption(Session& s, const Action& action) {
    if (s.options_.OnCaption) s.options_.OnCaption(action.Args[0]);
  }
  static void ShowFile(Session& s, const Action& action) {
    const std::string& file = action.Args[0];
    std::ifstream in(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in || in.bad()) s.Fail(action, "cannot read " + file);
    if (s.options_.OnShowFile) s.options_.OnShowFile(file, text);
  }
};

const ScriptVerbs::Verb ScriptVerbs::kAll[] = {
    {"wait", 1, false, true, "wait MS", &Wait},
    {"move", 3, false, false, "move FORM LEFT TOP", &Move},
    {"size", 3, false, false, "size FORM WIDTH HEIGHT", &Size},
    {"close", 1, false, false, "close FORM", &Close},
    {"click", 2, false, true, "click X Y", &Click},
    {"menu", 1, true, false, "menu PATH", &Menu},
    {"key", 1, false, true, "key enter|esc|closebox", &Key},
    {"check", 2, false, true, "check CONTROL on|off", &Check},
    {"type", 2, true, true, "type CONTROL TEXT", &Type},
    {"activate", 0, false, false, "activate", &Activate},
    {"deactivate", 0, false, false, "deactivate", &Activate},
    {"open", 1, true, false, "open PROJECTFILE", &Open},
    {"compile", 0, false, false, "compile", &Compile},
    {"codeinsight", 0, false, false, "codeinsight", &Compile},
    {"install", 0, false, false, "install", &Install},
    {"unload", 0, false, false, "unload", &Unload},
    {"state", 0, false, true, "state", &State},
    {"snapshot", 1, true, true, "snapshot FILE", &Snapshot},
    {"caption", 1, true, true, "caption TEXT", &Caption},
    {"showfile", 1, true, true, "showfile FILE", &ShowFile},
};

const ScriptVerbs::Verb* ScriptVerbs::Find(const std::string& name) {
  for (const Verb& v : kAll)
    if (name == v.Name) return &v;
  return nullptr;
}

std::vector<Action> ParseScript(const std::string& text) {
  std::vector<Action> actions;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t hash = line.find('#');
    std::string body = line.substr(0, hash);
    std::istringstream words(body);
    std::string verb;
    if (!(words >> verb)) continue;
    const ScriptVerbs::Verb* known = ScriptVerbs::Find(verb);
    if (known == nullptr)
      throw ScriptError(Where(number) + "unknown action " + Q(verb) + " (in " + Q(line) + ")");
    Action action;
    action.Line = number;
    action.Verb = verb;
    action.Text = line;
    std::string word;
    for (int i = 0; i < known->MinArgs - (known->RestIsText ? 1 : 0) && words >> word; ++i)
      action.Args.push_back(word);
    if (known->RestIsText) {
      std::string rest;
      std::getline(words, rest);
      const size_t first = rest.find_first_not_of(" \t");
      rest = first == std::string::npos
                 ? ""
                 : rest.substr(first, rest.find_last_not_of(" \t") - first + 1);
      if (!rest.empty()) action.Args.push_back(rest);
    } else if (words >> word) {
      throw ScriptError(Where(number) + "too many words for '" + known->Usage + "' (in " + Q(line) +
                        ")");
    }
    if (static_cast<int>(action.Args.size()) < known->MinArgs)
      throw ScriptError(Where(number) + Q(verb) + " needs: " + known->Usage + " (in " + Q(line) +
                        ")");
    actions.push_back(std::move(action));
  }
  return actions;
}

Session::Session(SessionOptions options) : options_(std::move(options)) {
  ide_ = std::make_unique<Ide>(options_.Ide);
  host::Application->SetModalInput([this] { return NextModalInput(); });
}

Session::~Session() {
  if (host::Application != nullptr) host::Application->SetModalInput(nullptr);
  ide_.reset();
}

void Session::StartUp() {
  SyncClock();
  const size_t errors = ide_->Errors().size();
  ide_->StartUp();
  CheckFatal();
  if (!options_.Ide.PackageFile.empty()) CheckPackageLoaded(options_.Ide.PackageFile, errors);
}

void Session::SyncClock() const {
  if (options_.ClockStart)
    host::PinClock(*options_.ClockStart +
                   static_cast<double>(host::MessageLoop::Instance().Clock()) / 86400000.0);
}

void Session::CheckPackageLoaded(const std::string& file, size_t errorsBefore) {
  if (!options_.PackageFailuresStop || ide_->Package() != 0) return;
  const auto& errors = ide_->Errors();
  const std::string cause = errors.size() > errorsBefore
                                ? errors.back().ClassName + ": " + errors.back().Message
                                : "no cause was reported";
  throw PackageFailure("the package module " + file + " could not be loaded: " + cause);
}

void Session::CheckFatal() {
  if (fatal_) {
    ScriptError error = *fatal_;
    fatal_.reset();
    throw error;
  }
}

void Session::Run(const std::vector<Action>& actions) {
  pending_.assign(actions.begin(), actions.end());
  running_script_ = true;
  struct Done {
    Session& session;
    ~Done() {
      session.running_script_ = false;
      session.opening_ = nullptr;
    }
  } done{*this};
  while (!pending_.empty() && !ide_->ShutDown()) {
    const Action next = pending_.front();
    pending_.pop_front();
    opening_ = &next;
    Execute(next);
    opening_ = nullptr;
    CheckFatal();
  }
}

void Session::Do(const std::string& line) {
  for (const Action& action : ParseScript(line)) {
    Execute(action);
    CheckFatal();
  }
}

void Session::QueueInput(const std::string& lines) {
  for (const Action& action : ParseScript(lines)) pending_.push_back(action);
}

void Session::RunInteractive() {
  // The system's clock from now on: timers and the date the IDE reads.
  options_.ClockStart.reset();
  host::UnpinClock();
  options_.Interactive = true;
  interactive_clock_ = std::chrono::steady_clock::now();
  const auto stop = [this] { return options_.StopRequested && options_.StopRequested(); };
  while (!ide_->ShutDown() && !host::Application->Terminated() && !stop()) InteractiveRound();
  // The main window closed: the IDE shuts down, unloading its packages first.
  if (host::Application->Terminated() && !ide_->ShutDown()) ide_->Shutdown();
}

void Session::InteractiveRound() {
  auto& loop = host::MessageLoop::Instance();
  constexpr int64_t kLongestWait = 200;  // ms; a stop request is seen within it
  const int64_t due = loop.NextDue();
  host::WindowSystem::Instance().WaitForEvents(due < 0 ? kLongestWait
                                                       : std::min(due, kLongestWait));
  const auto now = std::chrono::steady_clock::now();
  const auto passed =
      std::chrono::duration_cast<std::chrono::milliseconds>(now - interactive_clock_);
  interactive_clock_ += passed;
  loop.Advance(passed.count());
}

bool Session::NextModalInput() {
  if (fatal_) return false;
  if (pending_.empty() && options_.Interactive) {
    // A person gives the modal window its input; the process told to end
    // leaves it waiting.
    if (options_.StopRequested && options_.StopRequested()) return false;
    InteractiveRound();
    return true;
  }
  if (pending_.empty()) {
    // In a script, a window left waiting is the script's fault: it stops the
    // run at the line that opened the window.
    if (running_script_ && opening_ != nullptr) {
      const host::TForm* waiting = host::Screen ? host::Screen->ActiveForm() : nullptr;
      fatal_ = std::make_unique<ScriptError>(
          Where(opening_->Line) + "the script ended while the modal window " +
          (waiting ? "\"" + waiting->Caption() + "\" " : "") +
          "it opened still waits for its input (in '" + opening_->Text + "')");
    }
    return false;
  }
  Action next = pending_.front();
  pending_.pop_front();
  ++modal_depth_;
  try {
    Execute(next);
  } catch (const ScriptError& error) {
    // The run stops; the modal window gives up first.
    fatal_ = std::make_unique<ScriptError>(error);
    --modal_depth_;
    return false;
  }
  --modal_depth_;
  return true;
}

void Session::Fail(const Action& action, const std::string& why) const {
  throw ScriptError(Where(action.Line) + why + " (in " + Q(action.Text) + ")");
}

host::TForm* Session::FormNamed(const Action& action, const std::string& name) const {
  if (host::TForm* form = ide_->FindForm(name)) return form;
  Fail(action, "no window is named " + Q(name));
}

host::TControl* Session::ControlNamed(const Action& action, const std::string& name) const {
  host::TForm* form = host::Screen->ActiveForm();
  if (form == nullptr) Fail(action, "no window is active");
  if (auto* control = dynamic_cast<host::TControl*>(form->FindComponent(name))) return control;
  Fail(action, "the active window '" + form->Name() + "' has no control named " + Q(name));
}

void Session::Execute(const Action& action) {
  const ScriptVerbs::Verb* verb = ScriptVerbs::Find(action.Verb);
  if (modal_depth_ > 0 && (verb == nullptr || !verb->WhileModal))
    Fail(action, Q(action.Verb) + " cannot be done while a modal window waits for its input");
  auto& loop = host::MessageLoop::Instance();
  SyncClock();
  if (verb != nullptr) verb->Run(*this, action);
  loop.ProcessMessages();
  // The main window closed (its close box, or the bar's close button): the IDE
  // shuts down, unloading its packages first. Not inside a modal loop, whose
  // window is still on the stack.
  if (modal_depth_ == 0 && host::Application->Terminated() && !ide_->ShutDown()) ide_->Shutdown();
}

json Session::State() const {
  const Ide& ide = *ide_;
  const AddInView addin(ide);
  host::WindowSystem& ws = host::WindowSystem::Instance();
  json state;
  state["format"] = kStateFormat;
  state["clock_ms"] = host::MessageLoop::Instance().Clock();
  state["mode"] = ModeName(addin.CurrentMode());
  state["window_system"] = ws.Name();
  const auto& screen = ws.Screen();
  json metrics;
  for (auto [name, index] : std::initializer_list<std::pair<const char*, int>>{
           {"SM_CXSCREEN", host::SM_CXSCREEN},
           {"SM_CYSCREEN", host::SM_CYSCREEN},
           {"SM_CYCAPTION", host::SM_CYCAPTION},
           {"SM_CXFRAME", host::SM_CXFRAME},
           {"SM_CYFULLSCREEN", host::SM_CYFULLSCREEN},
           {"SM_CYMINIMIZED", host::SM_CYMINIMIZED},
           {"SM_CXMAXIMIZED", host::SM_CXMAXIMIZED},
           {"SM_CYMAXIMIZED", host::SM_CYMAXIMIZED}})
    metrics[name] = ws.GetMetric(index);
  state["screen"] = {{"width", screen.Width},
                     {"height", screen.Height},
                     {"work_area", Rect(ws.WorkArea())},
                     {"metrics", metrics}};
  state["main_form"] = host::Application && host::Application->MainForm()
                           ? host::Application->MainForm()->Name()
                           : "";
  json forms = json::array();
  if (host::Screen != nullptr) {
    for (int32_t i = 0; i < host::Screen->FormCount(); ++i) {
      host::TForm* f = host::Screen->Forms(i);
      // A form with a window is what the window system says of its window; a
      // form without one is what its properties say.
      const std::optional<host::WindowInfo> w =
          f->HandleAllocated() ? ws.Info(f->Handle()) : std::nullopt;
      const host::TRect bounds = w ? w->Bounds : f->BoundsRect();
      const host::TFormBorderStyle border =
          w ? host::BorderStyleOfWindow(w->Styles) : f->BorderStyle();
      const host::TBorderIcons icons = w ? host::BorderIconsOfWindow(w->Styles) : f->BorderIcons();
      const host::TWindowState window_state = !w          ? f->WindowState()
                                              : w->Iconic ? host::wsMinimized
                                              : w->Zoomed ? host::wsMaximized
                                                          : host::wsNormal;
      json form = {{"name", f->Name()},
                   {"class", f->ClassName()},
                   {"caption", f->Caption()},
                   {"left", bounds.Left},
                   {"top", bounds.Top},
                   {"width", bounds.Width()},
                   {"height", bounds.Height()},
                   {"visible", f->Visible()},
                   // On screen: shown and not minimised (with the application).
                   {"shown", w && w->Visible && !w->Minimized},
                   {"border_style", host::BorderStyleName(border)},
                   {"border_icons", host::BorderIconNames(icons)},
                   {"window_state", host::WindowStateName(window_state)},
                   {"form_style", host::FormStyleName(f->FormStyle())},
                   {"topmost", w ? w->TopMost : f->FormStyle() == host::fsStayOnTop},
                   {"region", w && w->Region ? Rect(*w->Region) : json(nullptr)},
                   {"dock_site", f->DockSite()},
                   {"use_dock_manager", f->UseDockManager()}};
      forms.push_back(form);
    }
  }
  state["forms"] = forms;
  // The forms' windows on screen, front first, and the active one.
  const auto form_of = [](host::HWND window) -> const host::TForm* {
    if (host::Screen != nullptr)
      for (int32_t i = 0; i < host::Screen->FormCount(); ++i) {
        host::TForm* f = host::Screen->Forms(i);
        if (f->HandleAllocated() && f->Handle() == window) return f;
      }
    return nullptr;
  };
  json z_order = json::array();
  for (const host::HWND window : ws.ZOrder()) {
    const std::optional<host::WindowInfo> w = ws.Info(window);
    const host::TForm* f = form_of(window);
    if (f != nullptr && w && !w->Minimized) z_order.push_back(f->Name());
  }
  state["z_order"] = z_order;
  const host::TForm* active = form_of(ws.ActiveWindow());
  state["active_window"] = active != nullptr ? active->Name() : "";
  if (host::TTabControl* p = ide.Palette()) {
    state["palette"] = {
        {"style", host::TabStyleName(p->Style())},
        {"multi_line", p->MultiLine()},
        {"hot_track", p->HotTrack()},
        {"ragged_right", p->RaggedRight()},
        {"visible", p->Parent() ? p->Parent()->Visible() : p->Visible()},
        {"rows", p->RowCount()},
        {"width", p->Width()},
        {"height", p->Height()},
        {"min_height", p->Constraints().MinHeight()},
        {"parent_max_height", p->Parent() ? p->Parent()->Constraints().MaxHeight() : 0},
        {"on_resize", addin.Holder(p->OnResize())}};
  } else {
    state["palette"] = nullptr;
  }
  json tools = json::array();
  if (host::TMenuItem* menu = ide.ToolsMenu())
    for (int32_t i = 0; i < menu->Count(); ++i)
      tools.push_back({{"caption", menu->Items(i)->Caption()}, {"name", menu->Items(i)->Name()}});
  state["tools_menu"] = tools;
  state["project"] = ide.ProjectFile();
  state["icon"] = host::Application ? addin.IconHolder() : "none";
  state["application_events"] = {
      {"on_activate", host::Application ? addin.Holder(host::Application->OnActivate()) : "none"},
      {"on_deactivate",
       host::Application ? addin.Holder(host::Application->OnDeactivate()) : "none"}};
  if (const auto* o = static_cast<const FleetforgeGlobal::TOptionsRecord*>(addin.OptionsRecord())) {
    json options = json::object();
    for (const FleetforgeGlobal::TOptionValue& value : FleetforgeGlobal::kOptionValues)
      options[value.Name] =
          value.Switch != nullptr ? json(o->*value.Switch) : json(o->*value.Integer);
    state["options"] = options;
  } else {
    state["options"] = nullptr;
  }
  json messages = json::array();
  if (host::Application)
    for (const auto& m : host::Application->MessagesShown())
      messages.push_back({{"text", m.Text}, {"caption", m.Caption}});
  state["messages"] = messages;
  json errors = json::array();
  for (const auto& e : ide.Errors())
    errors.push_back({{"class", e.ClassName}, {"message", e.Message}});
  state["errors"] = errors;
  return state;
}

void PrintStateTable(const json& state, std::ostream& out) {
  const auto text = [](const json& v) { return v.is_string() ? v.get<std::string>() : v.dump(); };
  out << "clock " << state["clock_ms"] << " ms, mode " << text(state["mode"]) << ", project "
      << (state["project"].get<std::string>().empty() ? "(none)" : text(state["project"])) << "\n";
  const json& screen = state["screen"];
  out << "screen " << screen["width"] << "x" << screen["height"] << " ("
      << text(state["window_system"]) << " windows), work area " << screen["work_area"].dump()
      << ", metrics " << screen["metrics"].dump() << "\n";
  out << "main form " << text(state["main_form"]) << ", icon " << text(state["icon"])
      << ", application events: activate " << text(state["application_events"]["on_activate"])
      << ", deactivate " << text(state["application_events"]["on_deactivate"]) << "\n\n";
  out << std::left << std::setw(22) << "window" << std::setw(20) << "class" << std::right
      << std::setw(6) << "left" << std::setw(6) << "top" << std::setw(7) << "width" << std::setw(7)
      << "height"
      << "  " << std::left << std::setw(8) << "visible" << std::setw(6) << "shown" << std::setw(15)
      << "border" << std::setw(13) << "state"
      << "other\n";
  for (const json& f : state["forms"]) {
    std::string other;
    for (const auto& icon : f["border_icons"])
      other += (other.empty() ? "" : ",") + icon.get<std::string>();
    if (f["topmost"].get<bool>()) other += " topmost";
    if (!f["region"].is_null()) other += " region " + f["region"].dump();
    if (f["dock_site"].get<bool>()) other += " docksite";
    if (f["use_dock_manager"].get<bool>()) other += " dockmanager";
    out << std::left << std::setw(22) << text(f["name"]) << std::setw(20) << text(f["class"])
        << std::right << std::setw(6) << f["left"].get<int>() << std::setw(6) << f["top"].get<int>()
        << std::setw(7) << f["width"].get<int>() << std::setw(7) << f["height"].get<int>() << "  "
        << std::left << std::setw(8) << (f["visible"].get<bool>() ? "yes" : "no") << std::setw(6)
        << (f["shown"].get<bool>() ? "yes" : "no") << std::setw(15) << text(f["border_style"])
        << std::setw(13) << text(f["window_state"]) << other << "\n";
  }
  out << "\nfront to back:";
  for (const json& name : state["z_order"]) out << " " << text(name);
  out << "; active: " << (state["active_window"] == "" ? "(none)" : text(state["active_window"]))
      << "\n";
  if (!state["palette"].is_null()) {
    const json& p = state["palette"];
    out << "\npalette: " << text(p["style"])
        << (p["multi_line"].get<bool>() ? ", multi-line" : ", one line")
        << (p["hot_track"].get<bool>() ? ", hot-tracked" : "")
        << (p["ragged_right"].get<bool>() ? ", ragged right" : "") << ", " << p["rows"]
        << " row(s), " << p["width"] << "x" << p["height"] << ", min height " << p["min_height"]
        << ", container max height " << p["parent_max_height"] << ", OnResize held by "
        << text(p["on_resize"]) << "\n";
  }
  out << "\nTools menu:";
  for (const json& item : state["tools_menu"])
    out << "  " << text(item["caption"]) << " (" << text(item["name"]) << ")";
  out << "\n";
  if (!state["options"].is_null()) out << "options: " << state["options"].dump() << "\n";
  for (const json& m : state["messages"])
    out << "message box \"" << text(m["caption"]) << "\": " << text(m["text"]) << "\n";
  for (const json& e : state["errors"])
    out << "error " << text(e["class"]) << ": " << text(e["message"]) << "\n";
}

}  // namespace ide
