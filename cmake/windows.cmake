# Set-up of the Windows build (mingw-w64, see cmake/mingw-w64-x86_64.cmake).

# The build's programs (the generator of the module's definitions, test
# discovery, the tests) run under Wine in a prefix of the build's own, so that
# nothing touches the user's ~/.wine and its registry.
set(FLEETFORGE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_SOURCE_DIR}/cmake/wine-run ${FLEETFORGE_WINE_PREFIX})

# nlohmann-json and CLI11 are header-only; Debian installs them for the build
# machine only. Their headers are used from there, through a folder that holds
# just them, so that no other header of the build machine reaches the Windows
# compiler.
set(FLEETFORGE_HEADER_ONLY_DIR ${CMAKE_BINARY_DIR}/header-only)
foreach(header_dir nlohmann CLI)
  if(NOT EXISTS /usr/include/${header_dir})
    message(FATAL_ERROR "/usr/include/${header_dir} is missing: install nlohmann-json3-dev and libcli11-dev")
  endif()
  file(MAKE_DIRECTORY ${FLEETFORGE_HEADER_ONLY_DIR})
  file(CREATE_LINK /usr/include/${header_dir} ${FLEETFORGE_HEADER_ONLY_DIR}/${header_dir} SYMBOLIC)
endforeach()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${FLEETFORGE_HEADER_ONLY_DIR})
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${FLEETFORGE_HEADER_ONLY_DIR})

# Every program and DLL in one folder, with the compiler's run-time DLLs
# beside them, so that Windows (and Wine) finds them all.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
foreach(runtime_dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime_dll}
                  OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${runtime_path}")
    message(FATAL_ERROR "The compiler's ${runtime_dll} was not found")
  endif()
  file(COPY ${runtime_path} DESTINATION ${CMAKE_BINARY_DIR}/bin)
endforeach()
