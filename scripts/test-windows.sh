#!/usr/bin/env bash
# Cross-builds the Windows programs with MinGW-w64 into build-win/ and runs
# their tests under Wine, in a fresh Wine prefix and on a virtual X server of
# their own. scripts/test.sh runs it after the Linux build, whose native
# helper plays the controller behind COM1.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/deps.sh test
# The Linux helper that serves COM1 from a pseudo-terminal.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target kvr-com-pty

# A build folder made with another cross compiler (the earlier 64-bit one)
# cannot switch compilers: it starts afresh.
if [ -f build-win/CMakeCache.txt ] && ! grep -q '^CMAKE_CXX_COMPILER:.*i686-w64-mingw32' build-win/CMakeCache.txt; then
    rm -rf build-win
fi
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVR_NATIVE_BUILD="$root/build" >/dev/null
cmake --build build-win -j"$(nproc)"

# A 32-bit prefix for the 32-bit programs.
export WINEARCH=win32 WINEPREFIX="$root/build-win/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A fresh prefix each run; a server left from an interrupted run goes first.
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"

# A display for the windows: CI machines have none.
displayFile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayFile" >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
    rm -f "$displayFile"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$displayFile" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$displayFile")"

wineboot -i >/dev/null 2>&1
# COM1 of the prefix is a link that the serial test points at its
# pseudo-terminal. Wine reads the mapping when its server starts, so the
# server is restarted after the change.
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$root/build-win/com1" /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
# The server and Wine's own services for the whole run, started here with
# their output going nowhere: a test that started them would otherwise hold
# its output open, and so its end, until the last test is done.
wineserver -p >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1 || true

ctest --test-dir build-win --output-on-failure -j"$(nproc)"
