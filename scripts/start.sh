#!/usr/bin/env bash
# Builds the program and starts it on the built-in simulated controller.
# Usage: scripts/start.sh [en|de] [further program arguments]
#        scripts/start.sh web [port]   builds the web page and serves it
set -euo pipefail
cd "$(dirname "$0")/.."
lang="${1:-en}"
[ $# -gt 0 ] && shift

if [ "$lang" = web ]; then
    scripts/build-web.sh >/dev/null
    port="${1:-8080}"
    # Web Serial needs a secure page: localhost counts as one.
    echo "kvrsetup in the browser: http://localhost:$port/ (German: http://localhost:$port/de.html," \
        "simulated controller: http://localhost:$port/?simulate)"
    exec python3 -m http.server "$port" --bind localhost --directory build-web/site
fi

scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target "kvrsetup-$lang" manual
# Started from the build folder, so its blsetup.cfg stays out of the sources
# and Help finds the manual there.
cd build
exec "./kvrsetup-$lang" --simulate "$@"
