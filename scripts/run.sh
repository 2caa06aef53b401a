#!/usr/bin/env bash
# Builds the tool and starts it beside the reader emulator: a 4700-01 served by
# mv4700-sim on a pseudo-terminal, mapped to COM1, answering at the real speed
# of its line. The tool starts in build/demo, beside a sample firmware image, so
# its file chooser opens there. Lines typed here go to the emulated reader
# ("touch", "remove", "unplug", "replug"; with several readers "2 touch" goes
# to reader 2). With --readers N the emulator serves N readers on COM1..COMN.
# With --real the tool starts alone, for real readers. Installs missing Debian
# packages first, and builds the command line mv4700 beside the window; once
# the emulator is up it prints the port's link and a mv4700 line to copy.
# Without a display the demo runs on a virtual one (xvfb-run), unseen.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."

usage() { echo "usage: scripts/run.sh [--real | --readers N]" >&2; exit 2; }
real=0
readers=1
case "${1:-}" in
  --real) real=1 ;;
  --readers)
    readers=${2:-}
    [[ "$readers" =~ ^([1-9]|1[0-6])$ ]] || usage
    ;;
  "") ;;
  *) usage ;;
esac

# Asked first, before any build: without a display the demo runs on a virtual
# one, where its emulator still serves the command line.
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  if [ "$real" -eq 1 ]; then
    echo "No display found: the tool needs one to show its window. Run this where a display is." >&2
    exit 1
  fi
  echo "No display found: starting on a virtual display (xvfb-run), where the window is not seen;" >&2
  echo "the emulator and the command line work as usual. Ctrl+C ends it." >&2
  scripts/install-deps.sh
  cd "$caller"
  exec xvfb-run -a "$0" "$@"
fi

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target mv4700-tool mv4700-sim mv4700

tool=$PWD/build/default/app/mv4700-tool
if [ "$real" -eq 1 ]; then
  exec "$tool"
fi

sim=$PWD/build/default/sim/mv4700-sim
mkdir -p build/demo
image=build/demo/sample-firmware.bin
"$sim" --make-image "$image" --length 4096 --version "MV4700-01 demo firmware V2.1"

# The link names the port as a by-id link names an adapter: it follows the
# emulator's port across "hangup" and "replug".
port_link=$PWD/build/demo/mv4700-sim-port
coproc SIM { exec "$sim" --readers "$readers" --model new --baud 9600 --wire-time \
  --link "$port_link" --version "MV4700-01 V2.0 (emulated)"; }
com_ports=()
for ((k = 1; k <= readers; k++)); do
  read -r pty <&"${SIM[0]}"
  link=$port_link
  [ "$readers" -gt 1 ] && link=$port_link$k
  com_ports+=("$link")
  echo "Emulated 4700-01 on $pty ($link), mapped to COM$k."
done
com_list=$(IFS=,; echo "${com_ports[*]}")
echo "Sample firmware image: $image"
echo "Type touch or remove (then Enter) to present or take away the iButton;"
echo "hangup and replug pull and plug in its adapter (mv4700-sim --help lists all)."
# Paths as seen from where the script was started, so that the line can be
# copied into another terminal there.
shown() { realpath -s --relative-to="$caller" "$1"; }
echo "The command line reaches the emulator through $(shown "${com_ports[0]}"); in another terminal:"
echo "  $(shown build/default/cli/mv4700) --serial $(shown "${com_ports[0]}") version"
if [ "$readers" -gt 1 ]; then
  echo "and every reader at once, as the window's COM slots:"
  echo "  MV4700_COM_PORTS=$com_list $(shown build/default/cli/mv4700) --all list"
fi

(cd build/demo && MV4700_COM_PORTS="$com_list" exec "$tool") &
tool_pid=$!
trap 'kill "$tool_pid" 2>/dev/null || true' INT TERM
while kill -0 "$tool_pid" 2>/dev/null; do
  if read -r -t 1 line; then
    echo "$line" >&"${SIM[1]}"
  elif [ $? -le 128 ]; then
    sleep 1  # no terminal input (end of file): just wait for the tool
  fi
done
wait "$tool_pid" || true
# Closing its standard input ends the emulator.
sim_pid=$SIM_PID
eval "exec ${SIM[1]}>&-"
wait "$sim_pid" 2>/dev/null || true
