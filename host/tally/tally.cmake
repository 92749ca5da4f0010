# TSL UMD tally: the packet parser, the stream unwrapper and the inputs the packets
# set. Standard library only, a library of its own so that the fuzz build can take it
# without the rest of kest-host.
if(TARGET kest_host_tally)
    return()
endif()

add_library(kest_host_tally STATIC
    ${CMAKE_CURRENT_LIST_DIR}/tsl_packet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tsl_inputs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tsl_feed.cpp)
target_include_directories(kest_host_tally PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
kest_target_defaults(kest_host_tally)
