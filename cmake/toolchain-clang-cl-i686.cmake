# Cross-compiling for 32-bit Windows in MSVC mode: clang-cl and lld-link (Debian
# clang-14, lld-14, llvm-14), the MSVC-compatible C and Windows headers from Wine
# (libwine-dev) and the C++ headers of libc++ (libc++-14-dev).
#
# This build proves the product's MSVC ABI: virtual tables, mangled names and the
# __thiscall member convention are those of Microsoft's compiler, and the project's
# if(MSVC) branches (/W4 /WX /permissive-, /Zc:threadSafeInit-) apply. Debian ships
# no C++ runtime for this ABI, so the DLLs link against a small stand-in runtime
# (tools/msvc/runtime) and import libraries made from .def files (tools/msvc/lib).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(KEST_MSVC_TARGET i686-pc-windows-msvc)
set(KEST_MSVC_TOOLS_DIR ${CMAKE_CURRENT_LIST_DIR}/../tools/msvc)
get_filename_component(KEST_MSVC_TOOLS_DIR ${KEST_MSVC_TOOLS_DIR} ABSOLUTE)

find_program(CMAKE_C_COMPILER NAMES clang-cl-14 clang-cl REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES clang-cl-14 clang-cl REQUIRED)
find_program(CMAKE_LINKER NAMES lld-link-14 lld-link REQUIRED)
find_program(CMAKE_AR NAMES llvm-lib-14 llvm-lib REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES llvm-rc-14 llvm-rc REQUIRED)
find_program(CMAKE_MT NAMES llvm-mt-14 llvm-mt)
find_program(KEST_LLVM_DLLTOOL NAMES llvm-dlltool-14 llvm-dlltool REQUIRED)
set(CMAKE_C_COMPILER_TARGET ${KEST_MSVC_TARGET})
set(CMAKE_CXX_COMPILER_TARGET ${KEST_MSVC_TARGET})

# The header folders, found where Debian puts them.
find_path(KEST_WINE_MSVCRT_INCLUDE_DIR corecrt.h PATHS /usr/include/wine/wine/msvcrt
          NO_DEFAULT_PATH REQUIRED)
find_path(KEST_WINE_WINDOWS_INCLUDE_DIR windows.h PATHS /usr/include/wine/wine/windows
          NO_DEFAULT_PATH REQUIRED)
find_path(KEST_LIBCXX_INCLUDE_DIR __config PATHS /usr/lib/llvm-14/include/c++/v1
          NO_DEFAULT_PATH REQUIRED)

# Search order: our override of Wine's winnt.h, libc++ (its C wrappers must come
# before the C headers they wrap), Wine's C runtime headers, Wine's Windows headers.
# /X keeps out whatever an INCLUDE variable in the environment would add. libc++
# is used for its headers only: no vcruntime, no visibility attributes, no
# #pragma comment(lib) of its own.
set(kest_msvc_flags
    "--target=${KEST_MSVC_TARGET} /X"
    "-imsvc ${KEST_MSVC_TOOLS_DIR}/include"
    "-imsvc ${KEST_LIBCXX_INCLUDE_DIR}"
    "-imsvc ${KEST_WINE_MSVCRT_INCLUDE_DIR}"
    "-imsvc ${KEST_WINE_WINDOWS_INCLUDE_DIR}"
    "-D_LIBCPP_NO_VCRUNTIME -D_LIBCPP_DISABLE_VISIBILITY_ANNOTATIONS -D_LIBCPP_NO_AUTO_LINK"
    # No run-time type information: nothing in the product asks for it.
    "/GR-")
list(JOIN kest_msvc_flags " " kest_msvc_flags)
set(CMAKE_C_FLAGS_INIT "${kest_msvc_flags}")
set(CMAKE_CXX_FLAGS_INIT "${kest_msvc_flags}")
set(CMAKE_RC_FLAGS_INIT "/X -I ${KEST_WINE_WINDOWS_INCLUDE_DIR} -I ${KEST_WINE_MSVCRT_INCLUDE_DIR}")

# The compiler checks must not link: the runtime that a link needs is built by the
# project itself.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Windows-MSVC.cmake sets the default libraries (kernel32.lib user32.lib ...) after
# this file has run, so they are replaced from a rules override, which runs later.
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/clang-cl-i686-rules.cmake)

# Tells the project to build and link the stand-in runtime.
set(KEST_MSVC_STANDIN_RUNTIME ON)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
