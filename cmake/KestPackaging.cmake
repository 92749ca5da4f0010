# What ships. Each build makes one package, named for what it is for:
#
#   MSVC mode (win32-msvc, win32-vs)   Tavrin-<version>-win32.zip: the product, for
#       the broadcast host, whose own framework DLLs are built with Visual C++ and
#       export MSVC names. The MSVC-ABI Tavrin.dll, its layout file and the
#       installation notes (packaging/INSTALL.txt), and nothing else: the host has
#       its own framework DLLs, and ours must never replace them.
#   MinGW (win32)   kest-host-<version>-win32.zip: for trying the panel on Windows
#       without the broadcast system. kest-host.exe, the MinGW build of the plug-in
#       and our stand-in framework DLLs, which only fit each other, with the
#       scenarios and notes saying so (packaging/kest-host.txt, as README.txt).
#   native   Tavrin-<version>-<system>.zip: the same for trying it on this system.
#
#   cmake --install <build> --prefix <dir> --strip   the folder
#   cpack --config <build>/CPackConfig.cmake         the same folder as a ZIP
#   cmake --build <build> --target debug_files       the debug information, apart
#
# The ZIP's programs and libraries carry no debug information: GCC's are stripped
# (the debug sections the static runtime libraries bring along more than double a
# DLL's size), and in MSVC mode it goes to a PDB file. It goes into a second ZIP
# beside the package instead: one <binary>.debug per binary, made with objcopy
# --only-keep-debug, for gdb's `symbol-file`, or the PDB files for a Windows
# debugger.
#
# Only targets that exist in the current build are installed (the fuzz and bench
# presets build no host, for example). The framework libraries are installed with
# the binding's package (KestBindingPackage.cmake, included first), into the same
# folder, KEST_PACKAGE_DIR, except in the MSVC-mode package.

if(MSVC)
    set(kest_package_kind product)
elseif(WIN32)
    set(kest_package_kind trial)
else()
    set(kest_package_kind native)
endif()

if(kest_package_kind STREQUAL "product")
    # The product alone, as its own component: the binding's runtime component
    # carries the framework DLLs.
    install(TARGETS Tavrin RUNTIME DESTINATION ${KEST_PACKAGE_DIR} COMPONENT product)
    install(FILES ${PROJECT_SOURCE_DIR}/panels/Vesk/Tavrin/LD_Auto.kest_ui
                  ${PROJECT_SOURCE_DIR}/packaging/INSTALL.txt
            DESTINATION ${KEST_PACKAGE_DIR} COMPONENT product)
    set(kest_shipped_targets Tavrin)
    set(kest_package_component product)
    set(kest_package_title Tavrin)
else()
    set(kest_package_component runtime)
    if(kest_package_kind STREQUAL "trial")
        set(kest_package_title kest-host)
    else()
        set(kest_package_title Tavrin)
    endif()
    set(kest_shipped_targets Tavrin kest_string kest_config)
    if(TARGET kest-host)
        list(APPEND kest_shipped_targets kest-host)
    endif()

    # The libraries sit beside the programs, as they do in the build: on Windows that is
    # how a program finds its DLLs, elsewhere the run path says so.
    if(NOT WIN32)
        set_target_properties(${kest_shipped_targets} PROPERTIES INSTALL_RPATH "$ORIGIN")
    endif()

    # The plug-in is loaded by name and the host is a program: neither has an import
    # library worth shipping.
    list(REMOVE_ITEM kest_shipped_targets kest_string kest_config)
    install(TARGETS ${kest_shipped_targets}
            RUNTIME DESTINATION ${KEST_PACKAGE_DIR} COMPONENT runtime
            LIBRARY DESTINATION ${KEST_PACKAGE_DIR} COMPONENT runtime
            ARCHIVE DESTINATION lib COMPONENT development EXCLUDE_FROM_ALL)

    install(FILES ${PROJECT_SOURCE_DIR}/panels/Vesk/Tavrin/LD_Auto.kest_ui
            DESTINATION ${KEST_PACKAGE_DIR} COMPONENT runtime)

    if(TARGET kest-host AND EXISTS ${PROJECT_SOURCE_DIR}/scenarios)
        install(DIRECTORY ${PROJECT_SOURCE_DIR}/scenarios/
                DESTINATION ${KEST_PACKAGE_DIR}/scenarios COMPONENT runtime)
    endif()

    install(FILES ${PROJECT_SOURCE_DIR}/packaging/kest-host.txt
            DESTINATION ${KEST_PACKAGE_DIR} RENAME README.txt COMPONENT runtime)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${kest_package_title})
set(CPACK_PACKAGE_VENDOR Vesk)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(WIN32)
    set(CPACK_SYSTEM_NAME win32)
else()
    string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" CPACK_SYSTEM_NAME)
endif()
set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME}")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
# The ZIP holds one component (the product, or what trying the panel needs), in one
# package of the usual name, never the development files of the binding.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL ${kest_package_component})
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_STRIP_FILES ON)
set(kest_package_name ${CPACK_PACKAGE_FILE_NAME})  # include(CPack) changes it
set(kest_package_dir ${CPACK_PACKAGE_DIRECTORY})
include(CPack)

if(kest_package_kind STREQUAL "product")
    # The PDB of the plug-in; the DLL names it without the build's folder.
    target_compile_options(Tavrin PRIVATE /Z7)
    target_compile_options(tavrin_panel PRIVATE /Z7)
    target_compile_options(kest_script_helper PRIVATE /Z7)
    target_link_options(Tavrin PRIVATE /DEBUG /PDBALTPATH:%_PDB%)
    set(kest_debug_dir ${CMAKE_BINARY_DIR}/debug/${kest_package_name}-debug)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/debug)
    add_custom_target(debug_files
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${kest_debug_dir}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${kest_debug_dir} ${kest_package_dir}
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_PDB_FILE:Tavrin> ${kest_debug_dir}
        COMMAND ${CMAKE_COMMAND} -E tar cf
                ${kest_package_dir}/${kest_package_name}-debug.zip --format=zip
                ${kest_package_name}-debug/$<TARGET_PDB_FILE_NAME:Tavrin>
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/debug
        DEPENDS Tavrin
        COMMENT "Debug information beside the package: ${kest_package_name}-debug.zip"
        VERBATIM)
elseif(kest_shipped_targets AND CMAKE_OBJCOPY)
    set(kest_debug_dir ${CMAKE_BINARY_DIR}/debug/${kest_package_name}-debug)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/debug)
    set(kest_debug_commands "")
    set(kest_debug_files "")
    foreach(target IN LISTS kest_shipped_targets)
        list(APPEND kest_debug_commands
             COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}>
                     ${kest_debug_dir}/$<TARGET_FILE_NAME:${target}>.debug)
        list(APPEND kest_debug_files
             ${kest_package_name}-debug/$<TARGET_FILE_NAME:${target}>.debug)
    endforeach()
    add_custom_target(debug_files
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${kest_debug_dir}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${kest_debug_dir} ${kest_package_dir}
        ${kest_debug_commands}
        COMMAND ${CMAKE_COMMAND} -E tar cf
                ${kest_package_dir}/${kest_package_name}-debug.zip --format=zip
                ${kest_debug_files}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/debug
        DEPENDS ${kest_shipped_targets}
        COMMENT "Debug information beside the package: ${kest_package_name}-debug.zip"
        VERBATIM)
endif()
