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

// How many of the folder's names are what writers leave beside their file while
// they write: locks and temporaries.
inline size_t Litter(const std::string& folder) {
  size_t count = 0;
  for (const std::string& name : FolderEntries(folder))
    count += name.find(".fleetforge") != std::string::npos;
  return count;
}

}  // namespace fleetforge_test
