#!/usr/bin/env bash
# Builds the web page with Debian's emscripten: build-web/site/ holds the
# static files (HTML, JavaScript, WebAssembly) to serve.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh web
# emscripten's optimizer needs node's acorn, which Debian keeps apart.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-web -j"${KVR_JOBS:-$(nproc)}"
# The manuals, where the Linux build has made them, for Help.
for manual in build/pc-setup-english.pdf build/pc-setup-deutsch.pdf; do
    if [ -f "$manual" ]; then cp "$manual" build-web/site/; fi
done
echo "build-web/site"
