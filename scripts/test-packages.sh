#!/usr/bin/env bash
# Builds the releases (scripts/package.sh) twice and checks that both runs
# gave the same bytes, then checks them as a user gets them: the Debian
# package with lintian, desktop-file-validate and appstreamcli, unpacked
# and run (every program's --version, the command line, the window
# program's first start through its desktop entry), its man pages and
# manuals; the RPM with rpmlint and against the Debian package's files; the
# web page's zip; then the Windows installer under Wine: silent install,
# --version, the program from its shortcut, Help, the uninstaller.
# scripts/test.sh runs it last.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}
scratch=$(mktemp -d)
program=""
xvfb=""
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null || true
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

echo "== two runs of scripts/package.sh"
scripts/package.sh >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-release/CMakeCache.txt)
deb=dist/kvrsetup_${version}_amd64.deb
rpm=dist/kvrsetup-${version}-1.x86_64.rpm
commit=$(git rev-parse --short=12 HEAD)
cp -r dist "$scratch/first"
scripts/package.sh >/dev/null
for f in "$deb" "$rpm" "dist/kvrsetup-$version-setup.exe" "dist/kvrsetup-$version-windows.zip" \
    "dist/kvrsetup-$version-web.zip" dist/SHA256SUMS; do
    [ -s "$f" ] || fail "$f was not made"
