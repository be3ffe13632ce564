# The release archive, made by the 32-bit build: the 32-bit kestrin.exe and its language
# libraries at the top, the 64-bit ones in x64\, and a short text on the command line,
# the options, deployment and the exit codes. Nothing else. The 64-bit build makes none.
#
# Its programs and libraries are signed when KESTRIN_SIGN_PKCS12 and KESTRIN_SIGN_PASSWORD
# say with what (cmake/sign-release.cmake). Every test run tries the signing with a
# throw-away test authority (tests/e2e/check-signatures.sh): a 64-bit tree on a copy of
# its own shipped files, which the scenarios named signed_* then run (on any host that
# runs 64-bit programs); the 32-bit tree on the release archive as CPack packs it.
# Both need osslsigncode (tools/install-deps.sh installs it): missing, it is said here.
find_program(KESTRIN_OSSLSIGNCODE osslsigncode REQUIRED)
set(signing_test ${CMAKE_SOURCE_DIR}/tests/e2e/check-signatures.sh --work ${CMAKE_BINARY_DIR}/signing-test
                 --sign-script ${CMAKE_SOURCE_DIR}/cmake/sign-release.cmake)
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_test(NAME package.signed COMMAND ${signing_test} ${shipped_files})
    set_tests_properties(package.signed PROPERTIES FIXTURES_SETUP signed)
    return()
endif()

# Notepad on older Windows shows a text with bare line feeds as one line.
configure_file(${CMAKE_SOURCE_DIR}/packaging/ReadMe.txt ${CMAKE_BINARY_DIR}/package-files/ReadMe.txt
               @ONLY NEWLINE_STYLE CRLF)

# The shipped files of both programs (cmake/shipped.cmake) and the ReadMe.
install(PROGRAMS ${shipped_files} DESTINATION . COMPONENT kestrin)
install(PROGRAMS ${shipped_x64_files} DESTINATION x64 COMPONENT kestrin)
install(FILES ${CMAKE_BINARY_DIR}/package-files/ReadMe.txt DESTINATION . COMPONENT kestrin)
set(package_files ReadMe.txt)
foreach(file IN LISTS shipped_files)
    get_filename_component(name ${file} NAME)
    list(APPEND package_files ${name})
endforeach()
foreach(file IN LISTS shipped_x64_files)
    get_filename_component(name ${file} NAME)
    list(APPEND package_files x64/${name})
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Kestrin)
set(CPACK_PACKAGE_VENDOR Kestrin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(KESTRIN_PACKAGE_NAME Kestrin-${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${KESTRIN_PACKAGE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_COMPONENTS_ALL kestrin)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
# Signs CPack's own copy of the files, once it has put them together, before it packs them.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/sign-release.cmake)
include(CPack)

# Every build says whether the archive it packs will be signed, and fails when the
# certificate named cannot be used.
add_custom_target(release_signing ALL
    COMMAND ${CMAKE_COMMAND} -DKESTRIN_SIGN_CHECK=ON -P ${CMAKE_SOURCE_DIR}/cmake/sign-release.cmake VERBATIM)

# Builds the archive, checks what it holds (and that no program in it carries debugging
# information) and leaves it unpacked in package/unpacked/ for the scenario that runs the
# programs as shipped.
list(SORT package_files)
find_program(KESTRIN_X64_OBJDUMP x86_64-w64-mingw32-objdump REQUIRED)
add_test(NAME package.contents
         COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/check-package.sh ${CMAKE_BINARY_DIR} ${KESTRIN_PACKAGE_NAME}
                 ${CMAKE_OBJDUMP} ${KESTRIN_X64_OBJDUMP} ${package_files})
set_tests_properties(package.contents PROPERTIES FIXTURES_SETUP package)
# The archive packed signed and time-stamped, every program and library in it verified;
# the build's own files, which it was packed from, left unsigned.
add_test(NAME package.signed
         COMMAND ${signing_test} --archive ${CMAKE_BINARY_DIR} ${KESTRIN_PACKAGE_NAME}
                 --unsigned ${shipped_files} ${shipped_x64_files} -- ${package_files})
