#!/usr/bin/env bash
# Installs what building and testing need, from Debian's packages. Does
# nothing when everything is there already.
set -euo pipefail

packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev qt6-base-dev qt6-base-dev-tools
          libqt6serialport6-dev libgl-dev fonts-dejavu-core)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
