# Compiler settings shared by every target of the project.
#
# kest_target_defaults(<target>) gives a target the project's warnings and, when the
# build asks for them, sanitizers and coverage instrumentation. Every library,
# program and test is created through it, so that all of them get the same flags.

if(MSVC)
    set(KEST_WARNING_FLAGS /W4 /WX /permissive-)
else()
    set(KEST_WARNING_FLAGS -Wall -Wextra -Werror)
endif()

set(KEST_INSTRUMENT_COMPILE_FLAGS "")
set(KEST_INSTRUMENT_LINK_FLAGS "")
if(KEST_SANITIZE)
    if(MSVC)
        message(FATAL_ERROR "KEST_SANITIZE is for GCC and Clang builds")
    endif()
    list(APPEND KEST_INSTRUMENT_COMPILE_FLAGS -fsanitize=${KEST_SANITIZE} -fno-omit-frame-pointer
         -fno-sanitize-recover=all)
    list(APPEND KEST_INSTRUMENT_LINK_FLAGS -fsanitize=${KEST_SANITIZE})
endif()
if(KEST_BUILD_FUZZERS)
    # Coverage feedback for libFuzzer from every library the targets link, not only
    # from the fuzz programs themselves (which add -fsanitize=fuzzer at link time).
    list(APPEND KEST_INSTRUMENT_COMPILE_FLAGS -fsanitize=fuzzer-no-link)
    list(APPEND KEST_INSTRUMENT_LINK_FLAGS -fsanitize=fuzzer-no-link)
endif()
if(KEST_COVERAGE)
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        list(APPEND KEST_INSTRUMENT_COMPILE_FLAGS -fprofile-instr-generate -fcoverage-mapping)
        list(APPEND KEST_INSTRUMENT_LINK_FLAGS -fprofile-instr-generate)
    elseif(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        list(APPEND KEST_INSTRUMENT_COMPILE_FLAGS --coverage -O0)
        list(APPEND KEST_INSTRUMENT_LINK_FLAGS --coverage)
    endif()
endif()

function(kest_target_defaults target)
    target_compile_options(${target} PRIVATE ${KEST_WARNING_FLAGS} ${KEST_INSTRUMENT_COMPILE_FLAGS})
    target_link_options(${target} PRIVATE ${KEST_INSTRUMENT_LINK_FLAGS})
    if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
            # A shared object must resolve all its symbols at link time. Sanitizer
            # runtimes are only linked into executables, so skip it there.
            if(NOT KEST_SANITIZE)
                target_link_options(${target} PRIVATE -Wl,-z,defs)
            endif()
        endif()
    endif()
endfunction()

# kest_plugin_code(<target>) marks code that runs inside the host: on the host's one
# calling thread, one call at a time. Its function-local statics then need no
# thread-safe initialisation guard, so the plug-in uses no atomics or locks at all.
function(kest_plugin_code target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /Zc:threadSafeInit-)
    else()
        target_compile_options(${target} PRIVATE -fno-threadsafe-statics)
    endif()
endfunction()
