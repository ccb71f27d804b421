// A session of the reference IDE driven by a script of user actions, and the
// session's state as a user would see it.
#pragma once

#include <deque>
#include <functional>
#include <iosfwd>
#include <memory>
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
  // Where the "snapshot FILE" action draws the desktop (set by the command line).
  std::function<void(const std::string&)> OnSnapshot;
};

class Session {
 public:
  explicit Session(SessionOptions options);
  ~Session();

  Ide& GetIde() { return *ide_; }
  // Starts the IDE (windows, package, default project).
  void StartUp();
  // Runs the actions in order; a modal window takes the next actions as its input.
  void Run(const std::vector<Action>& actions);
  // Runs one action line now (for tests).
  void Do(const std::string& line);
  // Queues actions that a modal window will take as input (for tests).
  void QueueInput(const std::string& lines);
  nlohmann::json State() const;

 private:
  void Execute(const Action& action);
  bool NextModalInput();
  host::TForm* FormNamed(const Action& action, const std::string& name) const;
  host::TControl* ControlNamed(const Action& action, const std::string& name) const;
  [[noreturn]] void Fail(const Action& action, const std::string& why) const;

  void CheckFatal();

  SessionOptions options_;
  std::unique_ptr<Ide> ide_;
  std::unique_ptr<ScriptError> fatal_;
  std::deque<Action> pending_;
  int modal_depth_ = 0;
};

// The state as a readable table.
void PrintStateTable(const nlohmann::json& state, std::ostream& out);

}  // namespace ide
