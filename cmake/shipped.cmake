# kestrin.exe and its language libraries are built apart, with the win32 thread-model
# compilers: the POSIX thread runtime that the other compilers link into every program
# (for exceptions and thread-safe statics) imports functions that Windows XP and Server
# 2003 lack, and the program must start there. The tests, which need std::mutex, keep
# the POSIX compilers and take the shipped files from KESTRIN_BIN_DIR.
include(ExternalProject)

# The shipped files in `dir`: the program and a library per language.
function(kestrin_shipped_files out dir)
    set(files ${dir}/kestrin.exe)
    foreach(code IN LISTS KESTRIN_LANGUAGES)
        list(APPEND files ${dir}/rc_${code}.dll)
    endforeach()
    set(${out} ${files} PARENT_SCOPE)
endfunction()

# A build of the shipped files alone, into `dir`, with the compilers of `toolchain`; given
# a `bench_dir`, it builds ./bench.sh's bare dialog program there too, the same way.
function(kestrin_shipped_build name toolchain dir)
    kestrin_shipped_files(files ${dir})
    set(bench_dir "${ARGN}")
    if(bench_dir)
        list(APPEND files ${bench_dir}/bare_dialog.exe)
    endif()
    ExternalProject_Add(${name}
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${CMAKE_BINARY_DIR}/${name}
        CMAKE_ARGS -G Ninja
                   -DCMAKE_TOOLCHAIN_FILE=${toolchain}
                   -DKESTRIN_THREAD_MODEL=win32
                   -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
                   -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
                   -DKESTRIN_WERROR=${KESTRIN_WERROR}
                   -DKESTRIN_SHIPPED_ONLY=ON
                   -DKESTRIN_BIN_DIR=${dir}
                   -DKESTRIN_BENCH_DIR=${bench_dir}
        BUILD_ALWAYS ON
        INSTALL_COMMAND ""
        BUILD_BYPRODUCTS ${files})
endfunction()

kestrin_shipped_files(shipped_files ${KESTRIN_BIN_DIR})
kestrin_shipped_build(kestrin_shipped ${CMAKE_TOOLCHAIN_FILE} ${KESTRIN_BIN_DIR} ${CMAKE_BINARY_DIR}/bench)

# The 64-bit program goes into the release archive too, in x64\ beside the 32-bit one,
# which hands a run over to it on 64-bit Windows: the 32-bit tree builds it as well, in a
# build of its own, unless it is given the shipped files of a 64-bit tree of the same
# sources (./test.sh gives it the win64 preset's).
set(KESTRIN_X64_BIN_DIR "" CACHE PATH "The shipped files of a 64-bit tree, for a 32-bit tree's archive")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(shipped_x64_dir ${KESTRIN_X64_BIN_DIR})
    if(NOT shipped_x64_dir)
        set(shipped_x64_dir ${KESTRIN_BIN_DIR}/x64)
        kestrin_shipped_build(kestrin_shipped_x64 ${PROJECT_SOURCE_DIR}/cmake/mingw-x86_64.cmake ${shipped_x64_dir})
    endif()
    kestrin_shipped_files(shipped_x64_files ${shipped_x64_dir})
endif()

# The shipped files as targets of this build, so that tests and packaging can name them.
add_executable(kestrin IMPORTED GLOBAL)
set_target_properties(kestrin PROPERTIES IMPORTED_LOCATION ${KESTRIN_BIN_DIR}/kestrin.exe)
add_dependencies(kestrin kestrin_shipped)
foreach(code IN LISTS KESTRIN_LANGUAGES)
    add_library(rc_${code} SHARED IMPORTED GLOBAL)
    set_target_properties(rc_${code} PROPERTIES IMPORTED_LOCATION ${KESTRIN_BIN_DIR}/rc_${code}.dll)
    add_dependencies(rc_${code} kestrin_shipped)
endforeach()

# The shipped files must start on Windows XP SP3 (32-bit) and on XP x64 / Server 2003 SP2
# (64-bit): every function they import is checked against what those systems export, and
# every DLL against those Windows always takes from its own folder.
find_package(Python3 3.8 COMPONENTS Interpreter REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(shipped_arch x64)
else()
    set(shipped_arch x86)
endif()
set(shipped_check ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tests/shipped/check-imports.py)
set(shipped_exports ${PROJECT_SOURCE_DIR}/tests/shipped/xp-exports.txt)
add_test(NAME shipped.xp_imports
         COMMAND ${shipped_check} ${CMAKE_OBJDUMP} ${shipped_exports} ${shipped_arch} ${shipped_files})
# The program's size, stripped and before signing, at most 340 KB for the 64-bit
# kestrin.exe and 400 KB for the 32-bit one (1 KB = 1000 bytes).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(shipped_size_limit 340000)
else()
    set(shipped_size_limit 400000)
endif()
add_test(NAME shipped.size
         COMMAND ${CMAKE_COMMAND} -DLIMIT=${shipped_size_limit} -DFILES=${KESTRIN_BIN_DIR}/kestrin.exe
                 -P ${PROJECT_SOURCE_DIR}/tests/shipped/check-size.cmake)
# The unit tests are built with the POSIX thread-model compilers, whose thread runtime
# imports GetTickCount64 (Vista and later): the check must refuse them, or it checks nothing.
add_test(NAME shipped.xp_imports_refuses_newer
         COMMAND ${shipped_check} --expect-refusal GetTickCount64 ${CMAKE_OBJDUMP} ${shipped_exports}
                 ${shipped_arch} $<TARGET_FILE:kestrin_unit_tests>)
