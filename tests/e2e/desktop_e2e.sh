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

"$build/game/cargame" &
APP_PID=$!
wait_window G "ZIVRO Graphics"
wait_window T "ZIVRO Text"
check "both windows open" test -n "$G" -a -n "$T"
sleep 0.5

# frame_origin WINDOW: "X Y" of the window manager's frame around the window.
frame_origin() {
  local left top x y
  read -r left _ top _ <<< "$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')"
  read -r x y <<< "$(origin "$1")"
  echo "$((x - ${left:-0})) $((y - ${top:-0}))"
}
check "the graphics window opens at (0, 0) ($(frame_origin "$G"))" test "$(frame_origin "$G")" = "0 0"

shot "$G" day.png
check "the first frame is by day: ice blue sky" \
  more_than "$(pixels_of day.png '#99FFFF' "10x4+$SKY_X+$SKY_Y")" 39
check "the read-out is on the black box" more_than "$(pixels_of day.png '#FF0000' "150x20+222+$((480 + MENU))")" 20

for _ in 1 2 3 4 5 6; do click "$G" "$FASTER_X" "$FASTER_Y"; sleep 0.05; done
sleep 0.6
shot "$G" chase.png
check "six Faster clicks bring the police lights (blue)" \
  more_than "$(pixels_of chase.png '#0000FF' "595x12+0+$((318 + MENU))")" 10

ctrl_keys_scenario "$G" keys shot 0.4

read -r gx gy <<< "$(origin "$G")"
menu_shot() {  # the open Run menu, cropped from the screen
  click "$G" 20 12
  sleep 0.5
  timeout 20 import -window root screen.png 2> /dev/null
  convert screen.png -crop "330x200+$((gx + 5))+$((gy + MENU + 3))" +repage "$1"
  xdotool key Escape
  sleep 0.3
}
menu_shot menu_logging_off.png
shot "$T" text_before.png
keys "$G" ctrl+l
sleep 0.6
menu_shot menu_logging_on.png
shot "$T" text_after.png
check "Ctrl+L toggles the check mark of Logging" differ menu_logging_off.png menu_logging_on.png
check "log lines appear in the text window" \
  more_than "$(pixels_of text_after.png '#000000')" "$(($(pixels_of text_before.png '#000000') + 500))"
keys "$G" ctrl+l
sleep 0.3
menu_shot menu_logging_again.png
check "a second Ctrl+L removes it again" same_image menu_logging_off.png menu_logging_again.png
check "unchecked items show no check box (no white in the menu)" \
  test "$(pixels_of menu_logging_off.png '#FFFFFF')" -eq 0
check "a checked item shows its box" more_than "$(pixels_of menu_logging_on.png '#FFFFFF')" 20

key_menu_shot() {  # the Run menu opened from the keyboard, cropped as above
  xdotool mousemove --window "$G" 20 12
  keys "$G" "$1"
  sleep 0.5
  timeout 20 import -window root screen.png 2> /dev/null
  convert screen.png -crop "330x200+$((gx + 5))+$((gy + MENU + 3))" +repage "$2"
  xdotool key Escape
  sleep 0.3
}
key_menu_shot alt+r menu_alt_r.png
check "Alt+R opens the Run menu" same_image menu_logging_off.png menu_alt_r.png
key_menu_shot F10 menu_f10.png
check "F10 opens the Run menu" same_image menu_logging_off.png menu_f10.png

# What keys make, read from a recording: Alt+X no character; a character
# without a key code typed into the text window; Caps Lock (typed without
# --clearmodifiers, which would clear it).
keys "$G" ctrl+r
sleep 0.3
keys "$G" alt+x
xdotool windowactivate --sync "$T" > /dev/null 2>&1
xdotool type --delay 30 'é'
xdotool key Caps_Lock b Caps_Lock
sleep 0.3
keys "$G" ctrl+r
sleep 0.3
typed=$(grep -E $'^ZIVRO_KBD\\(' ZIVRO.SCR 2> /dev/null | tr -d '\r' | tr '\n' ' ')
check "Alt+X makes no key event; é typed into the text window and Caps Lock's B do ($typed)" \
  test "$typed" = "ZIVRO_KBD(-23); ZIVRO_KBD(66); "

