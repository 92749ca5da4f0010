# The TSL GPI device's sockets, on the host's Boost.Asio event loop. Only where the
# Boost headers are found (the Windows cross build may have none).
if(TARGET kest_host_tsl_link)
    return()
endif()
find_package(Boost 1.74 QUIET)
if(NOT Boost_FOUND)
    message(STATUS "kest-host: no Boost headers, TSL GPI devices left out")
    return()
endif()
add_library(kest_host_tsl_link STATIC ${CMAKE_CURRENT_LIST_DIR}/tsl_listener.cpp)
target_link_libraries(kest_host_tsl_link PUBLIC kest_host_tally Boost::headers)
kest_target_defaults(kest_host_tsl_link)
