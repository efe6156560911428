#!/usr/bin/env bash
# Cross-builds the Windows programs with MinGW-w64 into build-win/ and runs
# their tests under Wine, in a fresh Wine prefix and on a virtual X server of
# their own. scripts/test.sh runs it after the Linux build, whose native
# helper plays the controller behind COM1.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/deps.sh test
. scripts/wine-bits.sh
if [ "$KVR_WINE_BITS" = 32 ]; then
    build=build-win toolchain=cmake/mingw-w64-i686.cmake arch=win32
else
    # The same sources and tests as a 64-bit build, so that they still run;
    # what is 32-bit about the programs (the port driver library) is then
    # tested as 64-bit.
    echo "NOTE: this machine runs no 32-bit programs (IA-32 emulation is off): the Windows" \
         "tests run on a 64-bit build in build-win64/ under 64-bit Wine." >&2
    scripts/deps.sh windows64
    build=build-win64 toolchain=cmake/mingw-w64-x86_64.cmake arch=win64
fi
# The Linux helper that serves COM1 from a pseudo-terminal.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target kvr-com-pty

# A build folder made with another cross compiler (the other width)
# cannot switch compilers: it starts afresh.
if [ -f $build/CMakeCache.txt ] && ! grep -q "^CMAKE_TOOLCHAIN_FILE:.*$toolchain" $build/CMakeCache.txt; then
    rm -rf $build
fi
# Optimised without debug information: under Wine a debugger is rarely at
# hand, and the information costs a third of the compile time.
cmake -S . -B $build -DCMAKE_TOOLCHAIN_FILE=$toolchain \
    -DCMAKE_BUILD_TYPE=Release -DKVR_NATIVE_BUILD="$root/build" >/dev/null
cmake --build $build -j"$(nproc)"
[ "$KVR_WINE_BITS" = 32 ] || kvr_wine64_only "$root/$build/wine-bin"

# A prefix of the programs' width.
export WINEARCH=$arch WINEPREFIX="$root/$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
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
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$root/$build/com1" /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
# The server and Wine's own services for the whole run, started here with
# their output going nowhere: a test that started them would otherwise hold
# its output open, and so its end, until the last test is done.
wineserver -p >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1 || true

ctest --test-dir $build --output-on-failure -j"$(nproc)"
