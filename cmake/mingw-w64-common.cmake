# What both MinGW-w64 toolchains share; the including file sets
# CMAKE_SYSTEM_PROCESSOR first (i686 or x86_64).
set(CMAKE_SYSTEM_NAME Windows)
set(KVR_MINGW ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
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
