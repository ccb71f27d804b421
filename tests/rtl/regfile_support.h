// What the tests of the registry file and of the registry object share: registry
// values printed readably in failures, and the registry error a call raises.
#pragma once

#include <ostream>
#include <string>

#include "host/rtl/regfile.h"
#include "tests/support/host_error.h"

namespace host {

// The type and the data in hex.
inline void PrintTo(const RegValue& value, std::ostream* out) {
  static constexpr char kDigits[] = "0123456789abcdef";
  *out << "type " << value.type << " data";
  for (char c : value.data) {
    const auto byte = static_cast<unsigned char>(c);
    *out << ' ' << kDigits[byte >> 4] << kDigits[byte & 0xF];
  }
}

// The message of the ERegistryException that call raises ("(no error)" for none).
template <class Call>
std::string RegistryError(Call call,
                          fleetforge_test::CallSite where = fleetforge_test::CallSite()) {
  return fleetforge_test::HostError<ERegistryException>(call, where);
}

}  // namespace host
