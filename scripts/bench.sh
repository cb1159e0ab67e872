#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks in Release (their figures count only from
# there) and runs each once, printing its figures.
#   bench.sh [all|build|run]   build only builds; run runs what an earlier build made.
set -euo pipefail
cd "$(dirname "$0")/.."
phase=${1:-all}
case $phase in all|build|run) ;; *) echo "usage: $0 [all|build|run]" >&2; exit 2 ;; esac
[[ $(id -u) -eq 0 ]] && bash scripts/install-deps.sh
build=${TAVO_BENCH_DIR:-build-bench}
jobs=${TAVO_JOBS:-$(nproc)}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVO_BUILD_TESTS=OFF -DTAVO_BUILD_BENCH=ON
# Every program named bench_* that the build makes.
mapfile -t benches < <(ninja -C "$build" -t targets all | sed -n 's|^bin/\(bench_[A-Za-z0-9_]*\): CXX_EXECUTABLE_LINKER.*|\1|p' | sort)
if ((${#benches[@]} == 0)); then
  echo "no benchmark targets found in $build" >&2
  exit 1
fi
[[ $phase == run ]] || cmake --build "$build" -j "$jobs" --target "${benches[@]}"
[[ $phase == build ]] && exit 0

# The MCP benchmark runs the reference server and client from the npm registry.
bash scripts/install-npm-programs.sh "$build"

# Each runs offscreen with private HOME and XDG folders, as the tests do.
failed=()
for bench in "${benches[@]}"; do
  echo "== $bench"
  start=$(date +%s)
  if ! tests/run-test.sh offscreen "$build/bin/$bench"; then
    failed+=("$bench")
  fi
  echo "-- $bench: $(($(date +%s) - start)) s"
done
if ((${#failed[@]})); then
  echo "failed: ${failed[*]}" >&2
  exit 1
fi
