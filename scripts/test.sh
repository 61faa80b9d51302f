#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the debug build, the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, the
# desktop game end to end on an X server and installing and building against
# the package (release build), the web build in headless Chromium, the
# Windows builds with their tests and end-to-end runs under Wine, GDI against
# the software canvas, and the fuzzers of the script reader and the drawing
# calls for FUZZ_SECONDS each (default 60).
#
# Every suite is a ctest test of the build that owns it, labelled by its kind
# (ctest --preset debug -L golden runs one kind); each build's test preset
# picks its suites. The last line sums the tests of every build.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

scripts/install-deps.sh test || exit 1

passed=0
failed=0
skipped=()

# run_build PRESET [TARGET...]: configures and builds PRESET (only the targets
# given, if any), then runs its test preset; adds its results to the sums.
run_build() {
  local preset=$1 dir=build/$1 targets=() summary status total lost skip
  shift
  for target in "$@"; do targets+=(--target "$target"); done
  echo "=== $preset: build and tests"
  if ! cmake --preset "$preset" > "build/$preset.configure.log" 2>&1; then
    cat "build/$preset.configure.log"
    echo "FAILED: configuring $preset"
    failed=$((failed + 1))
    return
  fi
  rm -f "build/$preset.configure.log"
  if ! cmake --build --preset "$preset" "${targets[@]}"; then
    echo "FAILED: building $preset"
    failed=$((failed + 1))
    return
  fi
  rm -f "$dir/ctest.xml"
  ctest --preset "$preset" -j 2 --output-junit ctest.xml | tee "$dir/ctest.log"
  status=${PIPESTATUS[0]}
  # ctest's JUnit file: its testsuite element counts the tests run, failed
  # and skipped.
  summary=$(tr '\n\t' '  ' < "$dir/ctest.xml" 2> /dev/null | grep -o '<testsuite [^>]*>' |
    sed -E 's/.* tests="([0-9]+)".* failures="([0-9]+)".* skipped="([0-9]+)".*/\1 \2 \3/')
  if [ -z "$summary" ]; then
    echo "FAILED: $preset ran no tests"
    failed=$((failed + 1))
    return
  fi
  read -r total lost skip <<< "$summary"
  passed=$((passed + total - lost - skip))
  # A failure the file does not count (ctest itself failing) still fails.
  [ "$status" -eq 0 ] || [ "$lost" -gt 0 ] || lost=1
  failed=$((failed + lost))
  if [ "$skip" -gt 0 ]; then
    skipped+=("$preset: $skip")
    # A skipped suite says why on a line of its own.
    grep -h 'skipped: ' "$dir/Testing/Temporary/LastTest.log" | sort -u
  fi
}

mkdir -p build
run_build debug
run_build asan
run_build release
run_build web
run_build win64
run_build win32
run_build fuzz fuzz_script_reader fuzz_drawing_calls

[ ${#skipped[@]} -eq 0 ] || echo "skipped on this machine (the reasons above): ${skipped[*]}"
echo "all suites: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
