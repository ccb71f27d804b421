// Expecting a host error: exactly the host error class E with a given message,
// failures reported at the caller's line.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "host/rtl/sysutils.h"

namespace fleetforge_test {

// Where a helper was called from: the defaults are filled in at the caller's line
// (std::source_location is not there for every compiler the project builds with).
struct CallSite {
  CallSite(const char* file = __builtin_FILE(), int line = __builtin_LINE())
      : File(file), Line(line) {}
  const char* File;
  int Line;
};

// The message of the host error E that call raises (a subclass of E counts as a
// failure), or "(no error)" when it raises none.
template <class E, class Call>
std::string HostError(Call&& call, CallSite where = CallSite()) {
  ::testing::ScopedTrace trace(where.File, where.Line, "host error");
  try {
    std::forward<Call>(call)();
  } catch (const E& e) {
    EXPECT_STREQ(e.ClassName(), E("").ClassName()) << "a subclass was raised";
    return e.Message();
  } catch (const host::Exception& e) {
    ADD_FAILURE() << "raised " << e.ClassName() << " \"" << e.Message() << "\"";
    return std::string(e.ClassName()) + ": " + e.Message();
  }
  return "(no error)";
}

// Runs call and checks that it raises exactly the host error class E with this message.
template <class E, class Call>
void ExpectHostError(Call&& call, const std::string& message, CallSite where = CallSite()) {
  ::testing::ScopedTrace trace(where.File, where.Line, "");
  EXPECT_EQ(HostError<E>(std::forward<Call>(call), where), message);
}

}  // namespace fleetforge_test
