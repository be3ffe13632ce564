# Fails when a shipped program is larger than its limit, in bytes, stripped and unsigned
# as the build leaves it. What grew, the linker's map in the shipped files' build says
# (kestrin.map).
#
#   cmake -DLIMIT=BYTES -DFILES="FILE;..." -P check-size.cmake
set(failed FALSE)
foreach(file IN LISTS FILES)
    file(SIZE "${file}" size)
    if(size GREATER LIMIT)
        message(NOTICE "FAIL: ${file}: ${size} bytes, more than ${LIMIT}")
        set(failed TRUE)
    else()
        message(NOTICE "${file}: ${size} bytes, at most ${LIMIT}")
    endif()
endforeach()
if(failed)
    message(FATAL_ERROR "a shipped program is larger than its limit")
endif()
