#!/usr/bin/env bash
# Builds the releases into dist/: the Debian package, the RPM, the Windows
# installer, the Windows zip, the web page's zip and SHA256SUMS. Release
# builds in folders of their own (build-release/, build-win-release/), apart
# from the test builds; the web page is scripts/build-web.sh's. The
# version is the project's VERSION in CMakeLists.txt. Two runs on the same
# commit give the same files: every date is the last commit's
# (SOURCE_DATE_EPOCH), and no build path goes into a file.
# Usage: scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# The Windows programs' toolchain: the one place that names it.
windows_toolchain=cmake/mingw-w64-i686.cmake

scripts/deps.sh test
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C.UTF-8
# Files are written as on a machine with the usual umask, whoever runs this.
umask 022
jobs=${KVR_JOBS:-$(nproc)}
# Paths as the sources see them, not where they were built.
prefix_map="-ffile-prefix-map=$root/=/usr/src/kvrsetup/ -ffile-prefix-map=$root=/usr/src/kvrsetup"

# Linux: the programs and the manual (its pictures need the tests' rig).
# -O2 as Debian builds its packages (GCC 12 warns wrongly at -O3 about
# std::string copies).
# CPack installs what the targets below built, without building the tests.
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DKVR_BUILD_TESTS=ON \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DCMAKE_CXX_FLAGS="$prefix_map -D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
    -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" >/dev/null
cmake --build build-release -j"$jobs" \
    --target kvrsetup-en kvrsetup-de kvrsetup-cli manual package-files
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-release/CMakeCache.txt)

# Windows: the programs and the picture tool its test uses; no tests. A
# build folder made with another toolchain cannot change it: it goes.
if [ "$(cat build-win-release/toolchain 2>/dev/null)" != "$windows_toolchain" ]; then
    rm -rf build-win-release
fi
cmake -S . -B build-win-release -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DKVR_BUILD_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$prefix_map" \
    -DCMAKE_EXE_LINKER_FLAGS="-Wl,--no-insert-timestamp" >/dev/null
echo "$windows_toolchain" >build-win-release/toolchain
cmake --build build-win-release -j"$jobs" \
    --target kvrsetup-en kvrsetup-de kvrsetup-cli kvr-window-shot

rm -rf dist
mkdir -p dist

# The Debian package and the RPM, stripped by CPack, their dependencies from
# the programs.
(cd build-release && cpack -G DEB -B "$root/build-release/cpack" >/dev/null)
cp "build-release/cpack/kvrsetup_${version}_amd64.deb" dist/
(cd build-release && cpack -G RPM -B "$root/build-release/cpack" >/dev/null)
cp "build-release/cpack/kvrsetup-${version}-1.x86_64.rpm" dist/

# The Windows files: the programs stripped, the manuals, one date for all.
strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' build-win-release/CMakeCache.txt)
files=build-win-release/dist-files
rm -rf "$files"
mkdir -p "$files"
for program in kvrsetup-en kvrsetup-de kvrsetup-cli; do
    "$strip" -o "$files/$program.exe" "build-win-release/$program.exe"
done
cp build-release/pc-setup-english.pdf build-release/pc-setup-deutsch.pdf "$files/"
# The licence as Windows' editors and the installer's page read it.
sed 's/$/\r/' LICENSE >"$files/LICENSE.txt"
touch -d "@$SOURCE_DATE_EPOCH" "$files"/*

# The zip: a folder of its own, files in a fixed order, no extra fields.
zipdir=build-win-release/zip/kvrsetup-$version
rm -rf build-win-release/zip
mkdir -p "$zipdir"
cp -p "$files"/* "$zipdir/"
touch -d "@$SOURCE_DATE_EPOCH" "$zipdir"
(cd build-win-release/zip && find "kvrsetup-$version" | LC_ALL=C sort |
    zip -X -q -@ "$root/dist/kvrsetup-$version-windows.zip")

# The installer; 64-bit programs go under the 64-bit Program Files.
win64=()
file "$files/kvrsetup-en.exe" | grep -q 'PE32+' && win64=(-DWIN64)
makensis -V2 -DVERSION="$version" -DFILES="$root/$files" \
    -DOUTFILE="$root/dist/kvrsetup-$version-setup.exe" "${win64[@]}" \
    packaging/windows/kvrsetup.nsi

# The web page: the site as built (scripts/build-web.sh builds only what
# changed), the release build's manuals for Help and the licence, in a
# folder of its own, made like the Windows zip.
KVR_JOBS=$jobs scripts/build-web.sh >/dev/null
webdir=build-web/zip/kvrsetup-$version-web
rm -rf build-web/zip
mkdir -p "$webdir"
cp -r build-web/site/. "$webdir/"
cp build-release/pc-setup-english.pdf build-release/pc-setup-deutsch.pdf "$webdir/"
# .txt: a web server hands it out as text.
cp LICENSE "$webdir/LICENSE.txt"
chmod -R u=rwX,go=rX "$webdir"
find "$webdir" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
(cd build-web/zip && find "kvrsetup-$version-web" | LC_ALL=C sort |
    zip -X -q -@ "$root/dist/kvrsetup-$version-web.zip")

(cd dist && sha256sum -- *.deb *.rpm *.exe *.zip > SHA256SUMS)
ls -l dist
