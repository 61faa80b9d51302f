#!/usr/bin/env bash
# Peak memory of a headless run that logs many drawing calls, with and
# without --log: it should not grow with the number of lines printed.
# usage: bench/runner_memory.sh BUILD_DIR [CALLS]   (default 1000000 calls)
set -eu
build=${1:?build directory, e.g. build/release}
calls=${2:-1000000}
probe="$build/tests/runner_probe"
[ -x "$probe" ] || { echo "no $probe: build the tests first" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The probe makes its calls before any wait: no watchdog.
for n in $((calls / 10)) "$calls"; do
  echo "without --log: $(PROBE=many PROBE_CALLS=$n "$probe" --watchdog 0)"
  echo "with --log:    $(PROBE=many PROBE_CALLS=$n "$probe" --watchdog 0 --log "$work/run.log")" \
       "($(wc -l < "$work/run.log") lines in the log)"
done
