// What the host unit tests share: a fresh desktop, message loop and the two host
// globals for each test, a sink that collects reported errors, and the check for the
// host's error class and message.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/rtl/classes.h"
#include "host/rtl/modules.h"
#include "host/vcl/controls.h"
#include "host/vcl/forms.h"
#include "host/vcl/messageloop.h"
#include "host/win32/win32.h"
#include "tests/support/host_error.h"

namespace host_test {

// An error as the host reports it: class name and message.
struct Reported {
  std::string ClassName;
  std::string Message;
  bool operator==(const Reported&) const = default;
};

inline std::vector<Reported>& ReportedErrors() {
  static std::vector<Reported> errors;
  return errors;
}

inline void CollectError(const host::Exception& error) {
  ReportedErrors().push_back({error.ClassName(), error.Message()});
}

inline void PrintTo(const Reported& r, std::ostream* os) {
  *os << r.ClassName << ": \"" << r.Message << "\"";
}

using fleetforge_test::ExpectHostError;

// Records the events it receives, in order, by name.
class EventLog : public host::TObject {
 public:
  void Resize(host::TObject* sender) { Add("resize", sender); }
  void ClickA(host::TObject* sender) { Add("clickA", sender); }
  void ClickB(host::TObject* sender) { Add("clickB", sender); }
  void Timer(host::TObject* sender) { Add("timer", sender); }
  void Activate(host::TObject* sender) { Add("activate", sender); }
  void Deactivate(host::TObject* sender) { Add("deactivate", sender); }
  void Show(host::TObject* sender) { Add("show", sender); }
  void Close(host::TObject* sender) { Add("close", sender); }

  using Entries = std::vector<std::pair<std::string, host::TObject*>>;
  Entries entries;
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : entries) names.push_back(e.first);
    return names;
  }
  size_t Count(const std::string& name) const {
    size_t n = 0;
    for (const auto& e : entries) n += e.first == name ? 1 : 0;
    return n;
  }

 private:
  void Add(const char* name, host::TObject* sender) { entries.emplace_back(name, sender); }
};

// A fresh desktop (1024 x 768 with a 30-pixel task bar at the bottom unless
// asked otherwise), an empty message loop, the application and the screen; an
// owner for the test's components and a log of their events.
class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host::WindowSystem::Instance().Reset(host::ScreenDescription{});
    host::MessageLoop::Instance().Reset();
    host::Application = &app_;
    host::Screen = &screen_;
    ReportedErrors().clear();
    host::SetExceptionSink(&CollectError);
  }
  void TearDown() override {
    host::SetExceptionSink(nullptr);
    host::MessageLoop::Instance().Reset();
    host::Application = nullptr;
    host::Screen = nullptr;
  }

  static host::WindowSystem& Desktop() { return host::WindowSystem::Instance(); }
  static host::MessageLoop& Loop() { return host::MessageLoop::Instance(); }

  host::TApplication app_{nullptr};
  host::TScreen screen_{nullptr};
  host::TComponent owner_{nullptr};
  EventLog log_;
};

}  // namespace host_test
