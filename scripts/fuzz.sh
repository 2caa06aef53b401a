#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/NAME_fuzzer.cpp, each fuzz_NAME) with clang and
# runs each one after the other for the given number of seconds (default 60),
# on one core. The seed corpus under fuzz/corpus is copied, so runs grow their
# own corpus in build/fuzz/corpus. A finding, or an input that runs longer than
# 60 s, is kept in build/fuzz/artifacts and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build=build/fuzz
targets=()
for source in fuzz/*_fuzzer.cpp; do
  name="${source##*/}"
  targets+=("${name%_fuzzer.cpp}")
done

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2

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
      "$build/fuzz/fuzz_$t" "${dict[@]}" "${opts[@]}" -max_total_time="$seconds" -timeout=60 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" "$corpus" >"$log" 2>&1; then
    # libFuzzer's closing figures: runs, coverage, corpus, executions a second.
    grep -E '(DONE|^Done)' "$log" || true
    echo "$t: no finding"
  else
    tail -n 40 "$log"
    echo "$t: FINDING (see $log and $build/artifacts)"
    status=1
  fi
done
exit "$status"
