// The names in a folder, for tests that check what a write left behind.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fleetforge_test {

// The folder's entries, sorted, without "." and "..".
inline std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
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
