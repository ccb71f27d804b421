# The tests of the Windows build, run under Wine (CTest starts each program
# through the cross-compiling emulator, cmake/wine-run). Included from
# tests/CMakeLists.txt.
#
# Every test runs in the build's own Wine prefix (FLEETFORGE_WINE_PREFIX), made
# ready by the first test (wine_prefix), so that the tests never touch the
# user's ~/.wine and its registry.

# GoogleTest from Debian's sources (package googletest), built with the same
# compiler; its targets are GTest::gtest, GTest::gmock and GTest::gtest_main.
set(FLEETFORGE_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
if(NOT EXISTS ${FLEETFORGE_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "${FLEETFORGE_GOOGLETEST_SOURCE} is missing: install googletest")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${FLEETFORGE_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# The POSIX build's command, for the checks that compare the two builds.
set(FLEETFORGE_POSIX_CLI "" CACHE FILEPATH "The POSIX build's fleetforge, to compare with")

set(FLEETFORGE_TEST_ENVIRONMENT
  "WINEPREFIX=${FLEETFORGE_WINE_PREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
# Commands that run Wine's own programs (wineserver, wineboot, reg, the outside
# checks' scripts) run through cmake/wine-env, as the test programs do through
# cmake/wine-run, to be on the run's display.
set(FLEETFORGE_WINE_ENV ${PROJECT_SOURCE_DIR}/cmake/wine-env ${FLEETFORGE_WINE_PREFIX})

# An X display of the run's own (Xvfb, 1024x768, on a free display number), up
# before any Wine program of the run starts and stopped after the last: Wine's
# windows need one, also where the caller has none (CI), and the wine server's
# desktop lives on the display its first program saw, so that a server started
# without one leaves every later program without windows. cmake/test-display
# records it in FLEETFORGE_WINE_PREFIX.display, where cmake/wine-env finds it.
set(FLEETFORGE_TEST_DISPLAY ${FLEETFORGE_WINE_PREFIX}.display)
add_test(NAME test_display
  COMMAND ${PROJECT_SOURCE_DIR}/cmake/test-display start ${FLEETFORGE_TEST_DISPLAY})
set_tests_properties(test_display PROPERTIES FIXTURES_SETUP display TIMEOUT 60)
add_test(NAME test_display_end
  COMMAND ${PROJECT_SOURCE_DIR}/cmake/test-display stop ${FLEETFORGE_TEST_DISPLAY})
set_tests_properties(test_display_end PROPERTIES FIXTURES_CLEANUP display TIMEOUT 60)

# One wine server that stays up while the tests run, with Wine's services
# started under it once, so that each test program does not start them anew
# (Debian's wine starts its server to quit as soon as its last program ends).
# The server and the services keep no hold on the test's output, which CTest
# would wait for. Every program of the run shares one virtual desktop of the
# screen's size (HKCU\Software\Wine\Explorer), where each sees the others'
# windows and the work area is the whole screen; it is set before the server
# and its desktop start, as a desktop already up keeps its kind.
add_test(NAME wine_prefix COMMAND ${FLEETFORGE_WINE_ENV} sh -c "{ wineserver --kill; wineserver --wait; \
  wine reg add 'HKCU\\Software\\Wine\\Explorer' /v Desktop /d Default /f && \
  wine reg add 'HKCU\\Software\\Wine\\Explorer\\Desktops' /v Default /d 1024x768 /f && \
  wineserver --wait && wineserver --persistent=60 && wineboot --update; } </dev/null >/dev/null 2>&1")
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine FIXTURES_REQUIRED display
  ENVIRONMENT "${FLEETFORGE_TEST_ENVIRONMENT}" TIMEOUT 300)
# And the server ends with the tests.
add_test(NAME wine_server_end COMMAND ${FLEETFORGE_WINE_ENV} wineserver --kill)
set_tests_properties(wine_server_end PROPERTIES FIXTURES_CLEANUP wine FIXTURES_REQUIRED display
  ENVIRONMENT "${FLEETFORGE_TEST_ENVIRONMENT}" TIMEOUT 60)

# The test programs (tests/CMakeLists.txt): the folders whose tests apply to the
# Windows build (the command's own tests start it as a POSIX process; its
# Windows build is checked below), without the files that need POSIX: child
# processes, resource limits, file modes and the POSIX lock (the Windows lock and
# store have their own tests in tests/windows), and the pictures' tests, which
# read the pictures back through cairo (outside.pictures compares the Windows
# build's pictures with the POSIX build's).
list(APPEND FLEETFORGE_TEST_AREAS_LEFT_OUT cli)
set(FLEETFORGE_POSIX_ONLY_TESTS vcl/registry_test.cpp rtl/filelock_test.cpp rtl/textfile_test.cpp
    compdate/compdate_fpc_test.cpp compdate/compdate_command_test.cpp compdate/compdate_file_test.cpp
    ide/picture_test.cpp ide/tour_pictures_test.cpp)
set(FLEETFORGE_TEST_LIBRARIES version)
# (They need the display too, which they get through the wine fixture, whose
# setup requires it: gtest_discover_tests passes a property's first value only.)
set(FLEETFORGE_TEST_PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK registry)

# Checks by outside programs: objdump, icoutils, Wine's reg and regedit, Free
# Pascal, winlist on the run's desktop; the ones that compare with the POSIX
# build need FLEETFORGE_POSIX_CLI.
foreach(check exports icons registry regedit compdate same-state pictures desktop)
  add_test(NAME outside.${check}
    COMMAND ${FLEETFORGE_WINE_ENV} bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/outside_checks.sh
            ${check} $<TARGET_FILE_DIR:fleetforge> ${PROJECT_SOURCE_DIR} ${FLEETFORGE_POSIX_CLI})
  set_tests_properties(outside.${check} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300
    ENVIRONMENT "${FLEETFORGE_TEST_ENVIRONMENT}" FIXTURES_REQUIRED "display;wine"
    RESOURCE_LOCK "registry;desktop")
endforeach()

# The IDE on the system's own windows (tests/windows/system_windows.sh), and the
# timing of its layout tick there: one at a time on the run's desktop, where
# each activates windows.
foreach(check states judge person no-display)
  add_test(NAME system.${check}
    COMMAND ${FLEETFORGE_WINE_ENV} bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/system_windows.sh
            ${check} $<TARGET_FILE_DIR:fleetforge> ${PROJECT_SOURCE_DIR})
  set_tests_properties(system.${check} PROPERTIES TIMEOUT 300
    ENVIRONMENT "${FLEETFORGE_TEST_ENVIRONMENT}" FIXTURES_REQUIRED "display;wine"
    RESOURCE_LOCK desktop)
endforeach()
# The system's menu read in the IDE's own process, where its entries live.
add_executable(system_menu_test ${CMAKE_CURRENT_SOURCE_DIR}/windows/system/system_menu_test.cpp
               ${FLEETFORGE_IDE_RESOURCES})
target_link_libraries(system_menu_test PRIVATE fleetforge_ide GTest::gtest GTest::gtest_main)
target_compile_definitions(system_menu_test PRIVATE
  FLEETFORGE_PACKAGE_NAME="$<TARGET_FILE_NAME:Fleetforge7>")
add_dependencies(system_menu_test Fleetforge7)
add_test(NAME system.menu COMMAND system_menu_test)
set_tests_properties(system.menu PROPERTIES TIMEOUT 300
  ENVIRONMENT "${FLEETFORGE_TEST_ENVIRONMENT}" FIXTURES_REQUIRED "display;wine"
  RESOURCE_LOCK desktop)
add_test(NAME system.timing COMMAND window_timing 20)
set_tests_properties(system.timing PROPERTIES TIMEOUT 300
  ENVIRONMENT "${FLEETFORGE_TEST_ENVIRONMENT}" FIXTURES_REQUIRED "display;wine"
  RESOURCE_LOCK desktop)

# winlist judges the top-level windows of the run's desktop from a process of
# its own, as the user and other programs see them (tests/windows/judge).
add_executable(winlist ${CMAKE_CURRENT_SOURCE_DIR}/windows/judge/winlist.cpp)
target_link_libraries(winlist PRIVATE user32 gdi32 shell32)
