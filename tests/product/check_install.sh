#!/usr/bin/env bash
# Installs the build into a staging root and checks what landed there, and that
# the launcher entry, the metadata and the icon all use the same application id.
# Usage: check_install.sh <build dir> <staging dir> <app id>
set -euo pipefail
build=$1 stage=$2 id=$3
rm -rf "$stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
root="$stage/usr"
fail=0
bad() { echo "FAIL: $*"; fail=1; }

for exe in bin/mv4700-tool bin/mv4700-sim bin/mv4700; do
  [ -x "$root/$exe" ] || bad "$exe missing or not executable"
done
# Man pages compressed, as Debian installs them; each opens with its title line.
for page in mv4700 mv4700-tool mv4700-sim; do
  man="$root/share/man/man1/$page.1.gz"
  title=$(echo "$page" | tr '[:lower:]' '[:upper:]')
  if [ ! -s "$man" ]; then
    bad "man page $page.1.gz missing"
  elif ! gzip -dc "$man" | sed -n 1p | grep -q "^\.TH $title 1"; then
    bad "man page $page.1.gz has no title line"
  fi
done
[ -e "$root/share/man/man1/mv4700.1" ] && bad "an uncompressed man page is installed"
for doc in copyright changelog.gz; do
  [ -s "$root/share/doc/mv4700-tool/$doc" ] || bad "share/doc/mv4700-tool/$doc missing"
done
completion="$root/share/bash-completion/completions/mv4700"
[ -s "$completion" ] || bad "bash completion missing"
[ -s "$completion" ] && ! bash -n "$completion" && bad "bash completion does not parse"
# The command line starts without a display and without Qt Widgets.
if [ -x "$root/bin/mv4700" ]; then
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$root/bin/mv4700" --help >/dev/null ||
    bad "mv4700 --help fails without a display"
  ldd "$root/bin/mv4700" | grep -q 'libQt6Widgets' && bad "mv4700 links Qt Widgets"
fi
rule="$root/lib/udev/rules.d/60-mv4700.rules"
[ -s "$rule" ] || bad "udev rule missing"
desktop="$root/share/applications/$id.desktop"
metainfo="$root/share/metainfo/$id.metainfo.xml"
[ -s "$desktop" ] || bad "desktop file missing"
[ -s "$metainfo" ] || bad "metainfo missing"
for size in 48 64 128 256; do
  icon="$root/share/icons/hicolor/${size}x${size}/apps/$id.png"
  if [ ! -s "$icon" ]; then
    bad "icon ${size}x${size} missing"
  elif ! file "$icon" | grep -q "PNG image data, $size x $size"; then
    bad "icon in ${size}x${size} is $(file -b "$icon")"
  fi
done

if [ -s "$desktop" ]; then
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
  [ -x "$root/bin/$exec_name" ] || bad "Exec=$exec_name is not an installed program"
  grep -qx "Icon=$id" "$desktop" || bad "desktop Icon is not $id"
fi
if [ -s "$metainfo" ]; then
  grep -q "<id>$id</id>" "$metainfo" || bad "metainfo id is not $id"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    bad "metainfo launchable is not $id.desktop"
fi
if [ -s "$rule" ]; then
  # systemd drops a line that names a group which does not exist, uaccess and all.
  if grep -v '^#' "$rule" | grep 'uaccess' | grep -q 'GROUP='; then bad "GROUP= next to uaccess"; fi
  if grep -v '^#' "$rule" | grep -q 'MODE="0666"'; then bad "world-writable mode in the rule"; fi
  for subsystem in hidraw tty; do
    grep -v '^#' "$rule" | grep "SUBSYSTEM==\"$subsystem\"" | grep 'idVendor}=="10c4"' |
      grep 'idProduct}=="84b7"' | grep -q 'TAG+="uaccess"' || bad "no uaccess line for $subsystem"
  done
fi

[ "$fail" = 0 ] && echo "install layout OK under $stage"
exit "$fail"
