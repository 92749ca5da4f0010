# The host's readers of user-written text: the scenario language, the layout file and
# the panel's command texts. A library of their own, so that the fuzz build can take
# them without the rest of kest-host; kest-host links it into its core.
if(TARGET kest_host_parsers)
    return()
endif()

set(KEST_HOST_DIR ${CMAKE_CURRENT_LIST_DIR})
add_library(kest_host_parsers STATIC
    ${KEST_HOST_DIR}/common/printable.cpp
    ${KEST_HOST_DIR}/panel/layout.cpp
    ${KEST_HOST_DIR}/plugin/command_text.cpp
    ${KEST_HOST_DIR}/scenario/statement_reader.cpp
    ${KEST_HOST_DIR}/scenario/statement_table.cpp
    ${KEST_HOST_DIR}/scenario/scenario_parser.cpp
    ${KEST_HOST_DIR}/live/videohub_reader.cpp)
target_include_directories(kest_host_parsers PUBLIC ${KEST_HOST_DIR})
target_link_libraries(kest_host_parsers PUBLIC kest_script_helper kest_reply_ledger)
kest_target_defaults(kest_host_parsers)
