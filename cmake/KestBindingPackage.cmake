# The binding as a package that another panel builds against:
#
#   cmake --install <build> --prefix <dir>
#   find_package(kest_script_helper CONFIG REQUIRED)      # with <dir> in CMAKE_PREFIX_PATH
#   target_link_libraries(my_panel PRIVATE kest::script_helper)
#
# kest::script_helper is the static binding library; it brings kest::kest_string and
# kest::kest_config, the framework's shared libraries, with it. The headers land in
# include/kest, the static library and the Windows import libraries in lib, the
# package files in lib/cmake/kest_script_helper (component "development", which the
# runtime ZIP leaves out). The framework's shared libraries are installed once, in
# the shipped folder beside the plug-in (KEST_PACKAGE_DIR, component "runtime"),
# and the package points there.

include(CMakePackageConfigHelpers)

# The binding's own version, as its signature record in the plug-in states it.
set(KEST_SCRIPT_HELPER_VERSION 4.8.6.0)
set(KEST_PACKAGE_DIR . CACHE STRING "Folder, inside the install prefix, that gets everything")
set(kest_binding_config_dir lib/cmake/kest_script_helper)

install(TARGETS kest_string kest_config kest_script_helper
        EXPORT kest_script_helper_targets
        RUNTIME DESTINATION ${KEST_PACKAGE_DIR} COMPONENT runtime
        LIBRARY DESTINATION ${KEST_PACKAGE_DIR} COMPONENT runtime
        ARCHIVE DESTINATION lib COMPONENT development
        FILE_SET HEADERS DESTINATION include/kest COMPONENT development)

install(EXPORT kest_script_helper_targets
        NAMESPACE kest::
        FILE kest_script_helperTargets.cmake
        DESTINATION ${kest_binding_config_dir}
        COMPONENT development)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/kest_script_helperConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/kest_script_helperConfig.cmake
                              INSTALL_DESTINATION ${kest_binding_config_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/kest_script_helperConfigVersion.cmake
                                 VERSION ${KEST_SCRIPT_HELPER_VERSION}
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kest_script_helperConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/kest_script_helperConfigVersion.cmake
        DESTINATION ${kest_binding_config_dir}
        COMPONENT development)
