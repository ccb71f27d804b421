// A session of the reference IDE driven by a script of user actions, and the
// session's state as a user would see it.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ide/ide.h"

namespace ide {

struct Action {
  int Line = 0;
  std::string Verb;
  std::vector<std::string> Args;
  std::string Text;  // the line as written
};

// A script that cannot be run: the message names the line.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The package could not be loaded (at start-up or by "install"): the message
// names the module and the cause.
class PackageFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The version of the state's format (the "format" key of every state object);
// docs/state.schema.json describes it.
inline constexpr int kStateFormat = 1;

// Parses the script language: one action a line, "#" starts a comment.
// Raises ScriptError for an action the language does not know or wrong arguments.
std::vector<Action> ParseScript(const std::string& text);

struct SessionOptions {
  // IDE.PackageFile is loaded at start-up; leave it empty to start without it.
  IdeOptions Ide;
  // What the "install" action installs into the running IDE.
  std::string PackageToInstall;
  // Where the "state" action and the end of the run write their state.
  std::function<void(const nlohmann::json&)> OnState;
  // Where the "snapshot FILE" action draws the desktop (set by the command line);
  // it raises std::exception naming the file when it cannot write it.
  std::function<void(const std::string&)> OnSnapshot;
  // Where "caption TEXT" and "showfile FILE" go (a guided tour's narration).
  std::function<void(const std::string&)> OnCaption;
  std::function<void(const std::string& file, const std::string& text)> OnShowFile;
  // When set, the host clock is the session's own: this moment (the host's local
  // date-time) plus the IDE's clock, so pictures and compile dates repeat.
  std::optional<double> ClockStart;
  // When set, a package that cannot be loaded at start-up or by "install" stops
  // the session with PackageFailure instead of only being reported.
  bool PackageFailuresStop = false;
  // When set, a modal window that the script leaves waiting takes a person's
  // input (RunInteractive) instead of stopping the script.
  bool Interactive = false;
  // Asked between rounds of an interactive session: whether the process was
  // told to end.
  std::function<bool()> StopRequested;
};

struct ScriptVerbs;

class Session {
 public:
  explicit Session(SessionOptions options);
  ~Session();

  Ide& GetIde() { return *ide_; }
  // Starts the IDE (windows, package, default project).
  void StartUp();
  // Runs the actions in order; a modal window takes the next actions as its input.
  // A script that ends while a modal window waits for input is a ScriptError
  // naming the line that opened the window.
  void Run(const std::vector<Action>& actions);
  // Goes on with a person's input on the system's clock: timers fall due in
  // real time. Ends when the main window was closed (the IDE then shuts down)
  // or StopRequested says so.
  void RunInteractive();
  // Sets the host clock to the session's own (see SessionOptions::ClockStart).
  void SyncClock() const;
  // Runs one action line now (for tests).
  void Do(const std::string& line);
  // Queues actions that a modal window will take as input (for tests).
  void QueueInput(const std::string& lines);
  nlohmann::json State() const;

 private:
  friend struct ScriptVerbs;  // the script's verbs and their handlers

  void Execute(const Action& action);
  bool NextModalInput();
  // Waits for the system's events or the next timer, then lets the time that
  // passed pass on the IDE's clock.
  void InteractiveRound();
  host::TForm* FormNamed(const Action& action, const std::string& name) const;
  host::TControl* ControlNamed(const Action& action, const std::string& name) const;
  [[noreturn]] void Fail(const Action& action, const std::string& why) const;

  void CheckFatal();
  void CheckPackageLoaded(const std::string& file, size_t errorsBefore);

  SessionOptions options_;
  std::unique_ptr<Ide> ide_;
  std::unique_ptr<ScriptError> fatal_;
  std::deque<Action> pending_;
  int modal_depth_ = 0;
  bool running_script_ = false;
  const Action* opening_ = nullptr;  // the script action running outside any modal window
  std::chrono::steady_clock::time_point interactive_clock_;
};

// The state as a readable table.
void PrintStateTable(const nlohmann::json& state, std::ostream& out);

}  // namespace ide
