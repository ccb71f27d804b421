// Version information: the RT_VERSION resource block (VS_VERSIONINFO) in the binary
// layout of the system's resource compiler.
//
// Every block is: WORD wLength (the whole block, its children included), WORD
// wValueLength, WORD wType (1 text, 0 binary), the zero-terminated UTF-16LE key,
// zero padding to a 4-byte boundary, the value, padding, the children. Offsets are
// counted from the start of the resource; every block starts on a 4-byte boundary.
//
//   VS_VERSION_INFO            value: VS_FIXEDFILEINFO, 52 bytes, binary
//     StringFileInfo
//       040904E4               language and code page, eight hex digits
//         CompanyName, ...     value: zero-terminated text, wValueLength in characters
//     VarFileInfo
//       Translation            value: WORD language, WORD code page, binary
//
// A block's wLength does not count the padding after it; the next sibling starts
// at the next 4-byte boundary. An empty text value has wValueLength 0 and no value
// bytes at all (not even the terminator).
//
// Text. The host's strings are 8-bit; each byte becomes the UTF-16 code unit of the
// same number (Latin-1). In the ASCII range this is code page 1252; the bytes 0x80
// to 0x9F, where 1252 differs from Latin-1, are kept as U+0080 to U+009F, so that
// decoding gives back the very bytes that were encoded. Decoding a code unit above
// U+00FF fails.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/api.h"

namespace host {

struct VersionInfo {
  // Most significant part first: {0, 0, 1, 18} is 0.0.1.18.
  uint16_t FileVersion[4] = {0, 0, 0, 0};
  uint16_t ProductVersion[4] = {0, 0, 0, 0};
  uint32_t FileFlagsMask = 0x3F;
  uint32_t FileFlags = 0;
  uint32_t FileOS = 4;    // VOS__WINDOWS32
  uint32_t FileType = 1;  // VFT_APP
  uint32_t FileSubtype = 0;
  uint16_t Language = 0x0409;
  uint16_t CodePage = 1252;
  // The string table's entries in their stored order (name, value).
  std::vector<std::pair<std::string, std::string>> Strings;
};

// The resource bytes: the fixed information, one string table keyed by Language and
// CodePage, and a Translation of that one pair. Raises EConvertError when a name or
// value holds a zero character or the block would exceed 65535 bytes.
HOST_API std::string EncodeVersionInfo(const VersionInfo& info);

// Reads a version block. Language and CodePage come from the first Translation pair
// and the string table of that key is read (without a Translation: the first
// table); other tables and unknown blocks are skipped. Raises EConvertError, naming
// the block and its offset, when the bytes are not such a block: a length shorter
// than its header or running past its parent or the data, a key without its
// terminator, fixed information that is not 52 bytes or lacks the signature
// 0xFEEF04BD, a table key that is not eight hex digits, a missing table, or text
// outside Latin-1. Bytes after the root block are ignored.
HOST_API VersionInfo DecodeVersionInfo(std::string_view bytes);

}  // namespace host
