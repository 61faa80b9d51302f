# shellcheck shell=bash
# The opt-in events in real windows (sourced by desktop_e2e.sh, after
# check.sh and x_session.sh): the input probe steered with the arrow keys,
# a stroke dragged with the left button, a right click; recorded with
# Ctrl+R, and the recording played back headless to the same events.
#
# opt_in_events_scenario PROBE PROBE_HEADLESS: run in the scratch directory.
opt_in_events_scenario() {
  local probe=$1 headless=$2 menu=25 window
  # Package (x, y) is window (297 + x, 250 - y + menu).
  wx() { echo $((297 + $1)); }
  wy() { echo $((250 - $1 + menu)); }

  rm -f ZIVRO.SCR
  "$probe" --log probe-live.log &
  APP_PID=$!
  wait_window window "ZIVRO Graphics"
  sleep 0.5
  keys "$window" ctrl+r
  sleep 0.2
  keys "$window" Right Right Right Up Up
  sleep 0.2
  xdotool mousemove --window "$window" "$(wx -200)" "$(wy -100)" mousedown 1
  sleep 0.1
  xdotool mousemove --window "$window" "$(wx -150)" "$(wy -100)"
  sleep 0.1
  xdotool mousemove --window "$window" "$(wx -100)" "$(wy -100)"
  sleep 0.1
  xdotool mousemove --window "$window" "$(wx -100)" "$(wy -50)"
  sleep 0.1
  xdotool mouseup 1
  sleep 0.1
  xdotool mousemove --window "$window" "$(wx 150)" "$(wy 150)" click 3
  sleep 0.3
  keys "$window" ctrl+r
  sleep 0.3
  shot "$window" probe.png
  keys "$window" ctrl+q
  wait "$APP_PID"
  APP_PID=

  check "the arrow keys moved the ball to (30, 20)" \
    more_than "$(pixels_of probe.png '#FF0000' "11x11+$(wx 25)+$(wy 25)")" 60
  check "and it left (0, 0)" test "$(pixels_of probe.png '#FF0000' "11x11+$(wx -5)+$(wy 5)")" -eq 0
  check "the drag drew its stroke, round the corner" \
    more_than "$(pixels_of probe.png '#0000FF' "101x57+$(wx -200)+$(wy -48)")" 300
  check "the right click marked its place" \
    more_than "$(pixels_of probe.png '#00FF00' "11x11+$(wx 145)+$(wy 155)")" 100

  local lines
  lines=$(tr -d '\r' < ZIVRO.SCR 2> /dev/null | grep -vE '^ZIVRO_(PERIODIC|KEY_(PRESS|RELEASE)\(17,)' |
    tr '\n' ' ')
  check "the recording holds each event as its line ($lines)" test "$lines" = \
    "ZIVRO_KEY_PRESS(39, 0); ZIVRO_KEY_RELEASE(39, 0); ZIVRO_KEY_PRESS(39, 0); ZIVRO_KEY_RELEASE(39, 0); ZIVRO_KEY_PRESS(39, 0); ZIVRO_KEY_RELEASE(39, 0); ZIVRO_KEY_PRESS(38, 0); ZIVRO_KEY_RELEASE(38, 0); ZIVRO_KEY_PRESS(38, 0); ZIVRO_KEY_RELEASE(38, 0); ZIVRO_MOUSE(-200, -100); ZIVRO_MOUSE_DRAG(-150, -100, 1, 0); ZIVRO_MOUSE_DRAG(-100, -100, 1, 0); ZIVRO_MOUSE_DRAG(-100, -50, 1, 0); ZIVRO_MOUSE_RELEASE(-100, -50, 1, 0); ZIVRO_MOUSE_RIGHT(150, 150, 0); ZIVRO_MOUSE_RELEASE(150, 150, 2, 0); "

  "$headless" --play ZIVRO.SCR --log probe-played.log --png probe-played.png
  # The Ctrl key of Ctrl+R is an event the live run saw outside the recording.
  events_of() { grep '^event' "$1" | grep -v ' key 17 '; }
  check "played back headless, the recording gives the same events" \
    cmp <(events_of probe-live.log) <(events_of probe-played.log)
  # The window shows the canvas's top-left 595x501 pixels below the menu bar.
  convert probe.png -crop "595x501+0+$menu" +repage probe-client.png
  convert probe-played.png -crop 595x501+0+0 +repage probe-played-client.png
  check "and the same picture" same_image probe-client.png probe-played-client.png
}
