# Refuses a source that reaches a window, dialog or control-id header,
# directly or through any header: the command line works on values.
# Run as a test: cmake -DCOMPILER=<c++> -DINCLUDES=<dir|dir> -DSOURCES=<file|file>
# -P check_shown_headers.cmake
string(REPLACE "|" ";" INCLUDES "${INCLUDES}")
string(REPLACE "|" ";" SOURCES "${SOURCES}")
set(flags -std=c++20 -MM -MG)
foreach(dir ${INCLUDES})
  list(APPEND flags -I${dir})
endforeach()
set(refused "")
foreach(source ${SOURCES})
  execute_process(COMMAND ${COMPILER} ${flags} ${source} OUTPUT_VARIABLE deps
                  ERROR_VARIABLE problem RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot list the headers of ${source}: ${problem}")
  endif()
  string(REGEX MATCHALL "[^ \t\r\n\\\\]+" deps "${deps}")
  foreach(header ${deps})
    if(header MATCHES "(platform/window[a-z_]*|_dialogs?|res/ids|res/templates)\\.h$")
      list(APPEND refused "${source} -> ${header}")
    endif()
  endforeach()
endforeach()
if(refused)
  string(REPLACE ";" "\n  " refused "${refused}")
  message(FATAL_ERROR "these reach a window, dialog or id header:\n  ${refused}")
endif()
