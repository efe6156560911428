# A 64-bit build of the Windows programs with MinGW-w64 (POSIX threads), for
# their tests only, on machines that run no 32-bit programs (the kernel's
# IA-32 emulation is off), where 32-bit Wine cannot start. The programs
# users get stay 32-bit (cmake/mingw-w64-i686.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KVR_MINGW x86_64-w64-mingw32)
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
