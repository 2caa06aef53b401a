#!/usr/bin/env bash
# The package scripts ask udev to reload; a machine without a working udev
# (container, chroot) must still finish the install.
# Usage: check_maintainer_scripts.sh <dist dir> <scratch dir>
set -euo pipefail
dist=$1 scratch=$2
rm -rf "$scratch" && mkdir -p "$scratch"
cat >"$scratch/udevadm" <<'SH'
#!/bin/sh
echo "$*" >>"$(dirname "$0")/calls"
echo "Failed to send reload request: No such file or directory" >&2
exit 1
SH
chmod +x "$scratch/udevadm"
fail=0
for script in postinst:configure postrm:remove; do
  name=${script%%:*} arg=${script##*:}
  if ! PATH="$scratch:$PATH" sh "$dist/$name" "$arg"; then
    echo "FAIL: $name $arg fails when udevadm fails"; fail=1
  fi
done
grep -q '^control --reload-rules' "$scratch/calls" || { echo "FAIL: rules not reloaded"; fail=1; }
grep -q '^trigger' "$scratch/calls" || { echo "FAIL: no trigger"; fail=1; }
# Without udevadm at all.
if ! PATH=/nonexistent /bin/sh "$dist/postinst" configure; then
  echo "FAIL: postinst fails without udevadm"; fail=1
fi
exit "$fail"
