# Checks the layering drawn by the includes: the add-in's units never include
# the package that links them (nor the reference IDE, the command or the tests),
# and the host includes nothing of the add-in, the IDE or the command.
# Run: cmake -DSOURCE_DIR=<repo> -P check_layering.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(add_in_units global layout buttonbar compdate icon options)
# Each layer with the folders it must not include from.
set(layers add_in host)
set(add_in_folders ${add_in_units})
set(add_in_forbidden package ide cli tests)
set(host_folders host)
set(host_forbidden package ${add_in_units} ide cli tests)

set(violations "")
set(scanned 0)
foreach(layer ${layers})
  string(JOIN "|" forbidden ${${layer}_forbidden})
  foreach(folder ${${layer}_folders})
    file(GLOB_RECURSE sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
    foreach(source ${sources})
      math(EXPR scanned "${scanned} + 1")
      file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](${forbidden})/")
      foreach(line ${includes})
        file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
        string(STRIP "${line}" line)
        list(APPEND violations "${name}: ${line}")
      endforeach()
    endforeach()
  endforeach()
endforeach()

if(scanned EQUAL 0)
  message(FATAL_ERROR "no sources found below ${SOURCE_DIR}")
endif()
if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "includes across the layering:\n  ${text}")
endif()
message(STATUS "layering kept in ${scanned} files")
