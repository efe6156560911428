# A 64-bit build of the Windows programs with MinGW-w64 (POSIX threads), for
# their tests only, on machines that run no 32-bit programs (the kernel's
# IA-32 emulation is off), where 32-bit Wine cannot start. The programs
# users get stay 32-bit (cmake/mingw-w64-i686.cmake).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
