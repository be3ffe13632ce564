# Cross-compiling for Windows with mingw-w64, for the target that the including toolchain
# file names. The win32 thread-model compilers build everything, the shipped files and
# the tests alike: the POSIX thread runtime that the other compilers link into every
# program (for exceptions and thread-safe statics) imports functions that Windows XP and
# Server 2003 lack, and the program must start there. Their runtime has no std::thread or
# std::mutex; code that needs a thread or a lock uses Win32's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KESTRIN_MINGW_TARGET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${KESTRIN_MINGW_TARGET}-g++-win32)
set(CMAKE_RC_COMPILER ${KESTRIN_MINGW_TARGET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KESTRIN_MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
