# shellcheck shell=bash
# The run-control keys on a running car game, the same scenario for every
# build that shows real windows (sourced by desktop_e2e.sh and
# tests/wine/wine_e2e.sh, after check.sh and x_session.sh).
#
# ctrl_keys_scenario WINDOW KEYS: with the game animating in WINDOW, Ctrl+H
# halts it, Ctrl+F steps one frame and stays halted, Ctrl+A animates again;
# each judged from screenshots. KEYS is the caller's helper, called as
# `KEYS WINDOW ctrl+h`. The screenshots stay behind as halted.png,
# stepped.png, moving1.png and moving2.png for a caller that can compare them
# with the frames the headless runner draws.
ctrl_keys_scenario() {
  local window=$1 send=$2
  "$send" "$window" ctrl+h
  check "Ctrl+H halts: the window comes to rest" shot_settled "$window" halted.png
  # A halted game shows the same frame however long one looks.
  sleep 1
  shot "$window" halted_later.png
  check "and shows the same frame a second later" same_image halted.png halted_later.png
  "$send" "$window" ctrl+f
  check "Ctrl+F steps one frame" shot_changed "$window" stepped.png halted_later.png
  sleep 0.6
  shot "$window" stepped_later.png
  check "and stays halted after it" same_image stepped.png stepped_later.png
  "$send" "$window" ctrl+a
  check "Ctrl+A animates again" shot_changed "$window" moving1.png stepped_later.png
  check "and goes on" shot_changed "$window" moving2.png moving1.png
}