keys "$G" ctrl+r
sleep 0.3
click "$G" 300 $((400 + MENU))   # package (3, -150)
sleep 0.35
click "$G" 10 $((10 + MENU))     # package (-287, 240)
sleep 0.35
keys "$G" ctrl+r
sleep 0.3
lines=$(grep -c $'^ZIVRO_[A-Z]*([-0-9, ]*);\r$' ZIVRO.SCR 2> /dev/null || echo 0)
mouse=$(grep -E $'^ZIVRO_MOUSE\\(' ZIVRO.SCR 2> /dev/null | tr -d '\r' | tr '\n' ' ')
check "Ctrl+R, clicks, Ctrl+R write the clicks in order" \
  test "$mouse" = "ZIVRO_MOUSE(3, -150); ZIVRO_MOUSE(-287, 240); "
check "every line of ZIVRO.SCR has its form and CR LF" test "$lines" -eq "$(wc -l < ZIVRO.SCR)"
check "ticks between the clicks are counted into runs" grep -qE $'^ZIVRO_PERIODIC\\([1-9][0-9]*\\);\r$' ZIVRO.SCR

shot "$T" text_before_play.png
keys "$G" ctrl+p
sleep 0.8
shot "$G" played1.png
sleep 0.8
shot "$G" played2.png
shot "$T" text_after_play.png
check "Ctrl+P plays the script back and ends halted" same_image played1.png played2.png
check "the end of the script is reported in the text window" differ text_before_play.png text_after_play.png

click "$G" 20 12
sleep 0.5
click "$G" 40 $((MENU + 12))  # the menu's first item, "Animate"
sleep 0.5
shot "$G" menu_anim1.png
sleep 0.5
shot "$G" menu_anim2.png
check "the menu opened with the mouse runs Animate" differ menu_anim1.png menu_anim2.png

keys "$G" ctrl+q
wait "$APP_PID"
status=$?
APP_PID=
check "Ctrl+Q ends the game with exit status 0" test "$status" -eq 0

"$build/game/cargame" &
APP_PID=$!
wait_window G "ZIVRO Graphics"
sleep 0.5
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
shot "$T" echo_before.png
xdotool windowactivate --sync "$D" > /dev/null 2>&1
xdotool type --delay 20 "end to end"
click "$D" 160 162  # "Okay"
sleep 0.6
shot "$T" echo_after.png
check "the typed line is printed" \
  more_than "$(pixels_of echo_after.png '#000000')" "$(pixels_of echo_before.png '#000000')"
wait_window D "ZIVRO_gets"
xdotool key --window "$D" Escape
sleep 0.3
check "Escape does not close the dialog" test -n "$(xdotool search --onlyvisible --name '^ZIVRO_gets$')"
xdotool windowactivate --sync "$D" > /dev/null 2>&1
xdotool type --delay 20 "Ada & @home, a name longer than the field is wide"
xdotool key Return
sleep 0.5
wait_window D "ZIVRO_gets"
click "$D" 160 162  # "Okay" on an empty line ends the example
wait_window G "ZIVRO Graphics"
sleep 0.3
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
sleep 0.5
keys "$G" ctrl+p   # plays the recording above to its end, and halts
sleep 0.8
keys "$G" ctrl+a
keys "$G" ctrl+r
sleep 0.3
click "$G" 300 $((400 + MENU))   # package (3, -150)
sleep 0.5
keys "$G" ctrl+p   # the recording keeps the file: nothing to play
sleep 0.3
keys "$G" ctrl+p
sleep 0.3
keys "$G" ctrl+a   # switching playback on halted the animation
click "$G" 10 $((10 + MENU))     # package (-287, 240)
sleep 2
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
check "the last run holds the ticks until the kill (about 20, got ${last:-none})" \
  grep -qE $'^ZIVRO_PERIODIC\\(([5-9]|1[0-9]|2[0-5])\\);\r$' <(tail -n 1 ZIVRO.SCR)

# --record: recording is on before the first wait, so the game, which
# animates from its start, replays headless to exactly the frame it showed.
# scripts/play.sh starts it in the caller's directory, where ZIVRO.SCR lands.
mkdir -p "$work/caller"
(cd "$work/caller" && exec bash "$here/../../scripts/play.sh" --record > play.log 2>&1) &
APP_PID=$!
wait_window G "ZIVRO Graphics" 120
sleep 1
keys "$G" ctrl+h
sleep 0.5
shot "$G" recorded_live.png
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
code_page_scenario "$build/examples"
play_option_scenario "$build" "$here/../golden/chase_stop.scr"

report "desktop end to end" || { echo "screenshots kept in $work"; exit 1; }
rm -rf "$work"
