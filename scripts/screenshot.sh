#!/usr/bin/env bash
# Pictures of the tool on a virtual X display (Xvfb, no window manager).
#
#   scripts/screenshot.sh [out.png]
#       the main window at start-up (default: build/screenshot.png)
#   scripts/screenshot.sh --demo [DIR]
#       starts scripts/run.sh --readers 3 (the tool beside three emulated
#       readers) and works its menus as an operator would, with mouse and keys:
#       types a prefix and a postfix, writes the settings, clears the fields,
#       reads them back, flashes the sample firmware, reads the version, resets
#       the reader, saves and opens a settings file, runs test mode with an
#       iButton touched; then opens "All readers", writes the settings to the
#       three readers and flashes them, the third one's loader hanging, and exits.
#       Saves a picture of each step in DIR (default: build/demo-shots) and
#       checks that the emulator stopped with the tool.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${MV4700_ON_XVFB:-}" ]; then
  scripts/install-deps.sh
  exec env MV4700_ON_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

title="Mirevantis 4700B Programming tool v2.0"

fail() {
  echo "screenshot: $*" >&2
  exit 1
}

# Prints the id of the shown window whose name is $1, waiting while process $2 lives.
find_window() {
  local id
  while kill -0 "$2" 2>/dev/null; do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# The screen area of the main window, as an ImageMagick geometry. Every other
# window of the tool opens inside it.
area() {
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(xdotool getwindowgeometry --shell "$main")"
  echo "${WIDTH}x${HEIGHT}+${X}+${Y}"
}

# Saves what the screen shows of the main window's area: $1 a PNG, or raw RGB
# when $1 ends in .rgb (quick, for frames that are only compared).
grab() {
  case "$1" in
    *.rgb) import -window root -crop "$(area)" +repage -depth 8 "rgb:$1" ;;
    *) import -window root -crop "$(area)" +repage "$1" ;;
  esac
}

# Returns once the screen has not changed for $1 grabs in a row, 0.5 s apart;
# the commands run in the tool's own thread, so a still screen means it is done.
wait_still() {
  local last="" now same=0 frame
  frame=$(mktemp --suffix=.rgb)
  for _ in $(seq 240); do
    grab "$frame"
    now=$(md5sum <"$frame")
    if [ "$now" = "$last" ]; then same=$((same + 1)); else same=0; fi
    last=$now
    if [ "$same" -ge "$1" ]; then
      rm -f "$frame"
      return 0
    fi
    sleep 0.5
  done
  fail "the window never settled"
}

# The centres of the menu titles, with the fonts scripts/install-deps.sh installs.
menu_x=(20 85 187 290)

# Opens menu $1 of the menu bar (0 = File) and triggers its item $2 (1 = first).
menu() {
  local keys=() i
  xdotool mousemove --window "$main" "${menu_x[$1]}" 9 click 1
  sleep 0.3
  # A menu opened by the mouse has no item selected yet.
  for ((i = 0; i < $2; i++)); do keys+=(Down); done
  xdotool key "${keys[@]}" Return
}

# Replaces the text of the box at ($2, $3) in window $1 with $4.
type_into() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
  xdotool key ctrl+a BackSpace
  xdotool type --delay 30 "$4"
}

# Types $2 into the main window's box at $1 (prefix, postfix...), then puts the
# focus back on the status box: a blinking text cursor never lets the screen settle.
type_field() {
  case "$1" in
    prefix) type_into "$main" 288 101 "$2" ;;
    postfix) type_into "$main" 288 197 "$2" ;;
  esac
  xdotool mousemove --window "$main" 300 420 click 1
}

# In the file chooser: types $1 as the file name, or picks the first file of
# the list when $1 is empty; saves a picture to $2 when given; then confirms.
use_chooser() {
  local chooser
  chooser=$(find_window "4700 File Manager" "$run") || fail "the file chooser did not appear"
  sleep 0.5
  if [ -n "$1" ]; then
    type_into "$chooser" 320 228 "$1"
  else
    xdotool mousemove --window "$chooser" 254 15 click 1
  fi
  sleep 0.3
  if [ -n "${2:-}" ]; then grab "$2"; fi
  xdotool mousemove --window "$chooser" 320 264 click 1
}

# Answers the message box that opens with Return (its default button, OK).
confirm_box() {
  sleep 0.5
  xdotool key Return
}

startup_picture() {
  local out tool
  out=$(realpath -m "${1:-build/screenshot.png}")
  tool=build/default/app/mv4700-tool
  if [ ! -x "$tool" ]; then
    cmake --preset default >/dev/null
    cmake --build --preset default -j2 --target mv4700-tool
  fi
  mkdir -p "$(dirname "$out")"
  "$tool" &
  tool_pid=$!
  trap 'kill $tool_pid 2>/dev/null || true; wait $tool_pid 2>/dev/null || true' EXIT
  main=$(find_window "$title" "$tool_pid") || fail "the main window did not appear"
  wait_still 2
  grab "$out"
  echo "$out"
}

