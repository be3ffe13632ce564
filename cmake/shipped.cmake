# The shipped files: kestrin.exe and a library per language, in `dir`.
function(kestrin_shipped_files out dir)
    set(files ${dir}/kestrin.exe)
    foreach(code IN LISTS KESTRIN_LANGUAGES)
        list(APPEND files ${dir}/rc_${code}.dll)
    endforeach()
    set(${out} ${files} PARENT_SCOPE)
endfunction()

kestrin_shipped_files(shipped_files ${KESTRIN_BIN_DIR})

# The 64-bit program goes into the release archive too, in x64\ beside the 32-bit one,
# which hands a run over to it on 64-bit Windows: the 32-bit tree builds it as well, in a
# build of its own with the 64-bit compilers, unless it is given the shipped files of a
# 64-bit tree of the same sources (./test.sh gives it the win64 preset's).
set(KESTRIN_X64_BIN_DIR "" CACHE PATH "The shipped files of a 64-bit tree, for a 32-bit tree's archive")
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(shipped_x64_dir ${KESTRIN_X64_BIN_DIR})
    if(NOT shipped_x64_dir)
        set(shipped_x64_dir ${KESTRIN_BIN_DIR}/x64)
    endif()
    kestrin_shipped_files(shipped_x64_files ${shipped_x64_dir})
    if(NOT KESTRIN_X64_BIN_DIR)
        include(ExternalProject)
        ExternalProject_Add(kestrin_shipped_x64
            SOURCE_DIR ${PROJECT_SOURCE_DIR}
            BINARY_DIR ${CMAKE_BINARY_DIR}/kestrin_shipped_x64
            CMAKE_ARGS -G Ninja
                       -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-x86_64.cmake
                       -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
                       -DKESTRIN_WERROR=${KESTRIN_WERROR}
                       -DKESTRIN_SHIPPED_ONLY=ON
                       -DKESTRIN_BIN_DIR=${shipped_x64_dir}
            BUILD_ALWAYS ON
            INSTALL_COMMAND ""
            BUILD_BYPRODUCTS ${shipped_x64_files})
    endif()
endif()

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
# A program that imports GetTickCount64 (Vista and later): the check must refuse it, or it
# checks nothing.
add_executable(kestrin_newer_import ${PROJECT_SOURCE_DIR}/tests/shipped/newer_import.cpp)
target_compile_options(kestrin_newer_import PRIVATE -U_WIN32_WINNT -D_WIN32_WINNT=0x0600)
add_test(NAME shipped.xp_imports_refuses_newer
         COMMAND ${shipped_check} --expect-refusal GetTickCount64 ${CMAKE_OBJDUMP} ${shipped_exports}
                 ${shipped_arch} $<TARGET_FILE:kestrin_newer_import>)
