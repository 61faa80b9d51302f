#!/usr/bin/env bash
# zivro-grade on a class against a plain loop over the same runs, side by
# side: N submissions (copies of the traffic light, every third one wrong in
# a middle frame) x 3 tests x TICKS ticks each. zivro-grade builds every
# submission and compares every frame, with the report; the loop builds each
# with cc and checks its last frame with --expect, as the testing guide's
# hand-written loop does. Prints both wall times and their ratio.
# usage: bench/grade_class.sh BUILD_DIR [N] [TICKS] [JOBS]   (default 40 600 2)
# With KEEP_WORK=1 the class, its report and the loop's files are kept.
set -eu
build=$(cd "${1:?build directory, e.g. build/release}" && pwd)
count=${2:-40}
ticks=${3:-600}
jobs=${4:-2}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
grade="$build/tools/zivro-grade"
[ -x "$grade" ] || { echo "no $grade: build it first" >&2; exit 2; }
work=$(mktemp -d)
trap '[ -n "${KEEP_WORK:-}" ] && echo "kept in $work" || rm -rf "$work"' EXIT
chmod 711 "$work"
reference="$source_dir/tests/grade/reference/traffic_light.c"

# Three sessions of TICKS ticks, with the light changed at other moments.
mkdir "$work/class"
for test in 1 2 3; do
  : > "$work/session$test.scr"
  for part in 1 2 3; do
    printf 'ZIVRO_PERIODIC(%d);\r\nZIVRO_MOUSE(0, 0);\r\n' $((ticks / 3 - test)) >> "$work/session$test.scr"
  done
  printf 'ZIVRO_PERIODIC(%d);\r\n' $((3 * test)) >> "$work/session$test.scr"
done
{
  printf '[reference]\nsource = "%s"\n[limits]\ntime = 60\n' "$reference"
  for test in 1 2 3; do printf '[[test]]\nname = "s%d"\nscript = "session%d.scr"\n' $test $test; done
} > "$work/assignment.toml"
for n in $(seq -w 1 "$count"); do
  if ((10#$n % 3 == 0)); then
    sed 's/ticks % 2 ? ZIVRO_WHITE/ticks % 2 ? ZIVRO_CYAN/' "$reference" > "$work/class/s$n.c"
  else
    cp "$reference" "$work/class/s$n.c"
  fi
done

now() { date +%s.%N; }
start=$(now)
"$grade" "$work/assignment.toml" "$work/class" --out "$work/report" --jobs "$jobs" 2> "$work/grade.log"
graded=$(awk -v a="$(now)" -v b="$start" 'BEGIN { print a - b }')

# The loop: the reference's last frames, then each submission built and checked.
link=("$build/package/libzivro_headless_main.a" "$build/package/libzivro_headless.a"
  -lfreetype -lfontconfig -lpng -lstdc++ -lm)
start=$(now)
mkdir "$work/loop"
cc -I "$source_dir/include" "$reference" "${link[@]}" -o "$work/loop/reference"
for test in 1 2 3; do
  "$work/loop/reference" --play "$work/session$test.scr" --png "$work/loop/expected$test.png"
done
check_one() {
  local source=$1 name
  name=$(basename "$source" .c)
  cc -I "$source_dir/include" "$source" "${link[@]}" -o "$work/loop/$name"
  for test in 1 2 3; do
    cp "$work/loop/expected$test.png" "$work/loop/$name-$test.png"
    timeout 60 "$work/loop/$name" --play "$work/session$test.scr" --expect "$work/loop/$name-$test.png" \
      > /dev/null 2>&1 || true
  done
}
export -f check_one
export work source_dir
export link_flags="${link[*]}"
printf '%s\n' "$work"/class/*.c | xargs -P "$jobs" -I{} bash -c \
  'link=($link_flags); check_one "$1"' _ {}
looped=$(awk -v a="$(now)" -v b="$start" 'BEGIN { print a - b }')

passed=$(grep -c ',passed,.*,passed,.*,passed,' "$work/report/grades.csv" || true)
echo "class of $count x 3 tests x $ticks ticks, $jobs jobs: $passed submissions passed every frame"
printf 'zivro-grade, every frame, sandboxed, with the report: %.1f s\n' "$graded"
printf 'plain loop, last frame only (--expect):             %.1f s\n' "$looped"
awk -v a="$graded" -v b="$looped" 'BEGIN { printf "ratio: %.2f\n", a / b }'
