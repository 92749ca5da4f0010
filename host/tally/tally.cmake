# TSL UMD tally: the packet parser, the stream unwrapper and the inputs the packets
# set. Standard library only, a part of its own at the bottom of kest-host's order
# (host/README.md) so that the fuzz build can take it without the rest of kest-host.
if(TARGET kest_host_tally)
    return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../parts.cmake)

kest_host_part(kest_host_tally FOLDER tally SOURCES tsl_packet.cpp tsl_inputs.cpp tsl_feed.cpp)
