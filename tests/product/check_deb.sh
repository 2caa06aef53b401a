#!/usr/bin/env bash
# Builds the Debian package and checks that it carries the files, the library
# dependencies and the udev reload.
# Usage: check_deb.sh <build dir> <output dir> <app id>
set -euo pipefail
build=$1 out=$2 id=$3
rm -rf "$out" && mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
deb=$(ls "$out"/*.deb)
fail=0
bad() { echo "FAIL: $*"; fail=1; }
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/mv4700-tool ./usr/bin/mv4700 ./usr/share/man/man1/mv4700.1 \
            ./usr/share/bash-completion/completions/mv4700 ./usr/lib/udev/rules.d/60-mv4700.rules \
            "./usr/share/applications/$id.desktop" "./usr/share/metainfo/$id.metainfo.xml" \
            "./usr/share/icons/hicolor/256x256/apps/$id.png"; do
  grep -q " $path\$" <<<"$contents" || bad "$path not in the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libhidapi-hidraw libqt6serialport6 libqt6widgets6; do
  grep -q "$lib" <<<"$depends" || bad "Depends lacks $lib: $depends"
done
dpkg-deb -e "$deb" "$out/control"
grep -q 'udevadm control --reload-rules' "$out/control/postinst" || bad "postinst does not reload udev"
[ -x "$out/control/postinst" ] || bad "postinst not executable"
[ "$fail" = 0 ] && echo "package OK: $(basename "$deb")"
exit "$fail"
