# Cross-builds the Windows programs on Linux with MinGW-w64 (32-bit, POSIX
# threads). They are 32-bit so that they can load the port driver library,
# which exists only as a 32-bit library; they run on 64-bit Windows as well.
# Programs built with it run under Wine, which CTest uses to run the tests.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
