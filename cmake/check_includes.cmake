# Refuses an include of a core folder that the checked folder may not use,
# however the include is spelt: through a folder ("app/x.h", "../app/x.h",
# "core/app/x.h", <app/x.h>), by a bare name that only such a folder holds
# ("program.h"), or through a header at the core's root, whose own includes
# are checked in turn.
# Run as a build step: cmake -DFOLDER=<dir,dir> -DNAME=<folder> -DALLOWED=<a,b>
# -DCORE=<core dir> -DSHARED=<a,b> -DSTAMP=<file> -P check_includes.cmake
# (several folders: a library whose headers are partly written by the build;
# SHARED: the folders whose state a root-level header may bring to any folder)
cmake_policy(SET CMP0057 NEW)
string(REPLACE "," ";" ALLOWED "${ALLOWED}")
string(REPLACE "," ";" FOLDER "${FOLDER}")
string(REPLACE "," ";" SHARED "${SHARED}")
set(shown_allowed ${ALLOWED})
list(APPEND ALLOWED ${NAME})

# The core's folders, and the folder that holds each bare header name.
file(GLOB entries LIST_DIRECTORIES true ${CORE}/*)
set(core_folders "")
foreach(entry ${entries})
  if(IS_DIRECTORY ${entry})
    get_filename_component(folder ${entry} NAME)
    list(APPEND core_folders ${folder})
    file(GLOB headers ${entry}/*.h)
    foreach(header ${headers})
      get_filename_component(header ${header} NAME)
      list(APPEND holders_${header} ${folder})
    endforeach()
  endif()
endforeach()

set(bad "")
# Checks one file's includes; a root-level header it includes is checked as
# though its includes were the file's own (seen guards against a loop).
function(check_file source shown allowed)
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">].*" "\\1" path "${line}")
    # "./", "../" and "core/" in front name the same header.
    string(REGEX REPLACE "^((\\.\\.?|core)/)+" "" path "${path}")
    if(path MATCHES "^([a-z_0-9]+)/")
      set(used ${CMAKE_MATCH_1})
      if(used IN_LIST core_folders AND NOT used IN_LIST allowed)
        string(APPEND bad "\n  ${shown}: ${line}")
      endif()
    elseif(EXISTS ${CORE}/${path} AND NOT IS_DIRECTORY ${CORE}/${path})
      if(NOT path IN_LIST seen)
        list(APPEND seen ${path})
        check_file(${CORE}/${path} "${shown} -> ${path}" "${allowed};${SHARED}")
      endif()
    else()
      # A bare name: refused when only folders it may not use hold it.
      set(holders ${holders_${path}})
      if(holders)
        set(reachable FALSE)
        foreach(holder ${holders})
          if(holder IN_LIST allowed)
            set(reachable TRUE)
          endif()
        endforeach()
        if(NOT reachable)
          string(APPEND bad "\n  ${shown}: ${line}")
        endif()
      endif()
    endif()
  endforeach()
  set(bad "${bad}" PARENT_SCOPE)
  set(seen "${seen}" PARENT_SCOPE)
endfunction()

set(seen "")
foreach(folder ${FOLDER})
  file(GLOB found ${folder}/*.cpp ${folder}/*.h)
  foreach(source ${found})
    check_file(${source} ${source} "${ALLOWED}")
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "core/${NAME} may include only from itself and: ${shown_allowed}; "
                      "these reach elsewhere:${bad}")
endif()
file(TOUCH ${STAMP})