# Flashes the sample image from the chooser, saving the chooser, the question,
# a picture from the middle of the transfer and the end.
flash_sample_firmware() {
  local dir=$1 frames i n first last_change
  menu 1 5
  use_chooser "" "$dir/firmware-chooser.png"  # the sample image, the only file there
  sleep 1
  grab "$dir/firmware-question.png"
  xdotool key Return

  # Frames every 0.3 s until the screen has been still for 3 s. During the
  # transfer every frame adds dots; the middle of the last run of frames that
  # each differ from the one before is the transfer half done.
  frames=$(mktemp -d)
  local sums=() same=0
  for ((n = 0; n < 600; n++)); do
    grab "$frames/$n.rgb"
    sums+=("$(md5sum <"$frames/$n.rgb")")
    if [ "$n" -gt 0 ] && [ "${sums[n]}" = "${sums[n - 1]}" ]; then
      same=$((same + 1))
    else
      same=0
    fi
    [ "$same" -ge 10 ] && break
    sleep 0.3
  done
  [ "$same" -ge 10 ] || fail "the firmware update never ended"
  last_change=$((n - same))
  first=$last_change
  while [ "$first" -gt 1 ] && [ "${sums[first - 1]}" != "${sums[first - 2]}" ]; do
    first=$((first - 1))
  done
  i=$(((first + last_change) / 2))
  convert -size "$(area | cut -d+ -f1)" -depth 8 "rgb:$frames/$i.rgb" "$dir/firmware-update.png"
  grab "$dir/firmware-done.png"
  rm -rf "$frames"
}

# "All readers": the settings written to the three readers at once, then the
# sample firmware flashed to them with the third reader's loader hanging.
# Pictures of the view are taken in its own area.
bench_pictures() {
  local dir=$1 main_window=$main
  menu 2 3  # All readers...
  main=$(find_window "All readers" "$run") || fail "All readers did not appear"
  # Below the main window's menu bar, which the tour needs again to exit.
  xdotool windowmove "$main" 40 60
  wait_still 6
  grab "$dir/demo-bench.png"

  xdotool mousemove --window "$main" 54 288 click 1  # Write settings
  sleep 1
  wait_still 6
  grab "$dir/demo-bench-write.png"

  echo "3 loader-stall 10" >&9
  xdotool mousemove --window "$main" 358 288 click 1  # Firmware update...
  use_chooser ""  # the sample image, the only file there
  sleep 1
  xdotool key Return  # the question naming the readers and the version
  sleep 4
  grab "$dir/demo-bench-flash.png"
  # The flashed readers answer with their new version a few seconds after the
  # transfer; the hung one fails on its own time-out.
  wait_still 24
  xdotool mousemove --window "$main" 300 105 click 1  # the third reader's own lines
  wait_still 4
  grab "$dir/demo-bench-done.png"
  main=$main_window
}

demo_pictures() {
  local dir log fifo
  dir=$(realpath -m "${1:-build/demo-shots}")
  mkdir -p "$dir" build
  log=$PWD/build/demo-run.log
  rm -f build/demo/demo-settings.mvs  # left by an earlier tour
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  scripts/run.sh --readers 3 <"$fifo" >"$log" 2>&1 &
  run=$!
  exec 9>"$fifo"  # run.sh passes lines typed here to the emulator; keep its input open
  rm -f "$fifo"
  trap 'kill $run 2>/dev/null || true' EXIT
  main=$(find_window "$title" "$run") || fail "the main window did not appear; see $log"
  # The emulator run.sh started, followed by its own id: another one running
  # on this machine is none of this demo's business.
  local sim_pid
  sim_pid=$(pgrep -P "$run" -x mv4700-sim) || fail "the demo's emulator is not running; see $log"
  wait_still 3

  type_field prefix "ID:"
  type_field postfix "#"
  menu 1 1  # Write settings to 4700
  wait_still 3
  grab "$dir/demo-write.png"

  menu 0 3  # Clear all setting fields to default
  confirm_box
  wait_still 2
  menu 1 2  # Read settings from 4700
  wait_still 3
  grab "$dir/demo-read.png"

  flash_sample_firmware "$dir"

  menu 1 4  # Read version from 4700
  wait_still 3
  grab "$dir/demo-version.png"

  menu 1 3  # Reset 4700 settings to default
  confirm_box
  wait_still 3
  grab "$dir/demo-reset.png"

  menu 0 2  # Save file
  use_chooser "demo-settings"
  wait_still 2
  grab "$dir/demo-save.png"
  type_field prefix "changed"
  menu 0 1  # Open file
  use_chooser ""  # demo-settings.mvs, the only settings file there
  wait_still 2
  grab "$dir/demo-open.png"

  menu 2 1  # Start Test
  wait_still 3
  echo touch >&9  # an iButton on the emulated reader
  wait_still 2
  grab "$dir/demo-test.png"
  menu 2 2  # End Test
  wait_still 2
  grab "$dir/demo-test-end.png"

  bench_pictures "$dir"

  menu 0 4  # Exit
  for _ in $(seq 100); do
    kill -0 "$run" 2>/dev/null || break
    sleep 0.2
  done
  kill -0 "$run" 2>/dev/null && fail "the demo did not end with the tool"
  wait "$run" || fail "scripts/run.sh failed; see $log"
  kill -0 "$sim_pid" 2>/dev/null && fail "the emulator outlived the tool"
  echo "the demo ended and its emulator stopped; pictures in $dir:"
  ls "$dir"
}

case "${1:-}" in
  --demo) demo_pictures "${2:-}" ;;
  *) startup_picture "${1:-}" ;;
esac
