#!/bin/sh
# Starts a Windows program as a user would (the real .exe with its manifest
# and its runtime linked in), in a fresh folder: its main window must open,
# and the first start must write blsetup.cfg. DRIVER "-" runs it on the
# simulated controller, where it finds no port driver library and takes
# COM2; otherwise DRIVER is a port driver library that goes beside the
# program, which then loads it and takes the parallel port 0378.
# Usage: start_program_test.sh PROGRAM.exe WINDOW-SHOT.exe FOLDER DRIVER WINE...
set -eu
program=$1
shot=$2
folder=$3
driver=$4
shift 4
rm -rf "$folder"
mkdir -p "$folder"
cd "$folder"
if [ "$driver" = - ]; then
    title="KVR-Duza2  Setup  [simulated]"
    expected=COM2
    "$@" "$program" --simulate >program.log 2>&1 &
else
    title="KVR-Duza2  Setup"
    expected=0378
    cp "$program" "$driver" .
    "$@" "./$(basename "$program")" >program.log 2>&1 &
fi
running=$!
status=0
"$@" "$shot" "$title" window.png 60 || status=1
kill "$running" 2>/dev/null || true
wait "$running" 2>/dev/null || true
[ -s window.png ] || { echo "no picture of the main window"; status=1; }
config=$(head -c 4 blsetup.cfg 2>/dev/null || true)
[ "$config" = "$expected" ] || { echo "blsetup.cfg holds \"$config\", not $expected"; status=1; }
exit $status
