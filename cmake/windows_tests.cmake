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
# One wine server that stays up while the tests run, with Wine's services
# started under it once, so that each test program does not start them anew
# (Debian's wine starts its server to quit as soon as its last program ends).
# The server and the services keep no hold on the test's output, which CTest
# would wait for.
add_test(NAME wine_prefix COMMAND sh -c "{ wineserver --kill; wineserver --wait; \
  wineserver --persistent=60 && wineboot --update; } </dev/null >/dev/null 2>&1")
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine
  ENVIRONMENT "${FLEETFORGE_TEST_ENVIRONMENT}" TIMEOUT 300)
# And the server ends with the tests.
add_test(NAME wine_server_end COMMAND wineserver --kill)
set_tests_properties(wine_server_end PROPERTIES FIXTURES_CLEANUP wine
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
set(FLEETFORGE_TEST_PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK registry)

# Checks by outside programs: objdump, icoutils, Wine's reg and regedit, Free
# Pascal; the ones that compare with the POSIX build need FLEETFORGE_POSIX_CLI.
foreach(check exports icons registry regedit compdate same-state pictures)
  add_test(NAME outside.${check}
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows/outside_checks.sh ${check}
            $<TARGET_FILE_DIR:fleetforge> ${PROJECT_SOURCE_DIR} ${FLEETFORGE_POSIX_CLI})
  set_tests_properties(outside.${check} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300
    ENVIRONMENT "${FLEETFORGE_TEST_ENVIRONMENT}" FIXTURES_REQUIRED wine RESOURCE_LOCK registry)
endforeach()
