# Refuses an include of a core folder that the checked folder may not use.
# Run as a build step: cmake -DFOLDER=<dir> -DNAME=<folder> -DALLOWED=<a,b>
# -DSTAMP=<file> -P check_includes.cmake
cmake_policy(SET CMP0057 NEW)
string(REPLACE "," ";" ALLOWED "${ALLOWED}")
file(GLOB sources ${FOLDER}/*.cpp ${FOLDER}/*.h)
set(bad "")
foreach(source ${sources})
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z_]+)/.*" "\\1" used "${line}")
    if(NOT used STREQUAL NAME AND NOT used IN_LIST ALLOWED)
      string(APPEND bad "\n  ${source}: ${line}")
    endif()
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "core/${NAME} may include only from itself and: ${ALLOWED}; "
                      "these reach elsewhere:${bad}")
endif()
file(TOUCH ${STAMP})
