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

    set(KESTRIN_WINE_ROOT "${CMAKE_BINARY_DIR}/wine" CACHE PATH "Where the tests keep their Wine prefixes")
    # Test programs run under Wine in a prefix of their own, never the user's.
    set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/cmake/wine-run.sh;--root;${KESTRIN_WINE_ROOT}")
endif()

# Registers a GoogleTest program with CTest, one test per case.
function(kestrin_discover_tests target)
    if(WIN32)
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 120 DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES ${ARGN})
    else()
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES ${ARGN})
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
    include(GoogleTest)
endmacro()
