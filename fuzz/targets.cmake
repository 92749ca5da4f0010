# The fuzz targets, described once for the two ways they are built: as libFuzzer
# programs (fuzz/CMakeLists.txt, the fuzz preset) and as corpus replays in the
# normal test suite (tests/fuzz/CMakeLists.txt).
#
# kest_fuzz_target_sources(<target> <out-var-sources> <out-var-libs> <out-var-includes>)

set(KEST_FUZZ_DIR ${PROJECT_SOURCE_DIR}/fuzz)
set(KEST_FUZZ_TARGETS parsed_request decode_kest_string tavrin_panel scenario_parser layout_parser
                      command_text videohub_reader tsl_packet plugin_version)
# The host's readers of user-written text, without the rest of kest-host.
set(KEST_FUZZ_HOST_TARGETS scenario_parser layout_parser command_text videohub_reader
                           plugin_version)
include(${PROJECT_SOURCE_DIR}/host/parsers.cmake)
include(${PROJECT_SOURCE_DIR}/host/tally/tally.cmake)
# The browser panel's server reads requests and frames from strangers (needs Boost).
include(${PROJECT_SOURCE_DIR}/host/web/web_protocol.cmake)
if(TARGET kest_host_web_protocol)
    list(APPEND KEST_FUZZ_TARGETS web_request)
endif()

function(kest_fuzz_target_sources target sources libs includes)
    set(src ${KEST_FUZZ_DIR}/${target}_fuzzer.cpp)
    set(lib kest_script_helper kest_reply_ledger)
    set(inc ${KEST_FUZZ_DIR})
    if(target STREQUAL "tavrin_panel")
        # The panel is linked in rather than loaded, so that the harness can subclass
        # it and switch on the base class's alarm take-over.
        set(lib tavrin_panel kest_reply_ledger)
    elseif(target IN_LIST KEST_FUZZ_HOST_TARGETS)
        set(lib kest_host_parsers)
    elseif(target STREQUAL "tsl_packet")
        set(lib kest_host_tally)
    elseif(target STREQUAL "web_request")
        set(lib kest_host_web_protocol)
    endif()
    set(${sources} ${src} PARENT_SCOPE)
    set(${libs} ${lib} PARENT_SCOPE)
    set(${includes} ${inc} PARENT_SCOPE)
endfunction()
