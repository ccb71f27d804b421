// Registry file text: UTF-16LE and UTF-8, and a file's bytes decoded into its
// text, the version its header names and its line end.
#include "host/rtl/regfile_detail.h"

#include "host/rtl/bytes.h"

#include <algorithm>

namespace host::regfile_detail {

namespace {

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

bool Utf16LeToUtf8(std::string_view in, std::string& out) {
  out.clear();
  auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(in[i])) |
           (static_cast<uint32_t>(static_cast<unsigned char>(in[i + 1])) << 8);
  };
  size_t i = 0;
  while (i + 1 < in.size()) {
    const uint32_t u = unit(i);
    i += 2;
    if (u >= 0xD800 && u < 0xDC00) {
      if (i + 1 >= in.size()) return false;
      const uint32_t low = unit(i);
      if (low < 0xDC00 || low >= 0xE000) return false;
      i += 2;
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
    } else if (u >= 0xDC00 && u < 0xE000) {
      return false;
    } else {
      AppendUtf8(out, u);
    }
  }
  return i == in.size();
}

bool Utf8ToUtf16Le(std::string_view in, std::string& out) {
  out.clear();
  size_t i = 0;
  auto continuation = [&](size_t at, uint32_t& cp) {
    if (at >= in.size()) return false;
    const auto byte = static_cast<unsigned char>(in[at]);
    if ((byte & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (byte & 0x3F);
    return true;
  };
  while (i < in.size()) {
    const auto lead = static_cast<unsigned char>(in[i]);
    uint32_t cp = 0;
    size_t length = 0;
    if (lead < 0x80) {
      cp = lead;
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      cp = lead & 0x1F;
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      cp = lead & 0x0F;
      length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      cp = lead & 0x07;
      length = 4;
    } else {
      return false;
    }
    for (size_t k = 1; k < length; ++k) {
      if (!continuation(i + k, cp)) return false;
    }
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp < 0xE000)) {
      return false;
    }
    i += length;
    if (cp >= 0x10000) {
      AppendUInt16LE(out, 0xD800 + ((cp - 0x10000) >> 10));
      AppendUInt16LE(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      AppendUInt16LE(out, cp);
    }
  }
  return true;
}

FileText DecodeFile(std::string_view bytes, const std::string& fileName, std::string& storage) {
  FileText file;
  file.text = bytes;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    file.utf16 = true;
    if (!Utf16LeToUtf8(bytes.substr(2), storage)) {
      const int line = 1 + static_cast<int>(std::count(storage.begin(), storage.end(), '\n'));
      throw ERegistryException("Registry file " + fileName + ", line " + std::to_string(line) +
                               ": invalid UTF-16 text");
    }
    file.text = storage;
  }
  const std::string_view text = file.text;
  const size_t firstEnd = text.find('\n');
  std::string_view first = text.substr(0, firstEnd);
  if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
  file.version = Parser::HeaderVersion(first);
  if (file.version == 0) {
    throw ERegistryException("Registry file " + fileName + ", line 1: the first line is not \"" +
                             std::string(kHeader4) + "\" or \"" + std::string(kHeader5) + "\"");
  }
  file.eol = firstEnd != std::string_view::npos && firstEnd > 0 && text[firstEnd - 1] == '\r'
                 ? "\r\n"
             : firstEnd != std::string_view::npos ? "\n"
                                                  : "\r\n";
  return file;
}

}  // namespace host::regfile_detail
