#!/usr/bin/env bash
# Takes a picture of the Windows program's main window under Wine, on the
# simulated controller and a virtual X server of its own.
# Usage: scripts/screenshot-windows.sh [en|de] [OUT.png]   (after scripts/test-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
lang="${1:-en}"
out="$(realpath -m "${2:-build-win/kvrsetup-$lang.png}")"
[ -x "build-win/kvrsetup-$lang.exe" ] || { echo "build the Windows programs first (scripts/test-windows.sh)" >&2; exit 1; }

# A 32-bit prefix for the 32-bit programs; one left from the earlier 64-bit
# build goes.
export WINEARCH=win32 WINEPREFIX="$root/build-win/wine-screenshot" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
displayFile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayFile" >/dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$displayFile" "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$displayFile" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$displayFile")"

grep -qs '^#arch=win32' "$WINEPREFIX/system.reg" || rm -rf "$WINEPREFIX"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
# No window manager here: Wine draws the title bar itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
cd "$work"
wine "$root/build-win/kvrsetup-$lang.exe" --simulate >/dev/null 2>&1 &
wine "$root/build-win/kvr-window-shot.exe" "KVR-Duza2" "$(winepath -w "$out")" 30
echo "$out"
