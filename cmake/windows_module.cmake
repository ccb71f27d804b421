# The package as a Windows DLL. Its export definitions and resource scripts are
# written by fleetforge_module_files (package/windows/module_files.cpp), which
# links the package's object files and runs under Wine at build time; the DLL
# links the same object files with those definitions, and windres compiles the
# resources into its resource section. The resource tables themselves are not
# part of the DLL.
enable_language(RC)
set(PACKAGE_RESOURCE_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/package/resources.cpp ${FORM_IMAGES_CPP})
list(REMOVE_ITEM PACKAGE_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/package/resources.cpp)
add_library(fleetforge_package_objects OBJECT ${PACKAGE_SOURCES})
target_link_libraries(fleetforge_package_objects PUBLIC fleetforge_host fleetforge_compdate_file)
set_target_properties(fleetforge_package_objects PROPERTIES
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

add_executable(fleetforge_module_files package/windows/module_files.cpp ${PACKAGE_RESOURCE_SOURCES}
  ${CMAKE_CURRENT_SOURCE_DIR}/ide/resources.cpp $<TARGET_OBJECTS:fleetforge_package_objects>)
target_link_libraries(fleetforge_module_files PRIVATE fleetforge_host fleetforge_compdate_file)

set(MODULE_FILES_DIR ${CMAKE_BINARY_DIR}/generated/module)
set(MODULE_FILES ${MODULE_FILES_DIR}/Fleetforge7.def ${MODULE_FILES_DIR}/Fleetforge7.rc
                 ${MODULE_FILES_DIR}/ide.rc)
add_custom_command(OUTPUT ${MODULE_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MODULE_FILES_DIR}
  COMMAND fleetforge_module_files ${MODULE_FILES_DIR}
  DEPENDS fleetforge_module_files
  COMMENT "Writing the package's export definitions and resource scripts" VERBATIM)
set_source_files_properties(${MODULE_FILES} PROPERTIES GENERATED TRUE)
set(FLEETFORGE_IDE_RESOURCES ${MODULE_FILES_DIR}/ide.rc)

add_library(Fleetforge7 SHARED $<TARGET_OBJECTS:fleetforge_package_objects>
  ${MODULE_FILES_DIR}/Fleetforge7.def ${MODULE_FILES_DIR}/Fleetforge7.rc)
