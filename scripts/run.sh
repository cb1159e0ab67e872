#!/usr/bin/env bash
# Installs what is missing, builds the application and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
[[ $(id -u) -eq 0 ]] && bash scripts/install-deps.sh
build=${TAVO_BUILD_DIR:-build-release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVO_BUILD_TESTS=OFF -DTAVO_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)"
exec "$build/bin/TavoOrlune" "$@"
