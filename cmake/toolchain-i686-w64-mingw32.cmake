# Cross-compiling for 32-bit Windows with MinGW-w64 (Debian g++-mingw-w64-i686).
#
# Everything built here runs on Windows with nothing beyond Windows' own DLLs and
# the project's kest_string.dll and kest_config.dll: the GCC runtime is linked
# statically into every DLL and program. Programs and tests run under Wine through
# CMAKE_CROSSCOMPILING_EMULATOR, so CTest drives them as it does natively.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(KEST_MINGW_TRIPLE i686-w64-mingw32)

# The posix thread model: with GCC 12 only it has std::mutex and std::thread, which
# GoogleTest needs (the plug-in itself uses no threads).
find_program(CMAKE_C_COMPILER NAMES ${KEST_MINGW_TRIPLE}-gcc-posix ${KEST_MINGW_TRIPLE}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KEST_MINGW_TRIPLE}-g++-posix ${KEST_MINGW_TRIPLE}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KEST_MINGW_TRIPLE}-windres windres REQUIRED)
find_program(KEST_MINGW_OBJDUMP NAMES ${KEST_MINGW_TRIPLE}-objdump)
# The package ships stripped binaries, and keeps their debug information apart.
find_program(CMAKE_STRIP NAMES ${KEST_MINGW_TRIPLE}-strip)
find_program(CMAKE_OBJCOPY NAMES ${KEST_MINGW_TRIPLE}-objcopy)

set(CMAKE_FIND_ROOT_PATH /usr/${KEST_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The GCC runtime goes into each binary. The posix thread model also pulls in
# libwinpthread-1.dll, which -static avoids (Windows' DLLs exist only as import
# libraries and ours are linked by full path, so both stay dynamic).
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -v ERROR_VARIABLE kest_mingw_version
                OUTPUT_QUIET)
set(kest_mingw_runtime_flags "-static-libgcc -static-libstdc++")
if(kest_mingw_version MATCHES "Thread model: posix")
    string(APPEND kest_mingw_runtime_flags " -static")
endif()
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "${kest_mingw_runtime_flags}")
endforeach()

# Win32 programs run under Wine, when it is installed; without it the build, the
# package and the tests labelled "static" still work. Unless the configuring environment chose otherwise,
# Wine stays quiet (its diagnostics would mix with the programs' own output) and
# does not offer to install its .NET and HTML runtimes.
find_program(KEST_WINE NAMES wine wine-stable)
if(KEST_WINE)
    if(DEFINED ENV{WINEDEBUG})
        set(kest_winedebug "$ENV{WINEDEBUG}")
    else()
        set(kest_winedebug "-all")
    endif()
    if(DEFINED ENV{WINEDLLOVERRIDES})
        set(kest_winedlloverrides "$ENV{WINEDLLOVERRIDES}")
    else()
        set(kest_winedlloverrides "mscoree,mshtml=")
    endif()
    set(CMAKE_CROSSCOMPILING_EMULATOR
        /usr/bin/env "WINEDEBUG=${kest_winedebug}"
        "WINEDLLOVERRIDES=${kest_winedlloverrides}" ${KEST_WINE})
endif()
