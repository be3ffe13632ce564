# cmake -DOBJDUMP=... -DPROGRAM=... -P check_imports.cmake
# Fails unless every DLL the program imports is one that Windows always loads from its
# system directory, whatever lies beside the program.
set(known KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll msvcrt.dll SHELL32.dll COMCTL32.dll)

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${OBJDUMP} could not read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
if(NOT lines)
    message(FATAL_ERROR "no imports found in ${PROGRAM}")
endif()
foreach(line IN LISTS lines)
    string(REPLACE "DLL Name: " "" dll "${line}")
    string(STRIP "${dll}" dll)
    list(FIND known ${dll} at)
    if(at EQUAL -1)
        message(SEND_ERROR "${PROGRAM} imports ${dll}, which Windows may take from beside the program")
    else()
        message(STATUS "imports ${dll}")
    endif()
endforeach()
