# Rules override of cmake/toolchain-clang-cl-i686.cmake, read after CMake's
# Windows-MSVC.cmake has set its defaults.
#
# No default libraries: kernel32.lib and the C runtime come as import libraries that
# the project makes itself (tools/msvc/lib), together with the stand-in runtime.
foreach(lang C CXX)
    set(CMAKE_${lang}_STANDARD_LIBRARIES_INIT "")
endforeach()
