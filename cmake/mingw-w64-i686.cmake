# Cross-builds the Windows programs on Linux with MinGW-w64 (32-bit, POSIX
# threads). They are 32-bit so that they can load the port driver library,
# which exists only as a 32-bit library; they run on 64-bit Windows as well.
# Programs built with it run under Wine, which CTest uses to run the tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(KVR_MINGW i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KVR_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVR_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KVR_MINGW}-windres)

# Headers and libraries come from the MinGW tree only, never from the build
# machine's /usr/include; programs (wine, windres) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${KVR_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
