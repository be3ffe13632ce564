# Cross-compiling for Windows with mingw-w64, for the target that the including toolchain
# file names. KESTRIN_THREAD_MODEL picks the compilers: posix (the default, with
# std::thread and std::mutex, which GoogleTest needs) or win32 (no POSIX thread runtime,
# and so nothing newer than XP imported: the shipped program is built with these).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT KESTRIN_THREAD_MODEL)
    set(KESTRIN_THREAD_MODEL posix)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KESTRIN_THREAD_MODEL)
set(CMAKE_C_COMPILER ${KESTRIN_MINGW_TARGET}-gcc-${KESTRIN_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${KESTRIN_MINGW_TARGET}-g++-${KESTRIN_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${KESTRIN_MINGW_TARGET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KESTRIN_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
