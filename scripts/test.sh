#!/usr/bin/env bash
# Builds everything and runs every test, then once more under
# AddressSanitizer and UndefinedBehaviorSanitizer, then builds the web page
# and drives it in headless Chromium, then cross-builds the Windows programs
# and runs their tests under Wine, then builds the release packages and
# checks them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test
export QT_QPA_PLATFORM=offscreen
# Each stage says how long the run has taken so far.
stage() { printf '== %s (%dm%02ds)\n' "$1" $((SECONDS / 60)) $((SECONDS % 60)); }

stage "build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"

stage "sanitizers"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKVR_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$(nproc)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)"

stage "web page"
KVR_CLI="$PWD/build/kvrsetup-cli" scripts/test-web.sh

stage "Windows programs"
scripts/test-windows.sh
stage "packages"
scripts/test-packages.sh
stage "all passed"
