// winlist: judges the top-level windows of the desktop from another process, as
// the user and the other programs of the desktop see them, and acts on them as
// they would. A plain Win32 console program, built in the Windows build only.
//
//   winlist list [--pid PID]     one JSON object per window, front first
//   winlist workarea             the work area and the screen's metrics, as JSON
//   winlist move TITLE X Y       moves the window as a drag by the user would,
//                                and prints where it is right after: "X Y"
//   winlist close TITLE          posts WM_CLOSE, as the close box would
//   winlist activate TITLE       brings the window to the foreground (restoring
//                                it when iconic, as its task bar button would)
//   winlist controls TITLE       the window's child controls, one JSON object
//                                each: class, text, styles, screen rectangle,
//                                enabled and visible, a button's check state,
//                                a tab control's rows, an up-down's position
//   winlist other SECONDS        another application: a window of its own,
//                                in front, for SECONDS (or until closed)
//
// "list" shows the windows of other processes than winlist's own and than the
// system's shell (explorer, which draws the desktop), that are visible or have a
// title, without the input-method windows the system gives every GUI thread;
// --pid shows only that process's. TITLE is a window's whole title; when no
// window of another process has it, winlist says so and exits 1. Bad arguments
// exit 2 with the usage.
#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: winlist list [--pid PID] | workarea | move TITLE X Y | close TITLE | "
    "activate TITLE | other SECONDS | controls TITLE\n";
const wchar_t kOtherTitle[] = L"Another application";

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::string JsonString(const std::wstring& text) {
  std::string out = "\"";
  for (char c : Utf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonRect(const RECT& r) {
  return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
}

const char* JsonBool(bool value) {
  return value ? "true" : "false";
}

std::wstring Title(HWND window) {
  wchar_t buffer[512];
  int length = GetWindowTextW(window, buffer, 512);
  return std::wstring(buffer, static_cast<size_t>(length > 0 ? length : 0));
}

std::wstring ClassOf(HWND window) {
  wchar_t buffer[256];
  int length = GetClassNameW(window, buffer, 256);
  return std::wstring(buffer, static_cast<size_t>(length > 0 ? length : 0));
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

// Whether the process is the system's shell, whose windows are the desktop's.
bool IsShell(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return false;
  wchar_t path[MAX_PATH];
  DWORD size = MAX_PATH;
  bool shell = false;
  if (QueryFullProcessImageNameW(process, 0, path, &size)) {
    const wchar_t* name = std::wcsrchr(path, L'\\');
    shell = _wcsicmp(name ? name + 1 : path, L"explorer.exe") == 0;
  }
  CloseHandle(process);
  return shell;
}

// The top-level windows of other processes than this one and the shell, front
// first.
std::vector<HWND> OthersWindows() {
  std::vector<HWND> all;
  EnumWindows(
      [](HWND window, LPARAM found) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  std::vector<HWND> others;
  for (HWND window : all) {
    DWORD pid = ProcessOf(window);
    if (pid != GetCurrentProcessId() && !IsShell(pid)) others.push_back(window);
  }
  return others;
}

HWND FindByTitle(const std::wstring& title) {
  for (HWND window : OthersWindows()) {
    if (Title(window) == title) return window;
  }
  std::fprintf(stderr, "winlist: no window titled \"%s\"\n", Utf8(title).c_str());
  return nullptr;
}

bool ParseInt(const std::wstring& text, long& value) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  value = std::wcstol(text.c_str(), &end, 10);
  return *end == L'\0';
}

int List(DWORD only_pid) {
  HWND foreground = GetForegroundWindow();
  for (HWND window : OthersWindows()) {
    DWORD pid = ProcessOf(window);
    std::wstring title = Title(window);
    std::wstring class_name = ClassOf(window);
    bool visible = IsWindowVisible(window);
    if (only_pid ? pid != only_pid : !visible && title.empty()) continue;
    if (class_name == L"IME" || class_name == L"MSCTFIME UI") continue;
    RECT rect{};
    GetWindowRect(window, &rect);
    RECT region_box{};  // in the window's own coordinates; ERROR when it has no region
    std::string region =
        GetWindowRgnBox(window, &region_box) != ERROR ? JsonRect(region_box) : "null";
    LONG exstyle = GetWindowLongW(window, GWL_EXSTYLE);
    std::printf(
        "{\"title\":%s,\"class\":%s,\"pid\":%lu,\"rect\":%s,\"visible\":%s,\"iconic\":%s,"
        "\"zoomed\":%s,\"enabled\":%s,\"style\":%lu,\"exstyle\":%lu,\"topmost\":%s,"
        "\"region\":%s,\"foreground\":%s,\"menu\":%s}\n",
        JsonString(title).c_str(), JsonString(class_name).c_str(), static_cast<unsigned long>(pid),
        JsonRect(rect).c_str(), JsonBool(visible), JsonBool(IsIconic(window)),
        JsonBool(IsZoomed(window)), JsonBool(IsWindowEnabled(window)),
        static_cast<unsigned long>(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE))),
        static_cast<unsigned long>(static_cast<DWORD>(exstyle)), JsonBool(exstyle & WS_EX_TOPMOST),
        region.c_str(), JsonBool(window == foreground), JsonBool(GetMenu(window) != nullptr));
  }
  return 0;
}

int Controls(HWND window) {
  std::vector<HWND> children;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM found) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    const std::wstring class_name = ClassOf(child);
    std::string extra;
    if (class_name == L"Button") {
      extra = ",\"checked\":" + std::to_string(SendMessageW(child, BM_GETCHECK, 0, 0));
    } else if (class_name == L"SysTabControl32") {
      extra = ",\"rows\":" + std::to_string(SendMessageW(child, TCM_GETROWCOUNT, 0, 0));
    } else if (class_name == L"msctls_updown32") {
      // The messages without pointers: those are not carried to another process.
      const LRESULT range = SendMessageW(child, UDM_GETRANGE, 0, 0);
      extra = ",\"position\":" + std::to_string(SendMessageW(child, UDM_GETPOS32, 0, 0)) +
              ",\"range\":[" + std::to_string(static_cast<short>(HIWORD(range))) + "," +
              std::to_string(static_cast<short>(LOWORD(range))) + "]";
    }
    // WM_GETTEXT, which the system carries across: an edit keeps its text itself.
    wchar_t text[512];
    const LRESULT length = SendMessageW(child, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    RECT rect{};
    GetWindowRect(child, &rect);
    std::printf(
        "{\"class\":%s,\"text\":%s,\"style\":%lu,\"rect\":%s,\"enabled\":%s,"
        "\"visible\":%s%s}\n",
        JsonString(class_name).c_str(),
        JsonString(std::wstring(text, static_cast<size_t>(length > 0 ? length : 0))).c_str(),
        static_cast<unsigned long>(static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE))),
        JsonRect(rect).c_str(), JsonBool(IsWindowEnabled(child)), JsonBool(IsWindowVisible(child)),
        extra.c_str());
  }
  return 0;
}

