// Binary data as the system's file formats and resources lay it out: integers
// little-endian, text as UTF-16LE code units.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace host {

// Appends the low 16 or all 32 bits of value, least significant byte first.
inline void AppendUInt16LE(std::string& out, uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
inline void AppendUInt32LE(std::string& out, uint32_t value) {
  AppendUInt16LE(out, value & 0xFFFF);
  AppendUInt16LE(out, value >> 16);
}

// Each byte of text as one UTF-16LE code unit (8-bit text widened, as for ASCII
// names), without a terminating zero.
inline std::string WidenToUtf16LE(std::string_view text) {
  std::string out;
  out.reserve(2 * text.size());
  for (char c : text) AppendUInt16LE(out, static_cast<unsigned char>(c));
  return out;
}

}  // namespace host
