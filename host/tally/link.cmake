# The TSL GPI device's sockets, on the host's Boost.Asio event loop (Debian
# libboost-dev, header-only). Left out where the Boost headers are not found, or in
# the Windows cross build.
if(TARGET kest_host_tsl_link)
    return()
endif()
find_package(Boost 1.71 QUIET)
if(NOT Boost_FOUND OR CMAKE_CROSSCOMPILING)
    message(STATUS "kest-host: no Boost.Asio, TSL GPI devices left out")
    return()
endif()
# The sockets and the feed alone (no simulated world), and the device that ties them
# to a GPI device of the world: tally/ sits above world/ (host/README.md).
kest_host_part(kest_host_tsl_link FOLDER tally SOURCES tsl_listener.cpp
    USES kest_host_common kest_host_tally Boost::headers)
kest_host_part(kest_host_tsl_device FOLDER tally SOURCES tsl_gpi_device.cpp
    USES kest_host_tsl_link kest_host_world)
