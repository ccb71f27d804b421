// An environment variable set (or unset) for one scope.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace fleetforge_test {

// Sets name to value (unsets it for std::nullopt) and puts the old value back at
// the end of the scope; the time zone is read again each time.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  // Only keeps the current value, to put it back however the scope changes it.
  explicit ScopedEnv(const char* name) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
  }
  ~ScopedEnv() { Set(old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const std::optional<std::string>& value) {
#ifdef _WIN32
    ::_putenv_s(name_.c_str(), value ? value->c_str() : "");  // "" removes it
    ::_tzset();
#else
    if (value) {
      ::setenv(name_.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
    ::tzset();
#endif
  }
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace fleetforge_test
