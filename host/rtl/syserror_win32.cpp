#include "host/rtl/syserror.h"

#include "host/rtl/winapi.h"

namespace host {

AnsiString WindowsErrorMessage(uint32_t code) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  AnsiString message = length > 0 && text != nullptr ? AnsiString(text, length) : AnsiString();
  if (text != nullptr) ::LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "Error " + std::to_string(code) : message;
}

}  // namespace host
