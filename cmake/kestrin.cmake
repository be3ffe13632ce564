# Shared settings for every target of the project.

function(kestrin_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion)
    if(KESTRIN_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(KESTRIN_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
    # Windows XP is the floor: anything newer must be looked up at run time.
    add_compile_definitions(_WIN32_WINNT=0x0501 WINVER=0x0501 UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
    # Executables need no DLL beyond the system's. Address-space randomisation and data
    # execution prevention are asked for explicitly, whatever the linker's defaults.
    add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--dynamicbase,--nxcompat)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        add_link_options(-Wl,--high-entropy-va)
    endif()

    # No debugging information: the shipped files are linked stripped, and the Windows
    # trees' libraries serve only the tests under Wine, where nobody steps through them.
    # It would add a third to every compile.
    add_compile_options(-g0)

    # Built for size where the build type optimises: at -O2 the string building that
    # every debugger and log line does is inlined at each of them, and the program is a
    # third larger, for no start-up time (./bench.sh). A function or datum nobody uses is
    # dropped at the link. (The linker keeps every function that has unwinding
    # information, on 64-bit in .pdata, on 32-bit in .eh_frame: that is most of them, so
    # the gain of the dropping is small.) The tests link the very objects shipped.
    add_compile_options($<$<CONFIG:RelWithDebInfo,Release,MinSizeRel>:-Os> -ffunction-sections -fdata-sections)
    add_link_options(-Wl,--gc-sections)

    set(KESTRIN_WINE_ROOT "${CMAKE_BINARY_DIR}/wine" CACHE PATH "Where the tests keep their Wine prefixes")
    # On a host that runs 64-bit programs only (tools/wine-host.sh), Wine cannot start a
    # 32-bit Windows program: the 32-bit tree then builds and checks its files statically,
    # and its tests under Wine are registered but disabled, so that CTest counts them as
    # not run. Asked at every configure, so that KESTRIN_HOST_64_ONLY takes effect.
    execute_process(COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-host.sh OUTPUT_VARIABLE KESTRIN_WINE_WAY
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND KESTRIN_WINE_WAY STREQUAL "64-bit-only")
        set(KESTRIN_WINE_TESTS OFF)
        message(STATUS "Tests under Wine disabled: Wine runs 64-bit programs only here")
    else()
        set(KESTRIN_WINE_TESTS ON)
    endif()
    # Test programs run under Wine in a prefix of their own, never the user's.
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/cmake/wine-run.sh;--root;${KESTRIN_WINE_ROOT}")
endif()

# Test programs, their fixtures and GoogleTest itself are compiled with -Og and without
# debugging information where the build type optimises: at -O2 GoogleTest's macros and
# the tables of cases take two to three times as long to compile (with the sanitizers,
# nearly three times), for code whose speed does not matter, and the debugging
# information of their templates adds another half. What they test, the product's
# libraries, keeps the build type's flags, and with them the lines a sanitizer's report
# names.
set(KESTRIN_TEST_CODE_OPTIONS $<$<CONFIG:RelWithDebInfo,Release,MinSizeRel>:-Og>
                              $<$<CONFIG:RelWithDebInfo,Release,MinSizeRel>:-g0>)

# The headers nearly every source of a target includes, compiled once for the target:
# <windows.h> alone costs a second of each compile, GoogleTest's header more, and the
# sources are compiled in six trees. `WINDOWS` adds <windows.h> (never for the portable
# core), `TESTS` GoogleTest's header. Natively only test programs get them: clang-tidy
# reads the portable core's compile commands, and cannot read GCC's precompiled headers.
# `REUSE_FROM other` takes another target's, of the same headers and compile options,
# instead of compiling the same again (GCC refuses one of other options, and -Werror
# makes that an error).
function(kestrin_precompile target)
    cmake_parse_arguments(PCH "WINDOWS;TESTS" "REUSE_FROM" "" ${ARGN})
    if(NOT WIN32 AND NOT PCH_TESTS)
        return()
    endif()
    if(PCH_REUSE_FROM)
        target_precompile_headers(${target} REUSE_FROM ${PCH_REUSE_FROM})
        return()
    endif()
    set(headers <cstdint> <functional> <memory> <optional> <string> <string_view> <vector>)
    if(PCH_WINDOWS AND WIN32)
        list(PREPEND headers <windows.h>)
    endif()
    if(PCH_TESTS)
        list(APPEND headers <gtest/gtest.h>)
    endif()
    target_precompile_headers(${target} PRIVATE ${headers})
endfunction()

# Registers a GoogleTest program with CTest: natively one test per case; for Windows one
# test for the whole program, whose output names each case that failed. Under Wine each
# process start costs a second or more, which for several hundred cases was most of the
# time the Windows tests took.
function(kestrin_discover_tests target)
    if(WIN32)
        add_test(NAME ${target} COMMAND ${target})
    else()
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES ${ARGN})
    endif()
endfunction()

# Disables every test of the calling directory where Wine cannot run this tree's programs:
# called last in each directory whose tests all run under Wine.
function(kestrin_tests_need_wine)
    if(WIN32 AND NOT KESTRIN_WINE_TESTS)
        get_property(tests DIRECTORY PROPERTY TESTS)
        if(tests)
            set_tests_properties(${tests} PROPERTIES DISABLED TRUE)
        endif()
    endif()
endfunction()

# GoogleTest from the distribution's sources (Debian's googletest package), built for
# every target. KESTRIN_GOOGLETEST_DIR names another copy. A macro: the GoogleTest
# module leaves variables that gtest_discover_tests needs later.
macro(kestrin_find_googletest)
    find_path(KESTRIN_GOOGLETEST_DIR NAMES googletest/CMakeLists.txt PATH_SUFFIXES src/googletest
              NO_CMAKE_FIND_ROOT_PATH DOC "GoogleTest's sources")
    if(NOT KESTRIN_GOOGLETEST_DIR)
        message(FATAL_ERROR "GoogleTest's sources were not found: install the googletest package "
                            "(tools/install-deps.sh does) or set KESTRIN_GOOGLETEST_DIR to a copy of them.")
    endif()
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${KESTRIN_GOOGLETEST_DIR} googletest EXCLUDE_FROM_ALL SYSTEM)
    target_compile_options(gtest PRIVATE ${KESTRIN_TEST_CODE_OPTIONS})
    # What the Windows compilers' runtime lacks, GoogleTest gets from here (see the
    # header): GoogleTest includes it in quotes, which look in -iquote folders first.
    target_compile_options(gtest PUBLIC -iquote ${PROJECT_SOURCE_DIR}/tests/support/googletest)
    target_compile_options(gtest_main PRIVATE ${KESTRIN_TEST_CODE_OPTIONS})
    include(GoogleTest)
endmacro()
