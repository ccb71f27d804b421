#include "ide/session.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <ostream>
#include <set>
#include <sstream>

#include "global/OptionsRecord.h"
#include "host/rtl/modules.h"
#include "host/rtl/quoting.h"
#include "host/vcl/messageloop.h"
#include "host/vcl/stdctrls.h"

namespace ide {

namespace {

// Script text as a message quotes it (at most 60 characters, controls escaped).
std::string Q(const std::string& text) {
  return host::QuotedForMessage(text);
}

using nlohmann::json;

struct Verb {
  const char* Name;
  int MinArgs;      // words after the verb
  bool RestIsText;  // the last argument is the rest of the line
  const char* Usage;
};

const Verb kVerbs[] = {
    {"wait", 1, false, "wait MS"},
    {"move", 3, false, "move FORM LEFT TOP"},
    {"size", 3, false, "size FORM WIDTH HEIGHT"},
    {"close", 1, false, "close FORM"},
    {"click", 2, false, "click X Y"},
    {"menu", 1, true, "menu PATH"},
    {"key", 1, false, "key enter|esc|closebox"},
    {"check", 2, false, "check CONTROL on|off"},
    {"type", 2, true, "type CONTROL TEXT"},
    {"activate", 0, false, "activate"},
    {"deactivate", 0, false, "deactivate"},
    {"open", 1, true, "open PROJECTFILE"},
    {"compile", 0, false, "compile"},
    {"codeinsight", 0, false, "codeinsight"},
    {"install", 0, false, "install"},
    {"unload", 0, false, "unload"},
    {"state", 0, false, "state"},
    {"snapshot", 1, true, "snapshot FILE"},
    {"caption", 1, true, "caption TEXT"},
    {"showfile", 1, true, "showfile FILE"},
};

// Actions a modal window takes as its input.
const std::set<std::string> kInputVerbs = {"wait",  "click",    "key",     "check",   "type",
                                           "state", "snapshot", "caption", "showfile"};

const Verb* FindVerb(const std::string& name) {
  for (const Verb& v : kVerbs)
    if (name == v.Name) return &v;
  return nullptr;
}

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
    const Verb* known = FindVerb(verb);
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

bool Session::NextModalInput() {
  if (fatal_) return false;
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
  const std::string& verb = action.Verb;
  const auto& args = action.Args;
  if (modal_depth_ > 0 && kInputVerbs.count(verb) == 0)
    Fail(action, Q(verb) + " cannot be done while a modal window waits for its input");
  auto& loop = host::MessageLoop::Instance();
  SyncClock();

  if (verb == "wait") {
    const int32_t ms = ToInt(action, args[0]);
    if (ms < 0) Fail(action, "a wait cannot be negative");
    loop.Advance(ms);
  } else if (verb == "move") {
    host::TForm* form = FormNamed(action, args[0]);
    const int32_t left = ToInt(action, args[1]), top = ToInt(action, args[2]);
    host::Guarded([&] { form->SetBounds(left, top, form->Width(), form->Height()); });
  } else if (verb == "size") {
    host::TForm* form = FormNamed(action, args[0]);
    const int32_t width = ToInt(action, args[1]), height = ToInt(action, args[2]);
    host::Guarded([&] { form->SetBounds(form->Left(), form->Top(), width, height); });
  } else if (verb == "close") {
    host::TForm* form = FormNamed(action, args[0]);
    host::Guarded([&] { form->Close(); });
  } else if (verb == "click") {
    const int32_t x = ToInt(action, args[0]), y = ToInt(action, args[1]);
    host::Guarded([&] { host::WindowSystem::Instance().Click(x, y); });
  } else if (verb == "menu") {
    if (ide_->MainMenu() == nullptr) Fail(action, "the IDE has no main menu");
    host::TMenuItem* item = ide_->MainMenu()->Items();
    std::string path = args[0];
    size_t start = 0;
    while (start <= path.size()) {
      const size_t end = path.find('>', start);
      std::string caption =
          path.substr(start, end == std::string::npos ? std::string::npos : end - start);
      const size_t a = caption.find_first_not_of(' '), b = caption.find_last_not_of(' ');
      caption = a == std::string::npos ? "" : caption.substr(a, b - a + 1);
      host::TMenuItem* next = item->Find(caption);
      if (next == nullptr) Fail(action, "no menu entry " + Q(caption));
      item = next;
      if (end == std::string::npos) break;
      start = end + 1;
    }
    host::Guarded([&] { item->Click(); });
  } else if (verb == "key") {
    host::TForm* form = host::Screen->ActiveForm();
    if (form == nullptr) Fail(action, "no window is active");
    if (args[0] == "enter")
      host::Guarded([&] { form->KeyEnter(); });
    else if (args[0] == "esc")
      host::Guarded([&] { form->KeyEscape(); });
    else if (args[0] == "closebox")
      host::Guarded([&] { form->Close(); });
    else
      Fail(action, "unknown key " + Q(args[0]) + " (enter, esc or closebox)");
  } else if (verb == "check") {
    auto* box = dynamic_cast<host::TCheckBox*>(ControlNamed(action, args[0]));
    if (box == nullptr) Fail(action, Q(args[0]) + " is not a check box");
    if (args[1] != "on" && args[1] != "off") Fail(action, "a check box is set 'on' or 'off'");
    if (box->Checked() != (args[1] == "on")) host::Guarded([&] { box->Click(); });
  } else if (verb == "type") {
    host::TControl* control = ControlNamed(action, args[0]);
    host::Guarded([&] { control->SetText(args.size() > 1 ? args[1] : ""); });
  } else if (verb == "activate" || verb == "deactivate") {
    host::Guarded([&] { host::Application->SetActive(verb == "activate"); });
  } else if (verb == "open") {
    host::Guarded([&] { ide_->OpenProject(args[0]); });
  } else if (verb == "compile" || verb == "codeinsight") {
    ide_->Compile(verb == "codeinsight");
  } else if (verb == "install") {
    const size_t errors = ide_->Errors().size();
    host::Guarded([&] { ide_->InstallPackage(options_.PackageToInstall); });
    CheckPackageLoaded(options_.PackageToInstall, errors);
  } else if (verb == "unload") {
    host::Guarded([&] { ide_->UnloadPackage(); });
  } else if (verb == "state") {
    if (options_.OnState) options_.OnState(State());
  } else if (verb == "snapshot") {
    if (!options_.OnSnapshot) Fail(action, "this session cannot draw pictures");
    try {
      options_.OnSnapshot(args[0]);
    } catch (const std::exception& error) {
      Fail(action, error.what());
    }
  } else if (verb == "caption") {
    if (options_.OnCaption) options_.OnCaption(args[0]);
  } else if (verb == "showfile") {
    std::ifstream in(args[0], std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in || in.bad()) Fail(action, "cannot read " + args[0]);
    if (options_.OnShowFile) options_.OnShowFile(args[0], text);
  }
  loop.ProcessMessages();
  // The main window closed (its close box, or the bar's close button): the IDE
  // shuts down, unloading its packages first. Not inside a modal loop, whose
  // window is still on the stack.
  if (modal_depth_ == 0 && host::Application->Terminated() && !ide_->ShutDown()) ide_->Shutdown();
}

json Session::State() const {
  const Ide& ide = *ide_;
  host::WindowSystem& ws = host::WindowSystem::Instance();
  json state;
  state["format"] = kStateFormat;
  state["clock_ms"] = host::MessageLoop::Instance().Clock();
  state["mode"] = ModeName(ide.CurrentMode());
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
      const host::WindowInfo* w = f->HandleAllocated() ? ws.Info(f->Handle()) : nullptr;
      json form = {{"name", f->Name()},
                   {"class", f->ClassName()},
                   {"caption", f->Caption()},
                   {"left", f->Left()},
                   {"top", f->Top()},
                   {"width", f->Width()},
                   {"height", f->Height()},
                   {"visible", f->Visible()},
                   // On screen: shown and not minimised (with the application).
                   {"shown", f->Shown() && !(w && w->Minimized)},
                   {"border_style", host::BorderStyleName(f->BorderStyle())},
                   {"border_icons", host::BorderIconNames(f->BorderIcons())},
                   {"window_state", host::WindowStateName(f->WindowState())},
                   {"form_style", host::FormStyleName(f->FormStyle())},
                   {"topmost", w ? w->TopMost : f->FormStyle() == host::fsStayOnTop},
                   {"region", w && w->Region ? Rect(*w->Region) : json(nullptr)},
                   {"dock_site", f->DockSite()},
                   {"use_dock_manager", f->UseDockManager()}};
      forms.push_back(form);
    }
  }
  state["forms"] = forms;
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
        {"on_resize", ide.Holder(p->OnResize())}};
  } else {
    state["palette"] = nullptr;
  }
  json tools = json::array();
  if (host::TMenuItem* menu = ide.ToolsMenu())
    for (int32_t i = 0; i < menu->Count(); ++i)
      tools.push_back({{"caption", menu->Items(i)->Caption()}, {"name", menu->Items(i)->Name()}});
  state["tools_menu"] = tools;
  state["project"] = ide.ProjectFile();
  state["icon"] = host::Application ? ide.IconHolder() : "none";
  state["application_events"] = {
      {"on_activate", host::Application ? ide.Holder(host::Application->OnActivate()) : "none"},
      {"on_deactivate",
       host::Application ? ide.Holder(host::Application->OnDeactivate()) : "none"}};
  if (const auto* o = static_cast<const FleetforgeGlobal::TOptionsRecord*>(
          ide.PackageVariable("FleetforgeGlobal.Options"))) {
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
  out << "screen " << screen["width"] << "x" << screen["height"] << ", work area "
      << screen["work_area"].dump() << ", metrics " << screen["metrics"].dump() << "\n";
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
