// Icons as outside tools see them: a module's icon group written as an icon
// file, and the image icotool (icoutils) extracts from it, read back as pixels.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "host/rtl/bytes.h"
#include "host/rtl/modules.h"
#include "tests/support/png.h"
#include "tests/support/processes.h"

namespace fleetforge_test {

// An icon group as an icon file: ICONDIR (reserved, type 1, count), one 16-byte
// entry per image (the group's 12 bytes, then the image's offset where the group
// has its resource id), then the images. Empty when the group is missing.
inline std::string IconFileOfGroup(host::HMODULE module, const std::string& group) {
  const auto dir = host::FindResourceData(module, host::RT_GROUP_ICON, group);
  if (!dir || dir->size() < 6) return {};
  const size_t count = static_cast<unsigned char>((*dir)[4]);
  std::string head = std::string(dir->substr(0, 6)), images;
  for (size_t i = 0; i < count && 6 + 14 * (i + 1) <= dir->size(); ++i) {
    const std::string_view entry = dir->substr(6 + 14 * i, 14);
    const uint32_t id = static_cast<unsigned char>(entry[12]) |
                        static_cast<uint32_t>(static_cast<unsigned char>(entry[13])) << 8;
    std::string name = "#";  // appended: GCC 12 warns falsely on "#" + ... at -O3
    name += std::to_string(id);
    const auto image = host::FindResourceData(module, host::RT_ICON, name);
    if (!image) return {};
    head.append(entry.substr(0, 12));
    host::AppendUInt32LE(head, static_cast<uint32_t>(6 + 16 * count + images.size()));
    images.append(*image);
  }
  return head + images;
}

// The image icotool extracts from an icon file for the given size and bit depth
// (icotool -x --width --height --bit-depth); an empty image when it extracts
// none, with the tool's words in the failure.
inline Image IcotoolImage(const std::string& icon_file, int size, int depth) {
  const std::string out = icon_file + "." + std::to_string(size) + "x" + std::to_string(depth);
  const std::string sizes =
      " --width=" + std::to_string(size) + " --height=" + std::to_string(size);
  const ShellResult r = Shell("icotool -x" + sizes + " --bit-depth=" + std::to_string(depth) +
                                  " -o '" + out + ".png' '" + icon_file + "'",
                              out);
  if (r.exit != 0 || !std::filesystem::exists(out + ".png")) {
    ADD_FAILURE() << "icotool extracted no " << size << "x" << size << "x" << depth
                  << " image: " << r.err;
    return {};
  }
  return ReadPng(out + ".png");
}

}  // namespace fleetforge_test
