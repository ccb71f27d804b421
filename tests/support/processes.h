// Child processes for tests of files that several processes write: run code or a
// shell command in a forked child, as an unprivileged user or under a file size
// limit (a full disk that holds for root too), and collect what it printed.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <utility>

namespace fleetforge_test {

// The user that tests run as when they need permission bits to hold under root.
constexpr uid_t kNobody = 65534;

struct ChildSetup {
  bool unprivileged = false;  // as root: become kNobody (group kNobody)
  long fileSizeLimit = -1;    // bytes; writes beyond it fail with EFBIG
};

// Applies setup in the child; false when it cannot be done.
inline bool ApplyChildSetup(const ChildSetup& setup) {
  if (setup.unprivileged && ::geteuid() == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
      return false;
  }
  if (setup.fileSizeLimit >= 0) {
    ::signal(SIGXFSZ, SIG_IGN);  // stays ignored across exec
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    limit.rlim_cur = static_cast<rlim_t>(setup.fileSizeLimit);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
  }
  return true;
}

inline int ExitCode(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs body in a forked child set up as asked; its result is the child's exit
// code (99 when the setup failed, 98 when body threw).
inline int InChild(const ChildSetup& setup, const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    int code = 99;
    if (ApplyChildSetup(setup)) {
      try {
        code = body();
      } catch (...) {
        code = 98;
      }
    }
    ::_exit(code);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return ExitCode(status);
}

// Starts /bin/sh -c command in a child set up as asked, its output streams going
// to the files out and err when given (opened before the setup); returns its
// process id.
inline pid_t StartShell(const std::string& command, const ChildSetup& setup = {},
                        const std::string& out = "", const std::string& err = "") {
  const pid_t pid = ::fork();
  if (pid == 0) {
    for (const auto& [file, fd] : {std::pair{out, 1}, std::pair{err, 2}}) {
      if (file.empty()) continue;
      const int opened = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      if (opened < 0 || ::dup2(opened, fd) < 0) ::_exit(97);
    }
    if (ApplyChildSetup(setup)) ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
    ::_exit(99);
  }
  return pid;
}

inline int WaitFor(pid_t pid) {
  int status = 0;
  if (pid <= 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return ExitCode(status);
}

struct ShellResult {
  int exit = -1;
  std::string out, err;
};

// Runs command with its output streams caught in files beside scratch.
inline ShellResult Shell(const std::string& command, const std::string& scratch,
                         const ChildSetup& setup = {}) {
  const std::string out = scratch + ".out", err = scratch + ".err";
  ShellResult result;
  result.exit = WaitFor(StartShell(command, setup, out, err));
  std::ostringstream o, e;
  o << std::ifstream(out).rdbuf();
  e << std::ifstream(err).rdbuf();
  result.out = o.str();
  result.err = e.str();
  ::unlink(out.c_str());
  ::unlink(err.c_str());
  return result;
}

// How many runs the tests of killed writers kill: FLEETFORGE_KILLED_RUNS (more
// by hand), else 60.
inline int KilledRunCount() {
  const char* count = std::getenv("FLEETFORGE_KILLED_RUNS");
  return count ? std::atoi(count) : 60;
}

// Starts /bin/sh -c command, kills it after a random wait of 0 to maxDelayUs
// microseconds and returns its exit code (128 + SIGKILL when it was killed).
inline int KillAtRandom(const std::string& command, std::mt19937& random, int maxDelayUs) {
  const pid_t pid = StartShell(command);
  ::usleep(static_cast<useconds_t>(std::uniform_int_distribution<int>(0, maxDelayUs)(random)));
  ::kill(pid, SIGKILL);
  return WaitFor(pid);
}

}  // namespace fleetforge_test
