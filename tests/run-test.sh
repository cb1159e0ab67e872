#!/usr/bin/env bash
# Runs one test binary with private HOME and XDG folders, on the given Qt platform
# ("offscreen", or "xcb" for tests that need the X display of the test command).
# Exit code 77 means skipped (ctest's SKIP_RETURN_CODE, see tavo_add_test); under CI
# (CI=true) a missing display fails instead, since the test command provides one.
set -u
platform=$1; shift
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tavo-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/data" "$scratch/config" "$scratch/cache" "$scratch/runtime"
chmod 700 "$scratch/runtime"
export HOME="$scratch/home" XDG_DATA_HOME="$scratch/data" XDG_CONFIG_HOME="$scratch/config"
export XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/runtime"
export QT_QPA_PLATFORM="$platform"
export QTWEBENGINE_DISABLE_SANDBOX=1 QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
if [[ "$platform" == xcb && -z "${DISPLAY:-}" ]]; then
  if [[ "${CI:-}" == true ]]; then
    echo "FAIL: no X display for this test under CI (the test command starts Xvfb)"
    exit 1
  fi
  echo "SKIP: no X display for this test (run it through the test command, which starts Xvfb)"
  exit 77
fi
"$@"
