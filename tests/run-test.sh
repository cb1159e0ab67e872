#!/usr/bin/env bash
# Runs one test (or benchmark) binary with private HOME and XDG folders, on the given Qt platform
# ("offscreen", or "xcb" for tests that need the X display of the test command).
# Exit code 77 means skipped (ctest's SKIP_RETURN_CODE, see tavo_add_test); under CI
# (CI=true) a missing display fails instead, since the test command provides one.
# TAVO_MACHINE_LOCK names a lock the test holds machine-wide (its ctest RESOURCE_LOCK), so
# that test suites of two clones on one machine take turns for a fixed local port.
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
if [[ -n "${TAVO_MACHINE_LOCK:-}" ]]; then
  # In /tmp, not TMPDIR: every suite on the machine must find the same file. Anyone may
  # create it, and a lock only needs the file open for reading.
  lockfile="/tmp/tavo-test-$TAVO_MACHINE_LOCK.lock"
  [[ -e "$lockfile" ]] || (umask 0; : >>"$lockfile") 2>/dev/null
  if ! exec 9<"$lockfile"; then
    echo "FAIL: cannot open the machine-wide lock $lockfile"
    exit 1
  fi
  if ! flock -n 9; then
    echo "waiting for the machine-wide lock $lockfile (another test suite on this machine holds it)"
    flock 9
  fi
fi
# The test and its children do not inherit the lock: it ends with this script.
"$@" 9<&-
