# shellcheck shell=bash
# The run-control keys on a running car game, the same scenario for every
# build that shows real windows (sourced by desktop_e2e.sh and
# tests/wine/wine_e2e.sh, after check.sh and x_session.sh).
#
# ctrl_keys_scenario WINDOW KEYS SHOT [SETTLE]: with the game animating in
# WINDOW, Ctrl+H halts it, Ctrl+F steps one frame and stays halted, Ctrl+A
# animates again; each judged from two screenshots. KEYS and SHOT are the
# caller's helpers, called as `KEYS WINDOW ctrl+h` and `SHOT WINDOW FILE`;
# SETTLE is how long a key takes to show (seconds, 0.5 unless given).
ctrl_keys_scenario() {
  local window=$1 send=$2 shoot=$3 settle=${4:-0.5}
  "$send" "$window" ctrl+h
  sleep "$settle"
  "$shoot" "$window" halted1.png
  sleep 1
  "$shoot" "$window" halted2.png
  check "Ctrl+H halts: two screenshots a second apart are equal" same_image halted1.png halted2.png
  "$send" "$window" ctrl+f
  sleep "$settle"
  "$shoot" "$window" stepped1.png
  sleep 0.6
  "$shoot" "$window" stepped2.png
  check "Ctrl+F steps one frame" differ halted2.png stepped1.png
  check "and stays halted after it" same_image stepped1.png stepped2.png
  "$send" "$window" ctrl+a
  sleep "$settle"
  "$shoot" "$window" moving1.png
  sleep 0.5
  "$shoot" "$window" moving2.png
  check "Ctrl+A animates again" differ moving1.png moving2.png
}
