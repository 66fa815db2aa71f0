# cmake -DREADELF=... -DPROGRAM=... -DFORBIDDEN=<regex> -P TavloCheckNeeded.cmake
# Fails when the program's dynamic section needs a library matching FORBIDDEN, and removes the
# program then, so that no test or install picks it up (see TavloHeadless.cmake).
execute_process(COMMAND ${READELF} --dynamic --wide ${PROGRAM}
                OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed ERROR_VARIABLE error)
if(failed)
  message(FATAL_ERROR "readelf cannot read ${PROGRAM}: ${error}")
endif()
string(REGEX MATCHALL "\\(NEEDED\\)[^\n]*\\[[^]\n]+\\]" entries "${dynamic}")
if(NOT entries)
  message(FATAL_ERROR "${PROGRAM} names no shared libraries at all; readelf's output changed?")
endif()
set(forbidden)
foreach(entry IN LISTS entries)
  string(REGEX REPLACE ".*\\[([^]]+)\\]$" "\\1" soname "${entry}")
  if(soname MATCHES "${FORBIDDEN}")
    list(APPEND forbidden ${soname})
  endif()
endforeach()
if(forbidden)
  file(REMOVE ${PROGRAM})
  list(JOIN forbidden ", " forbidden)
  message(FATAL_ERROR "${PROGRAM} must run without a display, but needs ${forbidden}; it was removed.")
endif()
