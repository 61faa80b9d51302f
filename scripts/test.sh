#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the debug build, the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, the
# desktop game end to end on an X server (release build), installing and
# building against the package, the web build in headless Chromium, the Windows builds with their tests and
# end-to-end runs under Wine, GDI against the software canvas, and the
# fuzzers of the script reader and the drawing calls for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test

total=0
for preset in debug asan; do
  echo "=== $preset build and tests"
  cmake --preset "$preset" > /dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j 2 | tee "build/$preset/ctest.log"
  count=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "build/$preset/ctest.log")
  total=$((total + ${count:-0}))
done

echo "=== desktop end to end (release build, Xvfb)"
cmake --preset release > /dev/null
cmake --build --preset release
bash tests/e2e/desktop_e2e.sh build/release | tee build/release/e2e.log
e2e=$(sed -n 's/^desktop end to end: \([0-9]*\) passed, 0 failed$/\1/p' build/release/e2e.log)
total=$((total + ${e2e:-0}))

echo "=== web build (Emscripten), its pages in headless Chromium"
cmake --preset web > /dev/null
cmake --build --preset web
bash tests/web/run_browser_tests.sh build/web build/release | tee build/web/browser.log
count=$(sed -n 's/^web browser: \([0-9]*\) passed, 0 failed$/\1/p' build/web/browser.log)
[ -n "$count" ] || exit 1
total=$((total + count))

echo "=== install into a prefix and build a user's programs against it"
bash tests/install/run_install_test.sh build/release | tee build/release/install.log
count=$(sed -n 's/^install and consume: \([0-9]*\) passed, 0 failed$/\1/p' build/release/install.log)
total=$((total + ${count:-0}))

echo "=== Windows builds (MinGW), their tests under Wine"
for arch in win64 win32; do
  cmake --preset "$arch" > /dev/null
  cmake --build --preset "$arch"
  status=0
  bash tests/wine/run_wine_tests.sh "build/$arch" | tee "build/$arch/wine.log" || status=$?
  if [ "$status" -eq 77 ]; then
    echo "$arch: tests skipped, this machine cannot run 32-bit Windows programs (see above)"
    continue
  fi
  [ "$status" -eq 0 ] || exit "$status"
  count=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\.$/\1/p' "build/$arch/wine.log")
  total=$((total + ${count:-0}))
  echo "=== $arch cargame.exe end to end (Wine on Xvfb)"
  bash tests/wine/wine_e2e.sh "build/$arch" | tee "build/$arch/wine-e2e.log"
  count=$(sed -n 's/^wine end to end: \([0-9]*\) passed, 0 failed$/\1/p' "build/$arch/wine-e2e.log")
  total=$((total + ${count:-0}))
done

echo "=== GDI against the software canvas (under Wine)"
bash tests/wine/run_gdi_vs_canvas.sh build/wine | tail -5 | tee build/wine-gdi.log
total=$((total + 1))

# Each fuzzer runs for FUZZ_SECONDS (default 60) on its corpus; a finding
# fails the run and leaves the crashing input in build/fuzz.
seconds=${FUZZ_SECONDS:-60}
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz --target fuzz_script_reader fuzz_drawing_calls
mkdir -p build/fuzz/corpus-script build/fuzz/corpus-drawing
cp tests/scripts/nasty/* tests/scripts/*.scr build/fuzz/corpus-script/
for target in script:fuzz_script_reader drawing:fuzz_drawing_calls; do
  name=${target%%:*}
  binary=build/fuzz/tests/${target#*:}
  echo "=== $name fuzzer, $seconds s"
  if ! (cd build/fuzz && "../../$binary" -max_total_time="$seconds" -max_len=4096 \
    -print_final_stats=1 "corpus-$name" > "fuzz-$name.log" 2>&1); then
    tail -40 "build/fuzz/fuzz-$name.log"
    echo "fuzz: 0 passed, 1 failed"
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units)' "build/fuzz/fuzz-$name.log"
  total=$((total + 1))
done

echo "all suites: $total passed, 0 failed"
