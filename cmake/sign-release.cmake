# Signs every program and library in a folder with the publisher's certificate: an
# Authenticode signature with a SHA-256 digest, made by osslsigncode. The certificate
# and its password come from the environment, never from the build's cache:
#
#   KESTRIN_SIGN_PKCS12     the certificate with its private key, a .pfx file
#   KESTRIN_SIGN_PASSWORD   its password (may be empty, but must be set)
#   KESTRIN_TIMESTAMP_URL   a time-stamping authority (RFC 3161), optional: its time
#                           stamp keeps the signature valid after the certificate expires
#
# Without KESTRIN_SIGN_PKCS12 the files stay unsigned, and it says so. A certificate
# that is named but cannot be used fails the run: an archive meant to be signed is never
# left unsigned without a word.
#
# CPack runs it on its own copy of the release archive's files, before it packs them
# (CPACK_PRE_BUILD_SCRIPTS), so the build's files in bin/ stay unsigned. By hand:
#
#   cmake -DKESTRIN_SIGN_DIR=<folder> -P cmake/sign-release.cmake
#   cmake -DKESTRIN_SIGN_CHECK=ON -P cmake/sign-release.cmake   (only says what would happen)

set(not_signed "release archive not signed (KESTRIN_SIGN_PKCS12 not set)")
set(pkcs12 "$ENV{KESTRIN_SIGN_PKCS12}")

if(pkcs12 STREQUAL "")
    message(NOTICE "${not_signed}")
    return()
endif()
if(NOT DEFINED ENV{KESTRIN_SIGN_PASSWORD})
    message(FATAL_ERROR "KESTRIN_SIGN_PKCS12 is set but KESTRIN_SIGN_PASSWORD is not: "
                        "set it to the certificate's password (empty for none)")
endif()
if(NOT EXISTS "${pkcs12}" OR IS_DIRECTORY "${pkcs12}")
    message(FATAL_ERROR "KESTRIN_SIGN_PKCS12 names no file: ${pkcs12}")
endif()
find_program(osslsigncode osslsigncode)
if(NOT osslsigncode)
    message(FATAL_ERROR "osslsigncode was not found: tools/install-deps.sh installs it")
endif()

if(KESTRIN_SIGN_CHECK)
    message(NOTICE "release archive signed with ${pkcs12} when packed")
    return()
endif()

if(DEFINED CPACK_TEMPORARY_INSTALL_DIRECTORY)
    set(dir "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
elseif(DEFINED KESTRIN_SIGN_DIR)
    set(dir "${KESTRIN_SIGN_DIR}")
else()
    message(FATAL_ERROR "sign-release.cmake: no folder to sign: -DKESTRIN_SIGN_DIR=<folder>")
endif()

set(timestamp)
if(NOT "$ENV{KESTRIN_TIMESTAMP_URL}" STREQUAL "")
    set(timestamp -ts "$ENV{KESTRIN_TIMESTAMP_URL}")
endif()

file(GLOB_RECURSE candidates LIST_DIRECTORIES false "${dir}/*")
set(files)
foreach(file IN LISTS candidates)
    string(TOLOWER "${file}" lower)
    if(lower MATCHES "\\.(exe|dll)$")
        list(APPEND files "${file}")
    endif()
endforeach()
if(NOT files)
    message(FATAL_ERROR "sign-release.cmake: no program or library in ${dir}")
endif()

foreach(file IN LISTS files)
    file(REMOVE "${file}.signed")
    # The password reaches osslsigncode through a pipe from the shell's own printf: on
    # its command line, every user of the machine could read it.
    execute_process(
        COMMAND sh -c "printf '%s' \"$KESTRIN_SIGN_PASSWORD\""
        COMMAND "${osslsigncode}" sign -pkcs12 "${pkcs12}" -readpass /dev/stdin -h sha256 -n Kestrin ${timestamp}
                -in "${file}" -out "${file}.signed"
        RESULTS_VARIABLE results
        OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    list(GET results -1 result)
    if(NOT result EQUAL 0 OR NOT EXISTS "${file}.signed")
        file(REMOVE "${file}.signed")
        message(FATAL_ERROR "could not sign ${file}:\n${output}")
    endif()
    file(RENAME "${file}.signed" "${file}")
endforeach()
list(LENGTH files count)
message(STATUS "signed ${count} files in ${dir} with ${pkcs12}")
