# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the POSIX thread
# model, which C++'s threads and mutexes need). Programs built here run under
# Wine: CTest and the build's own generator steps start them through
# cmake/wine-run, in a Wine prefix of the build's own (cmake/windows.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(FLEETFORGE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FLEETFORGE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FLEETFORGE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${FLEETFORGE_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${FLEETFORGE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
