// Expecting a host error: exactly the host error class E with a given message,
// failures reported at the caller's line.
#pragma once

#include <gtest/gtest.h>

#include <source_location>
#include <string>
#include <utility>

#include "host/rtl/sysutils.h"

namespace fleetforge_test {

// The message of the host error E that call raises (a subclass of E counts as a
// failure), or "(no error)" when it raises none.
template <class E, class Call>
std::string HostError(Call&& call, std::source_location where = std::source_location::current()) {
  ::testing::ScopedTrace trace(where.file_name(), static_cast<int>(where.line()), "host error");
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
void ExpectHostError(Call&& call, const std::string& message,
                     std::source_location where = std::source_location::current()) {
  ::testing::ScopedTrace trace(where.file_name(), static_cast<int>(where.line()), "");
  EXPECT_EQ(HostError<E>(std::forward<Call>(call), where), message);
}

}  // namespace fleetforge_test
