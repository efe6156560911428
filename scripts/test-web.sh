#!/usr/bin/env bash
# Tests the web page: builds it, serves it on a free local port and drives
# it in headless Chromium, with the command line (from the Linux build in
# build/, or KVR_CLI) as the reference.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build-web.sh >/dev/null
cli="${KVR_CLI:-$PWD/build/kvrsetup-cli}"
if [ ! -x "$cli" ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j"$(nproc)" --target kvrsetup-cli
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
# Debian's Selenium belongs to Debian's Python.
KVR_SITE="http://127.0.0.1:$port" KVR_CLI="$cli" PYTHONPATH=tests/web \
    /usr/bin/python3 -m unittest -v page_test serial_test
