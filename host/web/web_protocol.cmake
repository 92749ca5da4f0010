# The browser panel's wire (the request guard, the page's messages, the request
# reader) and, above it, its server, with no host part below, so that the fuzz
# build can take the wire without the rest of kest-host or the server. Boost.Beast
# is header-only (Debian libboost-dev); native builds only: the cross build has no
# Boost, and its kest-host says so when --web is asked for.
if(TARGET kest_host_web_protocol)
    return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../parts.cmake)

find_package(Boost 1.74 QUIET)
if(NOT Boost_FOUND OR CMAKE_CROSSCOMPILING)
    message(STATUS "Boost not found (or a cross build): kest-host is built without --web")
    return()
endif()

kest_host_part(kest_host_web_protocol FOLDER web
    SOURCES web_guard.cpp web_message.cpp web_request.cpp
    USES Boost::headers)
kest_host_part(kest_host_web_server FOLDER web
    SOURCES web_server.cpp
    USES kest_host_web_protocol)
