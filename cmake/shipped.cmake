# kestrin.exe and its language libraries are built apart, with the win32 thread-model
# compilers: the POSIX thread runtime that the other compilers link into every program
# (for exceptions and thread-safe statics) imports functions that Windows XP and Server
# 2003 lack, and the program must start there. The tests, which need std::mutex, keep
# the POSIX compilers and take the shipped files from KESTRIN_BIN_DIR.
include(ExternalProject)

set(shipped_files ${KESTRIN_BIN_DIR}/kestrin.exe)
foreach(code IN LISTS KESTRIN_LANGUAGES)
    list(APPEND shipped_files ${KESTRIN_BIN_DIR}/rc_${code}.dll)
endforeach()

ExternalProject_Add(kestrin_shipped
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/shipped
    CMAKE_ARGS -G Ninja
               -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
               -DKESTRIN_THREAD_MODEL=win32
               -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
               -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
               -DKESTRIN_WERROR=${KESTRIN_WERROR}
               -DKESTRIN_SHIPPED_ONLY=ON
               -DKESTRIN_BIN_DIR=${KESTRIN_BIN_DIR}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${shipped_files})

# The shipped files as targets of this build, so that tests and packaging can name them.
add_executable(kestrin IMPORTED GLOBAL)
set_target_properties(kestrin PROPERTIES IMPORTED_LOCATION ${KESTRIN_BIN_DIR}/kestrin.exe)
add_dependencies(kestrin kestrin_shipped)
foreach(code IN LISTS KESTRIN_LANGUAGES)
    add_library(rc_${code} SHARED IMPORTED GLOBAL)
    set_target_properties(rc_${code} PROPERTIES IMPORTED_LOCATION ${KESTRIN_BIN_DIR}/rc_${code}.dll)
    add_dependencies(rc_${code} kestrin_shipped)
endforeach()