done
[ "$(ls dist)" = "$(ls "$scratch/first")" ] || fail "the two runs made different files"
for f in "$scratch"/first/*; do
    cmp -s "$f" "dist/${f##*/}" || fail "${f##*/} differs between two runs on one commit"
done

# Waits up to $1 seconds for the file $2.
wait_for() {
    for _ in $(seq $(($1 * 10))); do [ -e "$2" ] && return 0; sleep 0.1; done
    return 1
}

echo "== the Debian package"
(cd dist && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match dist/"
lintian --fail-on error "$deb" || fail "lintian reports errors"

pkg=$scratch/root
dpkg-deb -x "$deb" "$pkg"
grep -qx 'License: MIT' "$pkg/usr/share/doc/kvrsetup/copyright" || fail "copyright: not MIT"
[ "$(zcat "$pkg/usr/share/doc/kvrsetup/changelog.gz" | sed -n 1p)" = \
    "kvrsetup ($version) unstable; urgency=medium" ] || fail "the changelog does not open with $version"
# The FTDI fast path: libftdi1 comes with the package, and the logged-in
# user may open the chips.
dpkg-deb -f "$deb" Depends | grep -q 'libftdi1-2' || fail "the package does not depend on libftdi1-2"
rule="$pkg/usr/lib/udev/rules.d/60-kvrsetup-ftdi.rules"
for id in 6001 6010 6011 6014 'TAG+="uaccess"'; do
    grep -q -- "$id" "$rule" 2>/dev/null || fail "the udev rule lacks $id"
done
grep -q '<project_license>MIT</project_license>' "$pkg"/usr/share/metainfo/*.metainfo.xml ||
    fail "AppStream: not MIT"
grep -q "<release version=\"$version\"" "$pkg"/usr/share/metainfo/*.metainfo.xml ||
    fail "AppStream: no release $version"
desktop-file-validate "$pkg"/usr/share/applications/*.desktop || fail "desktop entries"
appstreamcli validate --no-net --explain "$pkg"/usr/share/metainfo/*.metainfo.xml >"$scratch/as.log" 2>&1 ||
    { cat "$scratch/as.log"; fail "AppStream metainfo"; }
grep -q '^[EWI]:' "$scratch/as.log" && { cat "$scratch/as.log"; fail "AppStream metainfo not clean"; }

for page in kvrsetup-en kvrsetup-de kvrsetup-cli; do
    warnings=$(MANWIDTH=80 man --warnings -l "$pkg/usr/share/man/man1/$page.1.gz" 2>&1 >"$scratch/$page.txt")
    [ -z "$warnings" ] || fail "man page $page: $warnings"
    grep -q "^NAME" "$scratch/$page.txt" || fail "man page $page does not render"
done

# The manuals, each with the six pictures of the windows.
for manual in pc-setup-english pc-setup-deutsch; do
    pdf=$pkg/usr/share/kvrsetup/$manual.pdf
    [ -s "$pdf" ] || { fail "$manual.pdf missing"; continue; }
    images=$(pdfimages -list "$pdf" | tail -n +3 | wc -l)
    [ "$images" -ge 6 ] || fail "$manual.pdf holds $images pictures, not 6"
done

# Every program's version, and the commit it was built from, without a
# desktop.
for name in kvrsetup-cli kvrsetup-en kvrsetup-de; do
    answer=$(env -u DISPLAY -u WAYLAND_DISPLAY "$pkg/usr/bin/$name" --version 2>&1) ||
        fail "$name --version failed"
    [ "$answer" = "$name $version (commit $commit)" ] || fail "$name --version says: $answer"
done

# The command line program, as installed.
(cd "$scratch" && "$pkg/usr/bin/kvrsetup-cli" --simulate --virtual-time read >cli.txt 2>&1) ||
    { cat "$scratch/cli.txt"; fail "kvrsetup-cli --simulate read"; }

# The window program's first start from the desktop menu: its entry's
# command makes the user's folder with blsetup.cfg and the manual in it.
command=$(sed -n 's/^Exec=//p' "$pkg/usr/share/applications/kvrsetup-en.desktop")
config=$scratch/config
mkdir -p "$scratch/elsewhere"
(cd "$scratch/elsewhere" && XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=offscreen \
    PATH="$pkg/usr/bin:$PATH" exec $command --simulate >"$scratch/en.log" 2>&1) &
program=$!
wait_for 30 "$config/kvrsetup/blsetup.cfg" || fail "no blsetup.cfg in the user's folder"
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
program=""
[ "$(head -c 4 "$config/kvrsetup/blsetup.cfg" 2>/dev/null)" = COM2 ] || fail "blsetup.cfg not as on a first start"
cmp -s "$config/kvrsetup/pc-setup-english.pdf" "$pkg/usr/share/kvrsetup/pc-setup-english.pdf" ||
    fail "the manual is not linked into the user's folder"
[ -z "$(ls -A "$scratch/elsewhere")" ] || fail "the desktop start wrote into the current folder"

echo "== the RPM"
rpmlint -c packaging/rpmlint.toml "$rpm" >"$scratch/rpmlint.log" 2>&1 || true
grep -q ' 0 errors,' "$scratch/rpmlint.log" || { cat "$scratch/rpmlint.log"; fail "rpmlint reports errors"; }
rpm -qip "$rpm" >"$scratch/rpm-info.txt"
grep -q "^Version *: $version$" "$scratch/rpm-info.txt" || fail "RPM: not version $version"
grep -q '^License *: MIT$' "$scratch/rpm-info.txt" || fail "RPM: not MIT"
rpm -qp --requires "$rpm" >"$scratch/rpm-requires.txt"
for need in 'libQt6Widgets.so.6()(64bit)' 'libQt6SerialPort.so.6()(64bit)' 'libftdi1.so.2()(64bit)' \
    hicolor-icon-theme; do
    grep -qxF "$need" "$scratch/rpm-requires.txt" || fail "RPM does not require $need"
done
rpm -qp --changelog "$rpm" | sed -n 1p | grep -q -- "- $version-1$" || fail "RPM changelog"
# The Debian package's files, programs, desktop entries, man pages and
# manuals alike; of the folders, only its own.
rpm -qlvp "$rpm" | awk '$1 !~ /^d/ {print $NF}' | sort >"$scratch/rpm-files.txt"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print substr($NF, 2)}' | sort >"$scratch/deb-files.txt"
diff -u "$scratch/deb-files.txt" "$scratch/rpm-files.txt" || fail "the RPM's files are not the Debian package's"
rpm -qlvp "$rpm" | awk '$1 ~ /^d/ && $NF !~ /kvrsetup/ {print $NF}' | grep . &&
    fail "the RPM owns folders of other packages"

echo "== the zips"
unzip -Z1 "dist/kvrsetup-$version-web.zip" >"$scratch/web.txt"
for f in index.html de.html kvrsetup.js kvrsetup.wasm pc-setup-english.pdf pc-setup-deutsch.pdf \
    LICENSE.txt; do
    grep -qx "kvrsetup-$version-web/$f" "$scratch/web.txt" || fail "the web zip has no $f"
done
unzip -Z1 "dist/kvrsetup-$version-windows.zip" >"$scratch/windows.txt"
grep -qx "kvrsetup-$version/LICENSE.txt" "$scratch/windows.txt" || fail "the Windows zip has no LICENSE.txt"

echo "== the Windows installer under Wine"
. scripts/wine-bits.sh
if [ "$KVR_WINE_BITS" != 32 ]; then
    # The installer and the programs in it are 32-bit.
    echo "NOT RUN: this machine runs no 32-bit programs (IA-32 emulation is off), so the" \
         "32-bit installer cannot be tried here; its files were built and summed above." >&2
    [ $status -eq 0 ] && echo "packages: all checks that can run here passed"
    exit $status
fi
export WINEPREFIX=$root/build-win-release/wine-install WINEDEBUG=-all
# No menu entries or file types of the host from the test prefix.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
displayFile=$scratch/display
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayFile" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$displayFile" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$displayFile")"
wineboot -i >/dev/null 2>&1

wine "dist/kvrsetup-$version-setup.exe" /S >/dev/null 2>&1 || fail "the installer failed"
installed=$(find "$WINEPREFIX/drive_c" -maxdepth 4 -path '*/Program Files*/kvrsetup/kvrsetup-en.exe' | head -n1)
[ -n "$installed" ] || fail "kvrsetup-en.exe is not under Program Files"
folder=$(dirname "$installed")
for f in kvrsetup-de.exe kvrsetup-cli.exe pc-setup-english.pdf pc-setup-deutsch.pdf LICENSE.txt \
    uninstall.exe; do
    [ -f "$folder/$f" ] || fail "$f not installed"
done
# The window programs tell their version where their output was sent.
for name in kvrsetup-cli kvrsetup-en kvrsetup-de; do
    answer=$(wine "$folder/$name.exe" --version 2>/dev/null | tr -d '\r') || fail "$name.exe --version failed"
    [ "$answer" = "$name $version (commit $commit)" ] || fail "$name.exe --version says: $answer"
done
shortcut=$(find "$WINEPREFIX/drive_c/users" -name 'KVR-Duza2 Setup (English).lnk' | head -n1)
[ -n "$shortcut" ] || fail "no Start-menu shortcut"
# The shortcut starts the program with --user-folder, in the user's folder
# (each string of the link follows its length).
user=$(find "$WINEPREFIX/drive_c/users" -maxdepth 4 -type d -path '*/AppData/Roaming/kvrsetup' | head -n1)
[ -n "$user" ] || fail "no user's folder"
strings -el "$shortcut" | grep -q -- '--user-folder$' || fail "the shortcut does not pass --user-folder"
strings -el "$shortcut" | grep -qi 'C:\\users\\[^\\]*\\AppData\\Roaming\\kvrsetup$' ||
    fail "the shortcut's working folder is not the user's folder"

shot=build-win-release/kvr-window-shot.exe
title="KVR-Duza2  Setup  [simulated]"
(cd "$scratch" && exec wine "$installed" --user-folder --simulate >/dev/null 2>&1) &
program=$!
wine "$shot" "$title" "$(winepath -w "$scratch/window.png")" 60 >/dev/null 2>&1 ||
    fail "the installed program shows no window"
[ -f "$user/blsetup.cfg" ] || fail "no blsetup.cfg in the user's folder"
[ -f "$user/pc-setup-english.pdf" ] || fail "no manual in the user's folder"
# Help finds the manual there: no box then; without it, the box.
if wine "$shot" "$title" "$(winepath -w "$scratch/help.png")" 5 1104 Error >/dev/null 2>&1; then
    fail "Help does not find the manual in the user's folder"
fi
mv "$user/pc-setup-english.pdf" "$scratch/"
wine "$shot" "$title" "$(winepath -w "$scratch/missing.png")" 10 1104 Error >/dev/null 2>&1 ||
    fail "Help without the manual shows no message"
mv "$scratch/pc-setup-english.pdf" "$user/"
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
program=""
wineserver -k >/dev/null 2>&1 || true

# The uninstaller hands over to a copy of itself and returns at once.
wine "$folder/uninstall.exe" /S >/dev/null 2>&1 || fail "the uninstaller failed"
for _ in $(seq 300); do [ -e "$folder" ] || break; sleep 0.1; done
[ -e "$folder" ] && fail "the program files are still there: $(ls "$folder")"
[ -f "$user/blsetup.cfg" ] || fail "the uninstaller removed blsetup.cfg"
[ -e "$shortcut" ] && fail "the shortcut is still there"

[ $status -eq 0 ] && echo "packages: all checks passed"
exit $status
