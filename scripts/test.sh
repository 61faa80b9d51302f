#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the debug build, the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# script-reader fuzzer for a bounded time (FUZZ_SECONDS, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

total=0
for preset in debug asan; do
  echo "=== $preset build and tests"
  cmake --preset "$preset" > /dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j 2 | tee "build/$preset/ctest.log"
  count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "build/$preset/ctest.log")
  total=$((total + ${count:-0}))
done

seconds=${FUZZ_SECONDS:-60}
echo "=== script-reader fuzzer, $seconds s"
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz --target fuzz_script_reader
corpus=build/fuzz/corpus
mkdir -p "$corpus"
cp tests/scripts/nasty/* tests/scripts/*.scr "$corpus"/
if ! build/fuzz/tests/fuzz_script_reader -max_total_time="$seconds" -max_len=4096 \
  -print_final_stats=1 "$corpus" > build/fuzz/fuzz.log 2>&1; then
  tail -40 build/fuzz/fuzz.log
  echo "fuzz: 0 passed, 1 failed"
  exit 1
fi
grep -E '^(Done|stat::number_of_executed_units)' build/fuzz/fuzz.log
total=$((total + 1))

echo "all suites: $total passed, 0 failed"
