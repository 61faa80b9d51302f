#!/usr/bin/env bash
# The car game and the line-input example in real windows on an X server,
# driven by xdotool and checked by screenshots.
# Usage: desktop_e2e.sh BUILD_DIR
set -u
build=$(cd "${1:?build directory}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=x_session.sh
source "$here/x_session.sh"
# shellcheck source=ctrl_keys.sh
source "$here/ctrl_keys.sh"
# shellcheck source=opt_in_events.sh
source "$here/opt_in_events.sh"
# shellcheck source=code_page.sh
source "$here/code_page.sh"
# shellcheck source=play_option.sh
source "$here/play_option.sh"

work=$(mktemp -d)
cd "$work" || exit 1
source "$here/../check.sh"

need_program "$build/game/cargame"
need_program "$build/examples/greeting"
need_program "$build/examples/greeting-headless"
need_program "$build/tests/input-probe"
need_program "$build/tests/input-probe-headless"
for example in steer-ball paint; do
  need_program "$build/examples/$example"
  need_program "$build/examples/$example-headless"
done
need_program "$build/game/cargame-headless"
need_program "$build/tests/played-scene"
need_program "$build/tests/played-scene-headless"
x_session_start

# Client coordinates plus the 25-pixel menu bar give window coordinates.
MENU=25
FASTER_X=47 FASTER_Y=$((75 + MENU))       # package (-250, 175): "Faster"
SKY_X=192 SKY_Y=$((2 + MENU))          # package (-105..-96, 248..245): open sky

# Recorded from its start, so that the headless runner replays every frame
# the window shows up to the end of the run-control keys.
"$build/game/cargame" --record &
APP_PID=$!
wait_window G "ZIVRO Graphics"
wait_window T "ZIVRO Text"
check "both windows open" test -n "$G" -a -n "$T"

# frame_origin WINDOW: "X Y" of the window manager's frame around the window.
frame_origin() {
  local left top x y
  read -r left _ top _ <<< "$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')"
  read -r x y <<< "$(origin "$1")"
  echo "$((x - ${left:-0})) $((y - ${top:-0}))"
}
at_origin() { [ "$(frame_origin "$1")" = "0 0" ]; }
wait_for 5 at_origin "$G"
check "the graphics window opens at (0, 0) ($(frame_origin "$G"))" at_origin "$G"

# day_shown FILE: the game's window has drawn a frame by day.
day_shown() { shows_more "$1" '#99FFFF' "10x4+$SKY_X+$SKY_Y" 39; }
check "the first frame is by day: ice blue sky" shot_until "$G" day.png 10 day_shown day.png
check "the read-out is on the black box" shows_more day.png '#FF0000' "150x20+222+$((480 + MENU))" 20

# Each click once the one before is recorded, so that all six are taken.
for count in 1 2 3 4 5 6; do
  click "$G" "$FASTER_X" "$FASTER_Y"
  wait_for_lines ZIVRO.SCR '^ZIVRO_MOUSE\(' "$count"
done
check "six Faster clicks bring the police lights (blue)" \
  shot_until "$G" chase.png 5 shows_more chase.png '#0000FF' "595x12+0+$((318 + MENU))" 10

ctrl_keys_scenario "$G" keys

# recording_ended WINDOW FILE: the recording in FILE no longer grows while
# the animating game in WINDOW shows two new frames.
recording_ended() {
  cp "$2" "$2.before"
  shot "$1" ended0.png
  shot_changed "$1" ended1.png ended0.png && shot_changed "$1" ended2.png ended1.png &&
    cmp -s "$2" "$2.before"
}
keys "$G" ctrl+r
check "Ctrl+R ends the recording made since the start" wait_for 10 recording_ended "$G" ZIVRO.SCR
# Each screenshot above is one of the frames the runner draws from that
# recording, in the order they were taken; Ctrl+F shows the very next frame.
cp ZIVRO.SCR from_start.scr
"$build/game/cargame-headless" --play from_start.scr --frames from-start > /dev/null
runner_digests from-start > from-start.txt
day=$(frame_number day.png from-start.txt)
chase=$(frame_number chase.png from-start.txt)
halted=$(frame_number halted.png from-start.txt)
stepped=$(frame_number stepped.png from-start.txt)
moving1=$(frame_number moving1.png from-start.txt)
moving2=$(frame_number moving2.png from-start.txt)
check "the shots by day, of the chase, halted, stepped and moving are frames the runner draws \
(${day:-none} ${chase:-none} ${halted:-none} ${stepped:-none} ${moving1:-none} ${moving2:-none})" \
  test -n "$day" -a -n "$chase" -a -n "$halted" -a -n "$stepped" -a -n "$moving1" -a -n "$moving2"
check "the chase comes after the day, the halt after the chase" \
  test "${chase:-0}" -gt "${day:-0}" -a "${halted:-0}" -gt "${chase:-0}"
check "Ctrl+F shows the frame after the halted one" test "${stepped:-0}" -eq $((${halted:-0} + 1))
check "Ctrl+A goes on from there" test "${moving1:-0}" -gt "${stepped:-0}" -a "${moving2:-0}" -gt "${moving1:-0}"

read -r gx gy <<< "$(origin "$G")"
# menu_capture FILE: the open Run menu, cropped from the screen, once two
# captures in a row are alike (the popup is drawn).
menu_capture() {
  timeout 20 import -window root screen.png 2> /dev/null
  convert screen.png -crop "330x200+$((gx + 5))+$((gy + MENU + 3))" +repage "$1"
  if [ -f "$1.previous" ] && same_image "$1.previous" "$1"; then
    rm -f "$1.previous"
    return 0
  fi
  mv "$1" "$1.previous"
  return 1
}
popup_closed() { ! popup_open; }
# menu_taken FILE: the menu the last click or key opened, captured; closed.
menu_taken() {
  wait_for 5 popup_open && wait_for 5 menu_capture "$1"
  xdotool key Escape
  wait_for 5 popup_closed
}
menu_shot() {  # the Run menu opened with the mouse
  click "$G" 20 12
  menu_taken "$1"
}
menu_shot menu_logging_off.png
shot "$T" text_before.png
keys "$G" ctrl+l
# more_black_than FILE COUNT: the text window's screenshot shows more than
# COUNT black pixels (its lines).
more_black_than() { shows_more "$1" '#000000' "" "$2"; }
check "log lines appear in the text window" \
  shot_until "$T" text_after.png 5 more_black_than text_after.png "$(($(pixels_of text_before.png '#000000') + 500))"
menu_shot menu_logging_on.png
check "Ctrl+L toggles the check mark of Logging" differ menu_logging_off.png menu_logging_on.png
keys "$G" ctrl+l
# The key reaches the program's own thread after the menu may have opened:
# the menu is opened again until it shows the change.
unchecked_again() { menu_shot menu_logging_again.png && same_image menu_logging_off.png menu_logging_again.png; }
check "a second Ctrl+L removes it again" wait_for 5 unchecked_again
check "unchecked items show no check box (no white in the menu)" \
  test "$(pixels_of menu_logging_off.png '#FFFFFF')" -eq 0
check "a checked item shows its box" more_than "$(pixels_of menu_logging_on.png '#FFFFFF')" 20

key_menu_shot() {  # the Run menu opened from the keyboard, cropped as above
  xdotool mousemove --window "$G" 20 12
  keys "$G" "$1"
  menu_taken "$2"
}
key_menu_shot alt+r menu_alt_r.png
check "Alt+R opens the Run menu" same_image menu_logging_off.png menu_alt_r.png
key_menu_shot F10 menu_f10.png
check "F10 opens the Run menu" same_image menu_logging_off.png menu_f10.png

# What keys make, read from a recording: Alt+X no character; a character
# without a key code typed into the text window; Caps Lock (typed without
# --clearmodifiers, which would clear it).
rm -f ZIVRO.SCR
keys "$G" ctrl+r
wait_for 5 test -e ZIVRO.SCR
keys "$G" alt+x
xdotool windowactivate --sync "$T" > /dev/null 2>&1
xdotool type --delay 30 'é'
xdotool key Caps_Lock b Caps_Lock
wait_for_lines ZIVRO.SCR $'^ZIVRO_KBD\\(' 2
keys "$G" ctrl+r
wait_for 10 recording_ended "$G" ZIVRO.SCR
typed=$(grep -E $'^ZIVRO_KBD\\(' ZIVRO.SCR 2> /dev/null | tr -d '\r' | tr '\n' ' ')
check "Alt+X makes no key event; é typed into the text window and Caps Lock's B do ($typed)" \
  test "$typed" = "ZIVRO_KBD(-23); ZIVRO_KBD(66); "

# last_run_ticks FILE: the recording's last line is a run of ticks.
last_run_ticks() { tail -n 1 "$1" | grep -qE $'^ZIVRO_PERIODIC\\([1-9][0-9]*\\);\r$'; }
rm -f ZIVRO.SCR
keys "$G" ctrl+r
wait_for 5 test -e ZIVRO.SCR
click "$G" 300 $((400 + MENU))   # package (3, -150)
wait_for_lines ZIVRO.SCR '^ZIVRO_MOUSE\(' 1
wait_for 5 last_run_ticks ZIVRO.SCR
click "$G" 10 $((10 + MENU))     # package (-287, 240)
wait_for_lines ZIVRO.SCR '^ZIVRO_MOUSE\(' 2
wait_for 5 last_run_ticks ZIVRO.SCR
keys "$G" ctrl+r
wait_for 10 recording_ended "$G" ZIVRO.SCR
lines=$(grep -c $'^ZIVRO_[A-Z]*([-0-9, ]*);\r$' ZIVRO.SCR 2> /dev/null || echo 0)
mouse=$(grep -E $'^ZIVRO_MOUSE\\(' ZIVRO.SCR 2> /dev/null | tr -d '\r' | tr '\n' ' ')
check "Ctrl+R, clicks, Ctrl+R write the clicks in order" \
  test "$mouse" = "ZIVRO_MOUSE(3, -150); ZIVRO_MOUSE(-287, 240); "
check "every line of ZIVRO.SCR has its form and CR LF" test "$lines" -eq "$(wc -l < ZIVRO.SCR)"
check "ticks between the clicks are counted into runs" grep -qE $'^ZIVRO_PERIODIC\\([1-9][0-9]*\\);\r$' ZIVRO.SCR

shot "$T" text_before_play.png
keys "$G" ctrl+p
check "Ctrl+P plays the script back and ends halted" shot_settled "$G" played1.png 15
sleep 0.8
shot "$G" played2.png
check "and stays so" same_image played1.png played2.png
check "the end of the script is reported in the text window" \
  shot_changed "$T" text_after_play.png text_before_play.png

click "$G" 20 12
wait_for 5 popup_open
click "$G" 40 $((MENU + 12))  # the menu's first item, "Animate"
wait_for 5 popup_closed
shot "$G" menu_anim1.png
check "the menu opened with the mouse runs Animate" shot_changed "$G" menu_anim2.png menu_anim1.png

keys "$G" ctrl+q
wait "$APP_PID"
status=$?
APP_PID=
check "Ctrl+Q ends the game with exit status 0" test "$status" -eq 0

"$build/game/cargame" &
APP_PID=$!
wait_window G "ZIVRO Graphics"
shot_until "$G" shown.png 10 day_shown shown.png
keys "$G" alt+F4
wait "$APP_PID"
status=$?
APP_PID=
check "the close box ends the game with exit status 0" test "$status" -eq 0

"$build/examples/greeting" --log greeting.log &
APP_PID=$!
wait_window D "ZIVRO_gets"
wait_window T "ZIVRO Text"
check "ZIVRO_gets shows its dialog" test -n "$D"
# same_text SHOT RUNNER: the text window shows the runner's text window, in
# the rows below the graphics window that may lie over its top.
same_text() {
  convert "$1" -crop 1018x180+0+50 +repage "$1.lines.png"
  convert "$2" -crop 1018x180+0+50 +repage "$2.lines.png"
  same_image "$1.lines.png" "$2.lines.png"
}
shot "$T" echo_before.png
xdotool windowactivate --sync "$D" > /dev/null 2>&1
xdotool type --delay 20 "end to end"
click "$D" 160 162  # "Okay"
# The runner's picture of this text window comes at the end of the run.
check "the typed line is printed" shot_until "$T" echo_after.png 5 \
  more_black_than echo_after.png "$(pixels_of echo_before.png '#000000')"
wait_for_lines greeting.log '^Hello, end to end' 1
wait_window D "ZIVRO_gets"
shot_settled "$D" dialog_empty.png
xdotool key --window "$D" Escape
xdotool windowactivate --sync "$D" > /dev/null 2>&1
xdotool type --delay 20 "Ada & @home, a name longer than the field is wide"
# What is typed after Escape shows in the field: Escape left the dialog open.
check "Escape does not close the dialog" shot_changed "$D" dialog_typed.png dialog_empty.png
xdotool key Return
wait_for_lines greeting.log '^Hello, Ada' 1
wait_window D "ZIVRO_gets"
click "$D" 160 162  # "Okay" on an empty line ends the example
wait_window G "ZIVRO Graphics"
wait_for_lines greeting.log '^Goodbye' 1
"$build/examples/greeting-headless" --answer "end to end" \
  --answer "Ada & @home, a name longer than the field is wide" --answer "" --text-png greeting_runner.png \
  > /dev/null
check "the text window ends as the runner's" shot_until "$T" greeting_text.png 5 same_text greeting_text.png greeting_runner.png
keys "$G" alt+F4
wait "$APP_PID"
status=$?
APP_PID=
check "the example ends with exit status 0" test "$status" -eq 0
"$build/examples/greeting-headless" --answer "end to end" \
  --answer "Ada & @home, a name longer than the field is wide" --log greeting-headless.log
check "Enter presses Okay; the same answers print the same bytes as headless" \
  cmp greeting.log greeting-headless.log

# A recording after a playback, across playback toggles, then a kill: the
# file is a whole script whose last run is near the ticks since the click.
"$build/game/cargame" &
APP_PID=$!
wait_window G "ZIVRO Graphics"
shot_until "$G" shown.png 10 day_shown shown.png
keys "$G" ctrl+p   # plays the recording above to its end, and halts
shot_settled "$G" played_again.png 15
cp ZIVRO.SCR played.scr
keys "$G" ctrl+a
keys "$G" ctrl+r
# new_recording: the recording has begun a new file over the one played.
new_recording() { ! cmp -s ZIVRO.SCR played.scr; }
wait_for 5 new_recording
click "$G" 300 $((400 + MENU))   # package (3, -150)
wait_for_lines ZIVRO.SCR '^ZIVRO_MOUSE\(' 1
keys "$G" ctrl+p   # the recording keeps the file: nothing to play
keys "$G" ctrl+p
keys "$G" ctrl+a   # switching playback on halted the animation
click "$G" 10 $((10 + MENU))     # package (-287, 240)
wait_for_lines ZIVRO.SCR '^ZIVRO_MOUSE\(' 2
# ticks_at_least N: the last run of the recording holds N ticks or more.
ticks_at_least() { [ "$(tail -n 1 ZIVRO.SCR | sed -n 's/^ZIVRO_PERIODIC(\([0-9]*\));.*/\1/p')" -ge "$1" ] 2> /dev/null; }
wait_for 10 ticks_at_least 15
kill -KILL "$APP_PID"
wait "$APP_PID" 2> /dev/null
APP_PID=
lines=$(grep -c $'^ZIVRO_[A-Z]*([-0-9, ]*);\r$' ZIVRO.SCR 2> /dev/null || echo 0)
mouse=$(grep -E $'^ZIVRO_MOUSE\\(' ZIVRO.SCR 2> /dev/null | tr -d '\r' | tr '\n' ' ')
last=$(tail -n 1 ZIVRO.SCR | tr -dc '0-9')
check "a recording after playback and playback toggles keeps both clicks" \
  test "$mouse" = "ZIVRO_MOUSE(3, -150); ZIVRO_MOUSE(-287, 240); "
check "after a kill every line of ZIVRO.SCR is whole, with CR LF" \
  test "$lines" -gt 2 -a "$lines" -eq "$(wc -l < ZIVRO.SCR)"
check "the last run holds the ticks until the kill (15 or a few more, got ${last:-none})" \
  grep -qE $'^ZIVRO_PERIODIC\\(([5-9]|1[0-9]|2[0-5])\\);\r$' <(tail -n 1 ZIVRO.SCR)

# --record: recording is on before the first wait, so the game, which
# animates from its start, replays headless to exactly the frame it showed.
# scripts/play.sh starts it in the caller's directory, where ZIVRO.SCR lands.
mkdir -p "$work/caller"
(cd "$work/caller" && exec bash "$here/../../scripts/play.sh" --record > play.log 2>&1) &
APP_PID=$!
wait_window G "ZIVRO Graphics" 120
shot_until "$G" shown.png 10 day_shown shown.png
keys "$G" ctrl+h
shot_settled "$G" recorded_live.png
keys "$G" ctrl+q
wait "$APP_PID"
APP_PID=
check "play.sh records ZIVRO.SCR in the caller's directory" test -s "$work/caller/ZIVRO.SCR"
check "--record starts with the first tick" \
  grep -qE $'^ZIVRO_PERIODIC\\([1-9][0-9]*\\);\r$' <(head -n 1 "$work/caller/ZIVRO.SCR" 2> /dev/null)
"$build/game/cargame-headless" --play "$work/caller/ZIVRO.SCR" --png recorded_played.png
convert recorded_live.png -crop "595x501+0+$MENU" +repage recorded_live_client.png
convert recorded_played.png -crop "595x501+0+0" +repage recorded_played_client.png
check "the recording from the start replays to the frame shown" \
  same_image recorded_live_client.png recorded_played_client.png

opt_in_events_scenario "$build/tests/input-probe" "$build/tests/input-probe-headless"
examples_scenario "$build/examples"
held_key_scenario "$build/examples"
two_buttons_scenario "$build/tests/input-probe"
moves_and_wheel_scenario "$build/tests/input-probe"
code_page_scenario "$build/examples"
play_option_scenario "$build" "$here/../golden/chase_stop.scr"

report "desktop end to end" || { echo "screenshots kept in $work"; exit 1; }
rm -rf "$work"
