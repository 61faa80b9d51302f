#!/usr/bin/env bash
# CPU use of the desktop car game under Xvfb over 10 s each: halted (after
# Ctrl+H) and animating; then the same with the pump spinning instead of
# blocking, for comparison. Prints percentages of one core.
# Usage: bench/desktop_cpu.sh BUILD_DIR [SECONDS]
set -u
build=$(cd "${1:?build directory, e.g. build/release}" && pwd)
seconds=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../tests/e2e/x_session.sh
source "$here/../tests/e2e/x_session.sh"
cd "$(mktemp -d)" || exit 1
x_session_start

ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
measure() {  # measure PID: percent of one core over $seconds
  local before after
  before=$(cpu_ticks "$1")
  sleep "$seconds"
  after=$(cpu_ticks "$1")
  awk -v d=$((after - before)) -v hz="$ticks_per_second" -v s="$seconds" \
    'BEGIN {printf "%.1f", 100 * d / hz / s}'
}

for mode in blocking spinning; do
  flags=()
  [ "$mode" = spinning ] && flags=(--spinning-wait)
  "$build/game/cargame" "${flags[@]}" &
  APP_PID=$!
  wait_window G "ZIVRO Graphics"
  sleep 1
  keys "$G" ctrl+h
  sleep 0.5
  halted=$(measure "$APP_PID")
  keys "$G" ctrl+a
  sleep 0.5
  animating=$(measure "$APP_PID")
  keys "$G" ctrl+q
  wait "$APP_PID"
  APP_PID=
  echo "$mode wait: halted ${halted}% of one core, animating ${animating}% of one core"
done