int WorkArea() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  std::printf(
      "{\"workarea\":%s,\"screen\":[%d,%d],\"fullscreen\":[%d,%d],\"maximized\":[%d,%d],"
      "\"frame\":[%d,%d],\"minimized\":[%d,%d]}\n",
      JsonRect(work).c_str(), GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
      GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN),
      GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED),
      GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME), GetSystemMetrics(SM_CXMINIMIZED),
      GetSystemMetrics(SM_CYMINIMIZED));
  return 0;
}

// Brings the window to the foreground, as the user clicking it would.
bool BringToFront(HWND window) {
  SetForegroundWindow(window);
  for (int tries = 0; tries < 50 && GetForegroundWindow() != window; ++tries) Sleep(20);
  return GetForegroundWindow() == window;
}

LRESULT CALLBACK OtherProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wparam, lparam);
}

int Other(long seconds) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = OtherProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = L"WinlistOther";
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, window_class.lpszClassName, kOtherTitle, WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr,
                                window_class.hInstance, nullptr);
  if (!window) {
    std::fprintf(stderr, "winlist: cannot create a window (error %lu)\n", GetLastError());
    return 1;
  }
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  if (!BringToFront(window)) {
    std::fprintf(stderr, "winlist: \"Another application\" did not come to the foreground\n");
    DestroyWindow(window);
    return 1;
  }
  ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return 0;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    ULONGLONG now = GetTickCount64();
    if (now >= end) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
  DestroyWindow(window);
  return 0;
}

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv_w = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args(argv_w + 1, argv_w + argc);
  LocalFree(argv_w);
  if (args.empty()) return Usage();
  const std::wstring& command = args[0];
  long x = 0, y = 0, number = 0;
  if (command == L"list" && args.size() == 1) return List(0);
  if (command == L"list" && args.size() == 3 && args[1] == L"--pid" && ParseInt(args[2], number) &&
      number > 0) {
    return List(static_cast<DWORD>(number));
  }
  if (command == L"workarea" && args.size() == 1) return WorkArea();
  if (command == L"other" && args.size() == 2 && ParseInt(args[1], number) && number >= 0) {
    return Other(number);
  }
  if (command == L"move" && args.size() == 4 && ParseInt(args[2], x) && ParseInt(args[3], y)) {
    HWND window = FindByTitle(args[1]);
    if (!window) return 1;
    if (!SetWindowPos(window, nullptr, static_cast<int>(x), static_cast<int>(y), 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)) {
      std::fprintf(stderr, "winlist: SetWindowPos failed (error %lu)\n", GetLastError());
      return 1;
    }
    // Where the window is at once, before its owner's timers can answer.
    RECT rect{};
    GetWindowRect(window, &rect);
    std::printf("%ld %ld\n", rect.left, rect.top);
    return 0;
  }
  if ((command == L"close" || command == L"activate" || command == L"controls") &&
      args.size() == 2) {
    HWND window = FindByTitle(args[1]);
    if (!window) return 1;
    if (command == L"close") return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    if (command == L"controls") return Controls(window);
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    if (BringToFront(window)) return 0;
    std::fprintf(stderr, "winlist: the window did not come to the foreground\n");
    return 1;
  }
  return Usage();
}
