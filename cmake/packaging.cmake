# Release archives, one ZIP per Windows build: kestrin.exe, its language libraries and
# a short text on the command line and the exit codes. Nothing else.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(KESTRIN_PACKAGE_SYSTEM win64)
else()
    set(KESTRIN_PACKAGE_SYSTEM win32)
endif()

# Notepad on older Windows shows a text with bare line feeds as one line.
configure_file(${CMAKE_SOURCE_DIR}/packaging/ReadMe.txt ${CMAKE_BINARY_DIR}/package-files/ReadMe.txt
               @ONLY NEWLINE_STYLE CRLF)

# The shipped files (cmake/shipped.cmake) and the ReadMe.
install(PROGRAMS ${shipped_files} DESTINATION . COMPONENT kestrin)
install(FILES ${CMAKE_BINARY_DIR}/package-files/ReadMe.txt DESTINATION . COMPONENT kestrin)
set(package_files ReadMe.txt)
foreach(file IN LISTS shipped_files)
    get_filename_component(name ${file} NAME)
    list(APPEND package_files ${name})
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Kestrin)
set(CPACK_PACKAGE_VENDOR Kestrin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(KESTRIN_PACKAGE_NAME Kestrin-${PROJECT_VERSION}-${KESTRIN_PACKAGE_SYSTEM})
set(CPACK_PACKAGE_FILE_NAME ${KESTRIN_PACKAGE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_COMPONENTS_ALL kestrin)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
# The build keeps its debugging information; the shipped files do not.
set(CPACK_STRIP_FILES ON)
include(CPack)

list(SORT package_files)
add_test(NAME package.contents
         COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/check-package.sh ${CMAKE_BINARY_DIR} ${KESTRIN_PACKAGE_NAME}
                 ${package_files})
