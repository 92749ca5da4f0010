# kest_host_part(<target> FOLDER <folder> [SOURCES <files...>] [USES <targets...>])
#
# One part of kest-host (see host/README.md): a library made of sources in host/<folder>,
# whose headers are found as "<folder>/name.h" by the part itself and by the parts
# that name it in USES, directly or through another part, and by nothing else. Each
# folder has an include root of its own in the build tree that holds only a link to
# the folder, so an include of a part that is not declared does not compile. A
# folder may hold more than one part (the readers of user-written text and the rest).
if(COMMAND kest_host_part)
    return()
endif()
set(KEST_HOST_DIR ${CMAKE_CURRENT_LIST_DIR})

function(kest_host_part target)
    cmake_parse_arguments(ARG "" "FOLDER" "SOURCES;USES" ${ARGN})
    set(root ${CMAKE_BINARY_DIR}/host/include/${ARG_FOLDER})
    if(NOT IS_SYMLINK ${root}/${ARG_FOLDER})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${KEST_HOST_DIR}/${ARG_FOLDER} ${root}/${ARG_FOLDER} SYMBOLIC)
    endif()
    if(ARG_SOURCES)
        list(TRANSFORM ARG_SOURCES PREPEND ${KEST_HOST_DIR}/${ARG_FOLDER}/)
        add_library(${target} STATIC ${ARG_SOURCES})
        target_include_directories(${target} PUBLIC ${root})
        target_link_libraries(${target} PUBLIC ${ARG_USES})
        kest_target_defaults(${target})
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${root})
        target_link_libraries(${target} INTERFACE ${ARG_USES})
    endif()
endfunction()
