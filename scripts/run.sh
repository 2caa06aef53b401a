#!/usr/bin/env bash
# Builds the tool and starts it. Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
exec build/default/app/mv4700-tool
