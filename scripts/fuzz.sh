#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each one after the other for the
# given number of seconds (default 60), on one core. The seed corpus under
# fuzz/corpus is copied, so runs grow their own corpus in build/fuzz/corpus.
# A finding is kept in build/fuzz/artifacts and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build=build/fuzz
targets=(load_settings unpack_settings first_stage version_reply serial_identify)

CXX=clang++ cmake -S . -B "$build" -G Ninja -DMV4700_FUZZ=ON -DMV4700_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]/#/fuzz_}"

mkdir -p "$build/artifacts"
# Inputs go through real files; keep them in memory where the system allows.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
status=0
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  cp -n fuzz/corpus/"$t"/* "$corpus"/
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  # Extra libFuzzer flags of a target, one line (e.g. a longer -max_len).
  opts=()
  [ -f "fuzz/$t.options" ] && read -ra opts <"fuzz/$t.options"
  echo "=== $t: $seconds s"
  log="$build/$t.log"
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "$build/fuzz/fuzz_$t" "${dict[@]}" "${opts[@]}" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$t-" "$corpus" >"$log" 2>&1; then
    grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added|stat::peak_rss_mb)' "$log" || true
    echo "$t: no finding"
  else
    tail -n 40 "$log"
    echo "$t: FINDING (see $log and $build/artifacts)"
    status=1
  fi
done
exit "$status"
