# cmake -DBUILD_DIR=... -DWORK_DIR=... -DPANEL_SOURCE_DIR=... -DGENERATOR=...
#       -DCXX_COMPILER=... -DBUILD_TYPE=... [-DLINK_FLAGS=...] -P install_and_build.cmake
#
# Installs BUILD_DIR into WORK_DIR/prefix, configures and builds the probe panel
# against that prefix alone, and runs its host. Any failing step fails the test.
# LINK_FLAGS go to the probe's links: what an instrumented build's binding needs.

function(run what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
                    ERROR_VARIABLE out)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${what} failed (${status}):\n${out}")
    endif()
    message(STATUS "${what}: ok")
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(panel_build ${WORK_DIR}/panel)
file(REMOVE_RECURSE ${WORK_DIR})

run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(file include/kest/kest_script_helper.h include/kest/kest_string.h
        lib/cmake/kest_script_helper/kest_script_helperConfig.cmake
        lib/cmake/kest_script_helper/kest_script_helperConfigVersion.cmake)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "install: ${file} is missing")
    endif()
endforeach()

# Only the installed prefix is searched: the probe must not find this source tree.
run("configure" ${CMAKE_COMMAND} -S ${PANEL_SOURCE_DIR} -B ${panel_build} -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
    -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF
    "-DCMAKE_EXE_LINKER_FLAGS=${LINK_FLAGS}" "-DCMAKE_SHARED_LINKER_FLAGS=${LINK_FLAGS}")
run("build" ${CMAKE_COMMAND} --build ${panel_build})
run("probe" ${panel_build}/probe_host)
