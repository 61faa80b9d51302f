#!/usr/bin/env bash
# Runs one fuzzer for FUZZ_SECONDS (default 60) on its corpus, in the current
# directory: corpus-NAME grows there, and a finding fails the run and leaves
# the crashing input beside it.
# Usage: run_fuzzer.sh FUZZER NAME   (NAME "script" starts from the test scripts)
set -euo pipefail
fuzzer=${1:?fuzzer} name=${2:?name}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "corpus-$name"
[ "$name" = script ] && cp "$here"/../scripts/nasty/* "$here"/../scripts/*.scr "corpus-$name/"
if ! "$fuzzer" -max_total_time="${FUZZ_SECONDS:-60}" -max_len=4096 -print_final_stats=1 \
  "corpus-$name" > "fuzz-$name.log" 2>&1; then
  tail -40 "fuzz-$name.log"
  echo "FAILED: the $name fuzzer found an input (kept in $PWD)"
  exit 1
fi
grep -E '^(Done|stat::number_of_executed_units)' "fuzz-$name.log"
