#!/usr/bin/env bash
# Builds the Debian package and checks that it carries the files, the library
# dependencies and the udev reload, that its programs are stripped, that its
# changelog names its version, and that lintian finds no error in it.
# Usage: check_deb.sh <build dir> <output dir> <app id>
set -euo pipefail
build=$1 out=$2 id=$3
rm -rf "$out" && mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
deb=$(ls "$out"/*.deb)
fail=0
bad() { echo "FAIL: $*"; fail=1; }
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/mv4700-tool ./usr/bin/mv4700 ./usr/bin/mv4700-sim \
            ./usr/share/man/man1/mv4700.1.gz ./usr/share/man/man1/mv4700-tool.1.gz \
            ./usr/share/man/man1/mv4700-sim.1.gz \
            ./usr/share/doc/mv4700-tool/copyright ./usr/share/doc/mv4700-tool/changelog.gz \
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

# The build keeps its debug information; the package must not carry it.
dpkg-deb -x "$deb" "$out/root"
for exe in mv4700-tool mv4700 mv4700-sim; do
  file -b "$out/root/usr/bin/$exe" | grep -q ', stripped' || bad "usr/bin/$exe is not stripped"
done
# A version bump needs its changelog entry.
version=$(dpkg-deb -f "$deb" Version)
top=$(gzip -dc "$out/root/usr/share/doc/mv4700-tool/changelog.gz" | sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p')
[ "$top" = "$version" ] || bad "the changelog's last entry is ($top), the package is $version"

if command -v lintian >/dev/null; then
  # Warnings are printed for the log; an error fails.
  status=0
  report=$(lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1) || status=$?
  grep -v 'root privileges' <<<"$report" || true
  [ "$status" = 0 ] || bad "lintian found errors (exit $status)"
else
  bad "lintian is missing (scripts/install-deps.sh installs it)"
fi
[ "$fail" = 0 ] && echo "package OK: $(basename "$deb"), installed size $(dpkg-deb -f "$deb" Installed-Size) KiB"
exit "$fail"
