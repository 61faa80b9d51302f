# shellcheck shell=bash
# The opt-in events in real windows (sourced by desktop_e2e.sh, after
# check.sh and x_session.sh): the input probe steered with the arrow keys,
# a stroke dragged with the left button, a right click; recorded with
# Ctrl+R, and the recording played back headless to the same events. Then
# the steering and paint examples, driven the same way; a held arrow key's
# repeats, and a drag that goes on with one of two buttons.
#
# opt_in_events_scenario PROBE PROBE_HEADLESS: run in the scratch directory.
opt_in_events_scenario() {
  local probe=$1 headless=$2 menu=25 window
  # Package (x, y) is window (297 + x, 250 - y + menu).
  wx() { echo $((297 + $1)); }
  wy() { echo $((250 - $1 + menu)); }

  rm -f ZIVRO.SCR
  "$headless" --png probe-first.png
  "$probe" --log probe-live.log &
  APP_PID=$!
  wait_window window "ZIVRO Graphics"
  check "the probe's window shows the runner's first frame" \
    shot_until "$window" probe-shown.png 10 same_client probe-shown.png probe-first.png
  keys "$window" ctrl+r
  wait_for 5 test -e ZIVRO.SCR
  keys "$window" Right Right Right Up Up
  recorded '^ZIVRO_KEY_RELEASE\(38,' 2
  # Each move once the one before is recorded: none is merged into the next.
  xdotool mousemove --window "$window" "$(wx -200)" "$(wy -100)" mousedown 1
  recorded '^ZIVRO_MOUSE\(' 1
  xdotool mousemove --window "$window" "$(wx -150)" "$(wy -100)"
  recorded '^ZIVRO_MOUSE_DRAG\(' 1
  xdotool mousemove --window "$window" "$(wx -100)" "$(wy -100)"
  recorded '^ZIVRO_MOUSE_DRAG\(' 2
  xdotool mousemove --window "$window" "$(wx -100)" "$(wy -50)"
  recorded '^ZIVRO_MOUSE_DRAG\(' 3
  xdotool mouseup 1
  recorded '^ZIVRO_MOUSE_RELEASE\(' 1
  xdotool mousemove --window "$window" "$(wx 150)" "$(wy 150)" click 3
  recorded '^ZIVRO_MOUSE_RELEASE\(' 2
  keys "$window" ctrl+r
  shot_settled "$window" probe.png
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

# recorded PATTERN COUNT: waits until ZIVRO.SCR holds COUNT lines matching
# PATTERN (an event's line is written once the program has taken it).
recorded() { wait_for_lines ZIVRO.SCR "$1" "$2"; }

# first_frame_shown WINDOW FILE RUNNER: screenshots WINDOW into FILE until it
# shows the first frame of the headless program RUNNER, run without input.
first_frame_shown() {
  "$3" --png "$2.first.png"
  shot_until "$1" "$2" 10 same_client "$2" "$2.first.png"
}

# red_centre FILE: "X Y", the mean position of the pure red pixels.
red_centre() {
  convert "$1" -depth 8 txt:- | awk -F'[,: ]+' '/#FF0000/ {x += $1; y += $2; n++}
    END {if (n) printf "%d %d\n", x / n + 0.5, y / n + 0.5; else print "none"}'
}

# hold WINDOW KEY SECONDS: the key held down, as a user holds it.
hold() {
  xdotool windowactivate --sync "$1" > /dev/null 2>&1 || true
  xdotool keydown "$2"
  sleep "$3"
  xdotool keyup "$2"
}

# same_client LIVE PLAYED: the window's screenshot below the menu bar shows
# the canvas that the headless replay ended on.
same_client() {
  convert "$1" -crop "595x501+0+25" +repage "$1.client.png"
  convert "$2" -crop 595x501+0+0 +repage "$2.client.png"
  same_image "$1.client.png" "$2.client.png"
}

# examples_scenario EXAMPLES_DIR: the steering example with the arrow keys
# and the paint example with a drag, each recorded from its start with
# --record and replayed headless to the picture it showed.
examples_scenario() {
  local examples=$1 window bx by ax ay
  rm -f ZIVRO.SCR
  "$examples/steer-ball" --record &
  APP_PID=$!
  wait_window window "ZIVRO Graphics"
  check "the steering example shows the runner's first frame" \
    first_frame_shown "$window" steer_before.png "$examples/steer-ball-headless"
  read -r bx by < <(red_centre steer_before.png)
  # How far the ball rolls is how long the keys are held.
  hold "$window" Right 0.6
  hold "$window" Up 0.4
  recorded '^ZIVRO_KEY_RELEASE\(38,' 1
  shot_settled "$window" steer_after.png
  read -r ax ay < <(red_centre steer_after.png)
  keys "$window" ctrl+q
  wait "$APP_PID"
  APP_PID=
  check "holding Right, then Up, rolls the ball right and up (from $bx,$by to $ax,$ay)" \
    test "$((ax - bx))" -gt 20 -a "$((by - ay))" -gt 10
  check "the steering recording holds the arrows' presses and releases" \
    test "$(tr -d '\r' < ZIVRO.SCR | grep -cE '^ZIVRO_KEY_RELEASE\((39|38), 0\);$')" -eq 2
  "$examples/steer-ball-headless" --play ZIVRO.SCR --png steer_played.png
  check "replayed headless, the steering ends where the ball stood" \
    same_client steer_after.png steer_played.png

  rm -f ZIVRO.SCR
  "$examples/paint" --record &
  APP_PID=$!
  wait_window window "ZIVRO Graphics"
  check "the paint example shows the runner's first frame" \
    first_frame_shown "$window" paint_before.png "$examples/paint-headless"
  xdotool mousemove --window "$window" 100 300 mousedown 1
  local step
  for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove --window "$window" $((100 + 30 * step)) $((300 - 10 * step))
    recorded '^ZIVRO_MOUSE_DRAG\(' "$step"
  done
  xdotool mouseup 1
  recorded '^ZIVRO_MOUSE_RELEASE\(' 1
  shot_settled "$window" paint_after.png
  keys "$window" ctrl+q
  wait "$APP_PID"
  APP_PID=
  check "a drag paints a black stroke" more_than \
    "$(pixels_of paint_after.png '#000000' '250x100+90+215')" \
    "$(($(pixels_of paint_before.png '#000000' '250x100+90+215') + 300))"
  "$examples/paint-headless" --play ZIVRO.SCR --png paint_played.png
  check "replayed headless, the painting is the same" same_client paint_after.png paint_played.png
}

# held_key_scenario EXAMPLES_DIR: an arrow key held past the keyboard's
# repeat delay repeats as presses alone and is released once, as Windows
# repeats its key-down; X would send a release before every repeat.
held_key_scenario() {
  local examples=$1 window presses releases
  rm -f ZIVRO.SCR
  "$examples/steer-ball" --record &
  APP_PID=$!
  wait_window window "ZIVRO Graphics"
  first_frame_shown "$window" held_before.png "$examples/steer-ball-headless"
  # Held past the repeat delay: the length of the hold is the input.
  hold "$window" Right 1.2
  recorded '^ZIVRO_KEY_RELEASE\(39,' 1
  keys "$window" ctrl+q
  wait "$APP_PID"
  APP_PID=
  presses=$(tr -d '\r' < ZIVRO.SCR | grep -cE '^ZIVRO_KEY_PRESS\(39, 0\);$')
  releases=$(tr -d '\r' < ZIVRO.SCR | grep -cE '^ZIVRO_KEY_RELEASE\(39, 0\);$')
  check "Right held for 1.2 s repeats its press and is released once ($presses presses, $releases releases)" \
    test "$presses" -gt 3 -a "$releases" -eq 1
}

# two_buttons_scenario PROBE: with left and right held, the left released:
# the moves after it are drags of the right button, out of the window too,
# where its release comes as well.
two_buttons_scenario() {
  local probe=$1 menu=25 window lines
  wx() { echo $((297 + $1)); }
  wy() { echo $((250 - $1 + menu)); }
  rm -f ZIVRO.SCR
  "$probe" --record &
  APP_PID=$!
  wait_window window "ZIVRO Graphics"
  first_frame_shown "$window" buttons_before.png "${probe}-headless"
  xdotool mousemove --window "$window" "$(wx -200)" "$(wy -100)" mousedown 1
  recorded '^ZIVRO_MOUSE\(' 1
  xdotool mousedown 3
  recorded '^ZIVRO_MOUSE_RIGHT\(' 1
  xdotool mousemove --window "$window" "$(wx -150)" "$(wy -100)"
  recorded '^ZIVRO_MOUSE_DRAG\(' 1
  xdotool mouseup 1
  recorded '^ZIVRO_MOUSE_RELEASE\(' 1
  xdotool mousemove --window "$window" "$(wx -100)" "$(wy -100)"
  recorded '^ZIVRO_MOUSE_DRAG\(' 2
  xdotool mousemove --window "$window" "$(wx 350)" "$(wy -50)"
  recorded '^ZIVRO_MOUSE_DRAG\(' 3
  xdotool mouseup 3
  recorded '^ZIVRO_MOUSE_RELEASE\(' 2
  keys "$window" ctrl+q
  wait "$APP_PID"
  APP_PID=
  lines=$(tr -d '\r' < ZIVRO.SCR 2> /dev/null | grep -vE '^ZIVRO_(PERIODIC|KEY_(PRESS|RELEASE)\(17,)' |
    tr '\n' ' ')
  check "after the left of two buttons is released, moves drag the right ($lines)" test "$lines" = \
    "ZIVRO_MOUSE(-200, -100); ZIVRO_MOUSE_RIGHT(-200, -100, 0); ZIVRO_MOUSE_DRAG(-150, -100, 3, 0); ZIVRO_MOUSE_RELEASE(-150, -100, 1, 0); ZIVRO_MOUSE_DRAG(-100, -100, 2, 0); ZIVRO_MOUSE_DRAG(350, -50, 2, 0); ZIVRO_MOUSE_RELEASE(350, -50, 2, 0); "
}

# moves_and_wheel_scenario PROBE: the probe asking for moves without a button
# and for the wheel: each move and each notch, up and down, is its line, and
# the recording replayed headless gives the same events.
moves_and_wheel_scenario() {
  local probe=$1 menu=25 window lines
  wx() { echo $((297 + $1)); }
  wy() { echo $((250 - $1 + menu)); }
  rm -f ZIVRO.SCR
  "$probe" --record --log moves-live.log -- moves &
  APP_PID=$!
  wait_window window "ZIVRO Graphics"
  first_frame_shown "$window" moves_before.png "${probe}-headless"
  xdotool mousemove --window "$window" "$(wx -100)" "$(wy 50)"
  recorded '^ZIVRO_MOUSE_MOVE\(-100, 50, 0\);' 1
  xdotool mousemove --window "$window" "$(wx 120)" "$(wy -30)"
  recorded '^ZIVRO_MOUSE_MOVE\(120, -30, 0\);' 1
  xdotool click 4
  recorded '^ZIVRO_MOUSE_WHEEL\(' 1
  xdotool click 5 click 5
  recorded '^ZIVRO_MOUSE_WHEEL\(' 3
  keys "$window" ctrl+q
  wait "$APP_PID"
  APP_PID=
  lines=$(tr -d '\r' < ZIVRO.SCR 2> /dev/null | grep -E '^ZIVRO_MOUSE_(MOVE\((-100, 50|120, -30)|WHEEL)' |
    tr '\n' ' ')
  check "moves without a button and the wheel's notches are their lines ($lines)" test "$lines" = \
    "ZIVRO_MOUSE_MOVE(-100, 50, 0); ZIVRO_MOUSE_MOVE(120, -30, 0); ZIVRO_MOUSE_WHEEL(120, -30, 1, 0); ZIVRO_MOUSE_WHEEL(120, -30, -1, 0); ZIVRO_MOUSE_WHEEL(120, -30, -1, 0); "
  "${probe}-headless" --play ZIVRO.SCR --log moves-played.log -- moves
  events_of() { grep '^event' "$1" | grep -v ' key 17 '; }
  check "played back headless, the moves and the wheel give the same events" \
    cmp <(events_of moves-live.log) <(events_of moves-played.log)
}
