#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages. Does
# nothing when everything is there already.
# Usage: scripts/deps.sh        what building and running the program needs
#        scripts/deps.sh test   and what the tests need (Windows cross-build,
#                               Wine, a virtual X server, avrdude, the
#                               package tools, rpm and rpmlint)
#        scripts/deps.sh windows64  the 64-bit Windows build and Wine, for
#                               machines that run no 32-bit programs
#        scripts/deps.sh web    the web page's build (emscripten) and its
#                               tests (a headless Chromium driven by Selenium)
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
          libgtest-dev libgmock-dev fonts-dejavu-core nlohmann-json3-dev libcli11-dev qt6-svg-dev)
# The FTDI fast path: libftdi1 drives the USB serial chips in bit-bang mode.
packages+=(libftdi1-dev)
# Rebuilds, and builds in several checkouts, share a compiler cache.
packages+=(ccache)
if [ "${1:-}" = test ]; then
    packages+=(avrdude xvfb xauth)
    # The Windows programs are 32-bit, so that they can load the 32-bit port
    # driver library: the i686 cross compiler, and Wine's 32-bit side to run
    # their tests.
    packages+=(g++-mingw-w64-i686-posix wine wine32:i386)
    # The packages and their checks: the Debian package, the RPM package
    # (rpm brings rpmbuild), the Windows installer and zip, the man pages.
    packages+=(dpkg-dev file lintian desktop-file-utils appstream man-db nsis zip unzip poppler-utils
               rpm rpmlint)
fi
# Where 32-bit programs cannot run, the Windows tests use a 64-bit build.
if [ "${1:-}" = windows64 ]; then
    packages+=(g++-mingw-w64-x86-64-posix wine wine64)
fi

# The web page: emscripten's optimizer parses with node's acorn, which
# Debian keeps as a package of its own.
if [ "${1:-}" = web ]; then
    packages+=(emscripten node-acorn chromium chromium-driver python3-selenium)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# wine32 comes from the i386 architecture, which apt only offers once dpkg
# knows it.
if [ "${1:-}" = test ] && [ "$(dpkg --print-architecture)" != i386 ] &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
