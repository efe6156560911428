# Sourced by the scripts that run Windows programs under Wine. Sets
# KVR_WINE_BITS to 32 where this machine can run 32-bit programs (the
# Windows programs users get are 32-bit), else to 64: some kernels are
# built or booted with their IA-32 emulation off, and 32-bit Wine cannot
# start there.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    KVR_WINE_BITS=32
else
    KVR_WINE_BITS=64
fi

# Debian's wine command starts its 32-bit loader whenever wine32 is
# installed, even where it cannot run: on a 64-bit-only machine the
# commands (wine, wineboot, winepath, ...) go to the 64-bit loader through
# a folder of stand-ins put first on PATH ($1).
kvr_wine64_only() {
    mkdir -p "$1"
    for name in wine wine-stable; do
        printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$1/$name"
        chmod +x "$1/$name"
    done
    export PATH="$1:$PATH" WINELOADER=/usr/lib/wine/wine64
}
