#!/usr/bin/env bash
# Builds everything and runs every test, plain and under AddressSanitizer with
# UndefinedBehaviorSanitizer; then builds the fuzz targets with clang and runs
# each for a few seconds, so a fuzz target that no longer builds or a finding
# fails the run; last builds and runs the programs that run several threads
# under ThreadSanitizer. Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for preset in default asan; do
  echo "=== $preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
  echo "=== $preset: test"
  # Timing-sensitive programs run one at a time: the busy waits hold a core each.
  ctest --preset "$preset" -j 1 --timeout 600
done
echo "=== fuzz: build the fuzz targets, run each for 5 s"
scripts/fuzz.sh 5
echo "=== tsan: build (the multi-threaded test programs only)"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$(nproc)"
echo "=== tsan: test"
ctest --preset tsan -j 1 --timeout 600
