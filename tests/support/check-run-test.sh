#!/usr/bin/env bash
# Checks what ctest sees from tests/run-test.sh and TAVO_TEST_MAIN: skips exit with 77 (shown
# as skipped), failures stand, and under CI=true a missing program or display fails.
#   check-run-test.sh <run-test.sh> <prerequisite_probe>
set -u
runtest=$1 probe=$2
status=0

expect() { # expect <wanted code> <description> <command...>
  local want=$1 what=$2; shift 2
  "$@" >/dev/null 2>&1
  local got=$?
  if [[ "$want" == fail ]]; then
    ((got != 0 && got != 77)) && return
  elif ((got == want)); then
    return
  fi
  echo "FAIL: $what: exit code $got, wanted $want"
  status=1
}

expect 0 "a clean run passes" env -u CI "$runtest" offscreen "$probe" passes
expect 77 "a missing program skips" env -u CI "$runtest" offscreen "$probe" passes missingProgram
expect fail "a missing program fails under CI" env CI=true "$runtest" offscreen "$probe" passes missingProgram
expect 77 "what the machine cannot offer skips, also under CI" env CI=true "$runtest" offscreen "$probe" unavailable
expect fail "a failure outweighs a skip" env -u CI "$runtest" offscreen "$probe" fails missingProgram
expect 77 "no display skips" env -u CI -u DISPLAY "$runtest" xcb "$probe" passes
expect fail "no display fails under CI" env -u DISPLAY CI=true "$runtest" xcb "$probe" passes

exit $status
