#!/bin/sh
# Starts a Windows program as a user would (the real .exe with its manifest
# and its runtime linked in) on the simulated controller, in a fresh folder:
# its main window must open, and the first start must write blsetup.cfg.
# Usage: start_program_test.sh PROGRAM.exe WINDOW-SHOT.exe FOLDER TITLE WINE...
set -eu
program=$1
shot=$2
folder=$3
title=$4
shift 4
rm -rf "$folder"
mkdir -p "$folder"
cd "$folder"
"$@" "$program" --simulate >program.log 2>&1 &
running=$!
status=0
"$@" "$shot" "$title" window.png 60 || status=1
kill "$running" 2>/dev/null || true
wait "$running" 2>/dev/null || true
[ -s window.png ] || { echo "no picture of the main window"; status=1; }
config=$(head -c 4 blsetup.cfg 2>/dev/null || true)
[ "$config" = COM2 ] || { echo "blsetup.cfg holds \"$config\", not COM2"; status=1; }
exit $status
