// Whether the system still holds a module in the process, for tests that check
// that an unload really unloads.
#pragma once

#include <filesystem>
#include <string>

#ifdef _WIN32
// Declared here rather than through <windows.h>, whose macros (LoadLibrary,
// DLL_PROCESS_ATTACH, TRUE, ...) would rename the host's own names in the tests.
struct HINSTANCE__;
extern "C" __declspec(dllimport) HINSTANCE__* __stdcall GetModuleHandleA(const char* name);
#else
#include <dlfcn.h>
#endif

namespace fleetforge_test {

inline bool ModuleIsLoaded(const std::string& file) {
#ifdef _WIN32
  // The system knows a loaded DLL by its file name.
  return ::GetModuleHandleA(std::filesystem::path(file).filename().string().c_str()) != nullptr;
#else
  void* module = ::dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (module != nullptr) ::dlclose(module);
  return module != nullptr;
#endif
}

}  // namespace fleetforge_test
