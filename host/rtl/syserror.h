// The Windows system's own text for an error code (GetLastError, or the result
// of a registry call): FormatMessage's text without its line end and closing
// period ("Access denied"), or "Error <code>" when the system has none. Windows
// only (syserror_win32.cpp); the POSIX code reports errno texts.
#pragma once

#include <cstdint>

#include "host/rtl/sysutils.h"

namespace host {

HOST_API AnsiString WindowsErrorMessage(uint32_t code);

}  // namespace host
