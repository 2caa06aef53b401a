#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need, when
# any is missing (dpkg-dev and lintian make and check the Debian package). Runs
# apt-get as root, or through sudo.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config python3
  qt6-base-dev qt6-serialport-dev libgl-dev
  libhidapi-dev libgtest-dev
  clang libclang-rt-14-dev
  xvfb xauth x11-utils xdotool imagemagick fonts-liberation2 libxcb1-dev
  desktop-file-utils appstream
  dpkg-dev lintian
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ -n "$sudo" ] && ! command -v sudo >/dev/null; then
  echo "Neither root nor sudo: as root, run apt-get install ${missing[*]}" >&2
  exit 1
fi
$sudo apt-get update -qq
# Through env: sudo would drop a variable set before it.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
