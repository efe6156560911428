#!/usr/bin/env bash
# Builds the program and starts it on the built-in simulated controller.
# Usage: scripts/start.sh [en|de] [further program arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
lang="${1:-en}"
[ $# -gt 0 ] && shift

scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target "kvrsetup-$lang" manual
# Started from the build folder, so its blsetup.cfg stays out of the sources
# and Help finds the manual there.
cd build
exec "./kvrsetup-$lang" --simulate "$@"
