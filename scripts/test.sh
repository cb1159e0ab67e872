#!/usr/bin/env bash
# Installs what is missing, builds with tests and runs the whole test suite under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
[[ $(id -u) -eq 0 ]] && bash scripts/install-deps.sh
build=${TAVO_BUILD_DIR:-build}
jobs=${TAVO_JOBS:-$(nproc)}
werror=OFF
[[ "${CI:-}" == true ]] && werror=ON

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" \
  -DTAVO_WERROR=$werror -DTAVO_BUILD_TESTS=ON -DTAVO_BUILD_BENCH=ON
cmake --build "$build" -j "$jobs"

# The real programs the tests talk to.
bash scripts/install-npm-programs.sh "$build"

cd "$build"
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" \
  ctest --output-on-failure -j "$jobs" --timeout 600 "$@"
