#!/usr/bin/env bash
# Starts the tool on a virtual X display and saves a PNG of its main window.
# Usage: scripts/screenshot.sh [output.png]   (default: build/screenshot.png)
# Builds the default preset first if the program is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
out="$(realpath -m "${1:-build/screenshot.png}")"
tool=build/default/app/mv4700-tool
if [ ! -x "$tool" ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default -j2 --target mv4700-tool
fi
mkdir -p "$(dirname "$out")"
export MV4700_TOOL="$tool" MV4700_SHOT="$out"
# import waits for a mouse click when the named window does not exist yet, so
# find the window first and hand import its id. ImageMagick's own import (a
# wrapper of the same name may sit earlier in PATH).
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$MV4700_TOOL" & pid=$!
  trap "kill $pid 2>/dev/null" EXIT
  title="Mirevantis 4700B Programming tool v2.0"
  for _ in $(seq 50); do
    id=$(xwininfo -name "$title" 2>/dev/null | sed -n "s/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p")
    if [ -n "$id" ]; then
      sleep 0.5  # let the first paint land
      timeout 20 /usr/bin/import -window "$id" "$MV4700_SHOT" && exit 0
      break
    fi
    sleep 0.2
  done
  echo "the main window did not appear" >&2
  exit 1
'
echo "$out"
