// The system's Windows API, for the host's Windows back ends (*_win32.cpp) and
// the Windows build's own programs. Include it after the host's headers: it
// defines macros (TRUE, LoadLibrary, RT_RCDATA, ...) that would rename the
// host's own names declared after it.
#pragma once

#ifndef _WIN32
#error "host/rtl/winapi.h is for the Windows build only"
#endif

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX  // libstdc++ may have defined it
#define NOMINMAX
#endif
#include <windows.h>
