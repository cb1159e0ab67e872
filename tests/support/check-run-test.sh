#!/usr/bin/env bash
# Checks what ctest sees from tests/run-test.sh and TAVO_TEST_MAIN: skips exit with 77 (shown
# as skipped), failures stand, under CI=true a missing program or display fails, and a
# machine-wide lock makes a second holder wait.
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

# A second holder of a machine-wide lock waits for the first (another clone's suite).
name="check-$$"
lockfile="/tmp/tavo-test-$name.lock"
flock "$lockfile" sleep 2 &
holder=$!
for _ in $(seq 50); do flock -n "$lockfile" true 2>/dev/null || break; sleep 0.05; done
start=$(date +%s%N)
TAVO_MACHINE_LOCK=$name "$runtest" offscreen "$probe" passes >/dev/null 2>&1
waited=$((($(date +%s%N) - start) / 1000000))
wait "$holder"
rm -f "$lockfile"
if ((waited < 1000)); then
  echo "FAIL: the machine-wide lock did not make the test wait (${waited} ms)"
  status=1
fi

exit $status
