#!/usr/bin/env bash
# Builds everything and runs every test, plain and under AddressSanitizer with
# UndefinedBehaviorSanitizer. Installs missing Debian packages first.
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
