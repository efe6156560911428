#!/usr/bin/env bash
# Tests the web page: builds it, serves it on a free local port and drives
# it in headless Chromium: the shared window cases (web_window_cases, the
# cases the Qt and Win32 programs run) and the page's own tests, with the
# command line as the reference. Both come from the Linux build in build/,
# or from the build KVR_CLI is in (KVR_WEB_CASES for the cases' program).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build-web.sh >/dev/null
cli="${KVR_CLI:-$PWD/build/kvrsetup-cli}"
cases="${KVR_WEB_CASES:-$(dirname "$cli")/tests/web_window_cases}"
if [ ! -x "$cli" ] || [ ! -x "$cases" ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
if [ ! -x "$cli" ]; then
    cmake --build build -j"$(nproc)" --target kvrsetup-cli
    cli="$PWD/build/kvrsetup-cli"
fi
if [ ! -x "$cases" ]; then
    cmake --build build -j"$(nproc)" --target web_window_cases
    cases="$PWD/build/tests/web_window_cases"
fi

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory build-web/site >/dev/null 2>&1 &
server=$!
trap 'kill "$server"' EXIT
# Until the server answers.
for _ in $(seq 50); do
    python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/')" 2>/dev/null && break
    sleep 0.1
done
# Both parts run side by side (each drives a browser of its own on one
# core), whichever fails; the cases' output comes after the page's tests.
status=0
cases_log=$(mktemp)
KVR_SITE="http://127.0.0.1:$port" KVR_STAND_IN="$PWD/build-web/stand-in/serial_stand_in.js" \
    "$cases" >"$cases_log" 2>&1 &
cases_run=$!
trap 'kill "$server"; rm -f "$cases_log"' EXIT
# Debian's Selenium belongs to Debian's Python.
KVR_SITE="http://127.0.0.1:$port" KVR_CLI="$cli" PYTHONPATH=tests/web \
    /usr/bin/python3 -m unittest -v page_test serial_test keyboard_test || status=1
wait "$cases_run" || status=1
cat "$cases_log"
exit "$status"
