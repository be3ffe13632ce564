# Cross-compiling for x86 Windows with mingw-w64. KESTRIN_THREAD_MODEL picks the
# compilers: posix (the default, with std::thread and std::mutex, which GoogleTest
# needs) or win32 (no POSIX thread runtime, and so nothing newer than XP imported:
# the shipped program is built with these).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
if(NOT KESTRIN_THREAD_MODEL)
    set(KESTRIN_THREAD_MODEL posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KESTRIN_THREAD_MODEL)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${KESTRIN_THREAD_MODEL})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${KESTRIN_THREAD_MODEL})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
