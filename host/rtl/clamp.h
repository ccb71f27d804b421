// Bringing a wide integer into the 32-bit range that the host's sizes and
// positions use.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace host {

// v, or the nearest 32-bit value when it lies beyond that range.
constexpr int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace host
