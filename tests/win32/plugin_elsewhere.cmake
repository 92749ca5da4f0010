# kest-host loads a plug-in that lives in a folder of its own, with the framework
# DLLs beside it and none beside kest-host, as an installed host keeps plug-ins.
#   cmake -DEMULATOR=<wine...> -DHOST=<kest-host.exe> -DPLUGIN_FILES=<files...>
#         -DWORK=<scratch dir> -P plugin_elsewhere.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/host" "${WORK}/plugins")
file(COPY "${HOST}" DESTINATION "${WORK}/host")
file(COPY ${PLUGIN_FILES} DESTINATION "${WORK}/plugins")
get_filename_component(host_name "${HOST}" NAME)

execute_process(COMMAND ${EMULATOR} "${WORK}/host/${host_name}" --quiet --no-color
                        --plugin "${WORK}/plugins/Tavrin.dll"
                WORKING_DIRECTORY "${WORK}/host"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT "${out}${err}" MATCHES "0 failed; checks passed")
    message(FATAL_ERROR "kest-host with the plug-in in its own folder: exit ${status}\n${out}${err}")
endif()
message(STATUS "demo passed with the plug-in in ${WORK}/plugins")
