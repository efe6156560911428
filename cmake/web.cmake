# The web page's build with emscripten: the core and the simulated
# controller as they are, compiled to WebAssembly, and the page (web/).
include(${CMAKE_CURRENT_LIST_DIR}/host_headers.cmake)
# The settings and profile files are read with exceptions caught inside the
# core; emscripten leaves catching off unless asked.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)
set(KVR_BUILD_GUI OFF CACHE BOOL "" FORCE)
set(KVR_BUILD_TESTS OFF CACHE BOOL "" FORCE)
