# Header-only libraries from the build machine: only their own folders, never
# all of /usr/include, on a cross compiler's path (MinGW-w64, emscripten).
set(KVR_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${KVR_HOST_HEADERS})
foreach(dir nlohmann CLI)
  if(EXISTS /usr/include/${dir} AND NOT EXISTS ${KVR_HOST_HEADERS}/${dir})
    file(CREATE_LINK /usr/include/${dir} ${KVR_HOST_HEADERS}/${dir} SYMBOLIC)
  endif()
endforeach()
include_directories(SYSTEM ${KVR_HOST_HEADERS})
