# The Windows build: one self-contained .exe per program (C++ runtime,
# libgcc and winpthread linked in), resources through windres, tests run
# under Wine in a prefix of the build folder.
enable_language(RC)

add_link_options(-static -static-libgcc -static-libstdc++)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
# The 32-bit programs do their float and double arithmetic in SSE registers,
# as the 64-bit and Linux builds do: the x87 unit would keep a product such
# as the governor's frequency times 60 at extended precision, and figures
# meant to be rounded to single precision first would come out one lower.
# (long double stays the x87's extended precision.)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-msse2;-mfpmath=sse>")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/host_headers.cmake)
# find_package(nlohmann_json) finds a stand-in of its package: the same
# target, with the headers of the folder above (Debian's own package file
# would name /usr/include).
set(KVR_HOST_PACKAGES ${CMAKE_BINARY_DIR}/host-packages/nlohmann_json)
file(WRITE ${KVR_HOST_PACKAGES}/nlohmann_jsonConfig.cmake
     "if(NOT TARGET nlohmann_json::nlohmann_json)\n"
     "  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)\n"
     "  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES\n"
     "                        INTERFACE_INCLUDE_DIRECTORIES ${KVR_HOST_HEADERS})\n"
     "endif()\n")
file(WRITE ${KVR_HOST_PACKAGES}/nlohmann_jsonConfigVersion.cmake
     "set(PACKAGE_VERSION 3)\n"
     "if(NOT PACKAGE_FIND_VERSION_MAJOR OR PACKAGE_FIND_VERSION_MAJOR EQUAL 3)\n"
     "  set(PACKAGE_VERSION_COMPATIBLE TRUE)\n"
     "endif()\n")
set(nlohmann_json_DIR ${KVR_HOST_PACKAGES} CACHE PATH "nlohmann-json for the Windows build" FORCE)
if(EXISTS ${KVR_HOST_HEADERS}/CLI/CLI.hpp)
  set(KVR_CLI11_INCLUDE ${KVR_HOST_HEADERS} CACHE PATH "CLI11's headers")
endif()

# Tests run under Wine, in the prefix scripts/test.sh prepares.
set(KVR_WINEPREFIX ${CMAKE_BINARY_DIR}/wine CACHE PATH "Wine prefix the tests run in")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KVR_WINEARCH win64)
else()
  set(KVR_WINEARCH win32)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEARCH=${KVR_WINEARCH} WINEPREFIX=${KVR_WINEPREFIX} WINEDEBUG=-all wine)

# GoogleTest from Debian's sources, compiled with the cross compiler, before
# the warning flags: its code is not ours to keep warning-free.
if(KVR_BUILD_TESTS)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  # It defines GTest::gtest and GTest::gtest_main itself.
  add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
