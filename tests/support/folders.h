// The names in a folder, for tests that check what a write left behind.
#pragma once

#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

namespace fleetforge_test {

// The folder's entries, sorted, without "." and "..".
inline std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace fleetforge_test
