#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need, when
# any is missing. Runs apt-get as root, or through sudo.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config python3
  qt6-base-dev qt6-serialport-dev libgl-dev
  libhidapi-dev libgtest-dev
  clang libclang-rt-14-dev
  xvfb xauth x11-utils xdotool imagemagick fonts-liberation2 libxcb1-dev
  desktop-file-utils appstream
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
