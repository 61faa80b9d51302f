#!/usr/bin/env bash
# The same full game frame (the first day frame) drawn on the software canvas
# of the Linux build and through GDI under Wine, in one run; prints both
# medians in microseconds and the ratio GDI / software.
#
# Usage: gdi_vs_canvas_frame.sh BUILD_LINUX BUILD_WIN64 [FRAMES]
#   BUILD_LINUX  a Linux build with bench/bench_frame (e.g. build/release)
#   BUILD_WIN64  a Windows build with bench/win32_frame_bench.exe (build/win64)
#   FRAMES       frames the GDI side times (default 2000)
#
# Both sides draw into an off-screen bitmap; the GDI side runs with Wine's
# null display driver in a Wine prefix of its own, removed afterwards.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 BUILD_LINUX BUILD_WIN64 [FRAMES]" >&2
  exit 2
fi
linux_bench=$(cd "$1" && pwd)/bench/bench_frame
win_bench=$(cd "$2" && pwd)/bench/win32_frame_bench.exe
frames=${3:-2000}
for file in "$linux_bench" "$win_bench"; do
  [ -f "$file" ] || {
    echo "$0: no $file; build it first" >&2
    exit 2
  }
done
command -v wine > /dev/null || {
  echo "$0: wine is not installed (scripts/install-deps.sh test)" >&2
  exit 2
}

echo "== software canvas (bench_frame, BM_FrameDay) =="
linux_out=$("$linux_bench" --benchmark_filter=BM_FrameDay 2>&1)
echo "$linux_out"
# The median over the repetitions of the mean time per frame, in us.
canvas_us=$(echo "$linux_out" | awk '/^BM_FrameDay.*_median/ {
  t = $2; u = $3
  if (u == "ns") t /= 1000; else if (u == "ms") t *= 1000; else if (u == "s") t *= 1e6
  print t; exit }')
[ -n "$canvas_us" ] || {
  echo "$0: no median in bench_frame's output" >&2
  exit 1
}

echo "== GDI under Wine (win32_frame_bench) =="
# shellcheck source=../tests/wine/wine_prefix.sh
source "$(dirname "$0")/../tests/wine/wine_prefix.sh"
work_dir=$(mktemp -d "${TMPDIR:-/tmp}/zivro-wine-bench-run.XXXXXX")
# shellcheck disable=SC2317  # run by the trap
cleanup() {
  wine_prefix_stop
  rm -rf "$work_dir"
}
trap cleanup EXIT
wine_prefix_start null

gdi_out=$(cd "$work_dir" && wine "$win_bench" "$frames" | tr -d '\r')
echo "$gdi_out" | grep -v '^median_us '
gdi_us=$(echo "$gdi_out" | awk '/^median_us / {print $2}')
[ -n "$gdi_us" ] || {
  echo "$0: no median in win32_frame_bench's output" >&2
  exit 1
}

echo "== one day frame =="
awk -v gdi="$gdi_us" -v canvas="$canvas_us" 'BEGIN {
  printf "software canvas median: %.1f us\n", canvas
  printf "GDI under Wine median:  %.1f us\n", gdi
  printf "ratio GDI / software:   %.2f\n", gdi / canvas }'
