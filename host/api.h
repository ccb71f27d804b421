// Visibility of the host library's interface. The package module is built with
// hidden visibility; everything the host offers it is marked HOST_API so that one
// definition (and one type identity) is shared by the IDE and every package.
#pragma once

#ifdef _WIN32
// The host DLL exports every symbol it defines (the linker's auto-export), and
// the modules that use it import them the same way.
#define HOST_API
#else
#define HOST_API __attribute__((visibility("default")))
#endif
