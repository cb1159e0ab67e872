#!/usr/bin/env bash
# Installs what is missing, builds with tests and runs the whole test suite under Xvfb.
# The suite runs in a build checked by AddressSanitizer and UndefinedBehaviorSanitizer (every
# program of the build: tests, the application and the helpers the tests start); the few tests
# listed in plain_tests below run in a second, plain build instead.
# Arguments go to ctest (-R, -L, -E ... select tests in both builds).
set -euo pipefail
cd "$(dirname "$0")/.."
[[ $(id -u) -eq 0 ]] && bash scripts/install-deps.sh
build=${TAVO_BUILD_DIR:-build}
plain=${TAVO_PLAIN_BUILD_DIR:-$build-plain}
jobs=${TAVO_JOBS:-$(nproc)}
werror=OFF
[[ "${CI:-}" == true ]] && werror=ON

# Tests that cannot run under the sanitizers for a reason outside our code: name, then reason.
# (Qt WebEngine's Chromium frees some of its own objects with a mismatched sized delete, which
# AddressSanitizer stops at inside libQt6WebEngineCore: a test that opens a web page goes here.)
declare -A plain_tests=(
  [tst_workspace_webview]="opens web pages: AddressSanitizer stops at a new-delete-type-mismatch inside libQt6WebEngineCore"
  [tst_canvas_web_component]="opens a web page: the same finding inside libQt6WebEngineCore"
  [tst_workspace_e2e]="opens web pages and a generated document: the same finding inside libQt6WebEngineCore"
)

# A finding ends the program at once, with its stack.
# Leak checking is off: Qt, fontconfig, GLib and the X libraries keep objects for the life of
# the process on purpose (caches, singletons, plugin instances) and never free them, so the
# report at exit would be theirs, and a list of their internals to suppress would go stale
# with every Qt update.
# Static initialisation order is checked strictly: a global must not read another file's global.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=0:check_initialization_order=1:strict_init_order=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

# gold links the many test programs faster than the default linker (and comes with binutils).
configure() { # folder, extra cmake arguments
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" \
    -DCMAKE_EXE_LINKER_FLAGS="-fuse-ld=gold" -DTAVO_WERROR=$werror -DTAVO_BUILD_TESTS=ON "$@"
}

# The names of the tests of a configured build folder that the caller's ctest arguments select.
selected() { # folder
  (cd "$1" && ctest -N "${@:2}" | sed -n 's/^ *Test *#[0-9]*: *//p')
}

run_tests() { # folder, test names...
  local dir=$1; shift
  (cd "$dir" && xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" \
    ctest --output-on-failure -j "$jobs" --timeout 600 "${args[@]}" -R "^($(IFS='|'; echo "$*"))\$")
}

args=("$@")
configure "$build" -DTAVO_SANITIZE=ON -DTAVO_BUILD_BENCH=OFF
cmake --build "$build" -j "$jobs"

# The real programs the tests talk to.
bash scripts/install-npm-programs.sh "$build"

checked=() unchecked=()
while read -r name; do
  if [[ -v plain_tests[$name] ]]; then unchecked+=("$name"); else checked+=("$name"); fi
done < <(selected "$build" "${args[@]}")

status=0
if ((${#checked[@]})); then
  run_tests "$build" "${checked[@]}" || status=$?
fi
if ((${#unchecked[@]})); then
  configure "$plain" -DTAVO_SANITIZE=OFF -DTAVO_BUILD_BENCH=OFF
  cmake --build "$plain" -j "$jobs" --target "${unchecked[@]}"
  ln -sfnT "$(realpath "$build/npm/node_modules")" "$plain/npm/node_modules"
  run_tests "$plain" "${unchecked[@]}" || status=$?
fi
exit "$status"
