#include "bench/windows/topmost_call.h"

#include <windows.h>

#include <chrono>
#include <vector>

namespace fleetforge_bench {
namespace {

void ReadEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

}  // namespace

std::vector<double> TopMostCallNs(int calls) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = instance;
  window_class.lpszClassName = L"FleetforgeTopMostTiming";
  RegisterClassW(&window_class);
  const HWND window =
      CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, window_class.lpszClassName, L"", WS_POPUP,
                      0, 0, 60, 20, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return {};
  ShowWindow(window, SW_SHOWNOACTIVATE);
  ReadEvents();
  std::vector<double> samples;
  for (int i = 0; i < calls; ++i) {
    const auto start = std::chrono::steady_clock::now();
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    samples.push_back(
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count());
    ReadEvents();
  }
  DestroyWindow(window);
  UnregisterClassW(window_class.lpszClassName, instance);
  return samples;
}

}  // namespace fleetforge_bench
