#!/usr/bin/env bash
# The Windows builds of the car game and the steering example under Wine, in
# real X windows (Xvfb), driven by xdotool and checked by screenshots.
#
# Usage: wine_e2e.sh BUILD_DIR        (e.g. build/win64 or build/win32)
#
# Wine runs in a prefix of its own with the X11 driver's windows unmanaged
# and undecorated: Wine draws the caption, the frame and the menu bar itself,
# so the client area's place inside the X window is found from a screenshot.
# Exit status 0 when every check passed, 1 otherwise, 2 on bad usage; 77
# when a 32-bit build meets a Wine without its 32-bit half.
set -u

if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd) || exit 2
exe=$build/game/cargame.exe
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
if [ ! -f "$exe" ]; then
  echo "$0: no $exe; build a Windows preset first (cmake --build --preset win64)" >&2
  exit 2
fi
for tool in wine wineserver wineboot Xvfb xdotool import convert compare xwininfo; do
  command -v "$tool" > /dev/null || {
    echo "$0: $tool is missing (scripts/install-deps.sh)" >&2
    exit 2
  }
done
# shellcheck source=wine_prefix.sh
source "$root/tests/wine/wine_prefix.sh"
if ! reason=$(wine_can_run "$exe"); then
  echo "$0: $reason" >&2
  exit 77
fi

# shellcheck source=../e2e/x_session.sh
source "$root/tests/e2e/x_session.sh"
# shellcheck source=../e2e/ctrl_keys.sh
source "$root/tests/e2e/ctrl_keys.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/zivro-wine-e2e-run.XXXXXX")

# shellcheck disable=SC2317  # run by the trap
cleanup() {
  wine_prefix_stop
  x_session_stop
  rm -rf "$work"
}

source "$root/tests/check.sh"
finish() {
  report "wine end to end"
  exit $?
}

x_session_start
trap cleanup EXIT
cd "$work" || exit 1

wine_prefix_start x11

# wine_click WINDOW X Y: a left click at window coordinates. The windows are
# unmanaged, so Wine gives the focus to the window clicked and xdotool's typed
# keys go there; no window manager is asked to activate anything.
wine_click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}
wine_keys() {
  xdotool key --clearmodifiers "$@"
}

wine "$exe" > "$work/wine.out" 2>&1 &
APP_PID=$!
wait_window G "ZIVRO Graphics" 30
wait_window T "ZIVRO Text" 30
check "both windows open" test -n "$G" -a -n "$T"
[ -n "$G" ] || finish

# The client area: 595x496 pixels inside Wine's frame, caption and menu bar.
# Its edges are found in the first frame as the ends of runs of one colour:
# the olive mountain on the left and the green one on the right in the middle
# row, and the brown ground down to the bottom edge.
# The first frame is drawn once the sky shows.
check "the game draws its first frame" shot_until "$G" day.png 30 shows_more day.png '#99FFFF' "" 1000
read -r win_w win_h < <(identify -format '%w %h\n' day.png)
CLIENT_W=595 CLIENT_H=496
# run_end FILE row|column INDEX FROM STEP: walks the row (or column) INDEX
# from pixel FROM in steps of STEP (1 or -1) while the colour stays that of
# FROM; prints the last position of the run.
run_end() {
  local crop
  if [ "$2" = row ]; then crop="${win_w}x1+0+$3"; else crop="1x${win_h}+$3+0"; fi
  convert "$1" -crop "$crop" -depth 8 txt:- |
    awk -v from="$4" -v step="$5" -v along="$2" '
      NR > 1 { split($1, p, /[,:]/); c[along == "row" ? p[1] : p[2]] = $3; n++ }
      END { i = from; while ((i + step) in c && c[i + step] == c[from]) i += step; print i }'
}
mid=$((win_h / 2))
left=$(run_end day.png row "$mid" 30 -1)
right=$(run_end day.png row "$mid" $((win_w - 30)) 1)
bottom=$(run_end day.png column $((left + 100)) $((win_h - 20)) 1)
top=$((bottom - CLIENT_H + 1))
echo "window ${win_w}x$win_h, client from ($left, $top) to ($right, $bottom)"
check "the client area is 595 pixels wide" test "$((right - left + 1))" -eq "$CLIENT_W"
check "and lies inside the window, below the menu bar" test "$top" -gt 20
# cx/cy: client pixel to window pixel. Package (x, y) is client (297 + x, 248 - y).
cx() { echo $((left + $1)); }
cy() { echo $((top + $1)); }

check "the first frame is by day: ice blue sky" \
  more_than "$(pixels_of day.png '#99FFFF' "10x4+$(cx 192)+$(cy 2)")" 39
check "the row above the client area is not sky (the menu bar)" \
  test "$(pixels_of day.png '#99FFFF' "10x1+$(cx 192)+$(cy -1)")" -eq 0
check "the speed read-out is on the black box" \
  more_than "$(pixels_of day.png '#FF0000' "150x12+$(cx 222)+$(cy 480)")" 20

# Six clicks on "Faster", package (-250, 175), start the chase; the police
# car drives in from the edge, so the road strip is watched for up to 5 s.
# The clicks come a little apart, as a hand clicks.
for _ in 1 2 3 4 5 6; do
  wine_click "$G" "$(cx 47)" "$(cy 73)"
  sleep 0.1
done
check "six Faster clicks bring the police lights (blue)" \
  shot_until "$G" chase.png 5 shows_more chase.png '#0000FF' "${CLIENT_W}x12+$left+$(cy 318)" 10
check "and it is still day" more_than "$(pixels_of chase.png '#99FFFF')" 1000
if [ -n "${ZIVRO_WINE_E2E_SHOT:-}" ]; then
  cp chase.png "$ZIVRO_WINE_E2E_SHOT"
fi

# The keys go to the window that has the focus, the graphics window here.
wine_window_keys() {
  shift
  wine_keys "$@"
}
ctrl_keys_scenario "$G" wine_window_keys

# menu_item Y: opens Run on the menu bar with the mouse and clicks the item
# Y pixels below the top of the popup (items are 17 pixels apart; Animate at
# 11, Halt animation at 28). The popup is an unmanaged window of its own.
menu_item() {
  local popup="" geometry px py
  wine_click "$G" "$(cx 17)" "$(cy -10)"
  wait_for 5 popup_found popup || return 1
  geometry=${popup#* }
  px=$(echo "$geometry" | awk -F'[x+]' '{print $3}')
  py=$(echo "$geometry" | awk -F'[x+]' '{print $4}')
  timeout 20 import -window root menu.png 2> /dev/null
  xdotool mousemove "$((px + 40))" "$((py + $1))" click 1
  wait_for 5 menu_closed
}
# popup_found VAR: sets VAR to "ID GEOMETRY" of the game's open popup menu.
popup_found() {
  local found
  found=$(xwininfo -root -children |
    awk '/\("cargame.exe" "cargame.exe"\)/ && /\(has no name\)/ {split($(NF-1), g, /[x+]/); if (g[1] > 100) {print $1, $(NF-1); exit}}')
  [ -n "$found" ] && printf -v "$1" '%s' "$found"
}
menu_closed() {
  ! xwininfo -root -children | grep '("cargame.exe" "cargame.exe")' | grep '(has no name)' |
    awk '{split($(NF-1), g, /[x+]/); if (g[1] > 100) found = 1} END {exit !found}'
}

check "Run opens its menu with the mouse" menu_item 28
check "a click on an item closes the menu" menu_closed
check "Run -> Halt animation from the mouse halts" shot_settled "$G" menu_halt1.png
# A halted game shows the same frame however long one looks.
sleep 1
shot "$G" menu_halt2.png
check "and stays halted" same_image menu_halt1.png menu_halt2.png
menu_item 11
check "the menu closes again" menu_closed
shot "$G" menu_anim1.png
check "Run -> Animate from the mouse animates" shot_changed "$G" menu_anim2.png menu_anim1.png

app_ended() { ! kill -0 "$APP_PID" 2> /dev/null; }
wine_keys ctrl+q
status=timeout
if wait_for 20 app_ended; then
  wait "$APP_PID"
  status=$?
fi
APP_PID=
check "Ctrl+Q ends the game with exit status 0 (got $status)" test "$status" = 0

# The opt-in key events: the steering example's ball rolled with the arrow
# keys held down, recorded with Ctrl+R.
steer=$build/tests/wine/steer-ball.exe
check "the steering example is built ($steer)" test -f "$steer"
[ -f "$steer" ] || finish
# red_centre FILE: "X Y", the mean position of the ball's pure red pixels.
red_centre() {
  convert "$1" -depth 8 txt:- | awk -F'[,: ]+' '/#FF0000/ {x += $1; y += $2; n++}
    END {if (n) printf "%d %d\n", x / n + 0.5, y / n + 0.5; else print "none"}'
}
rm -f ZIVRO.SCR
wine "$steer" > "$work/steer.out" 2>&1 &
APP_PID=$!
wait_window S "ZIVRO Graphics" 30
ball_shown() { [ "$(red_centre "$1")" != none ]; }
check "the steering example draws its ball" shot_until "$S" steer_before.png 30 ball_shown steer_before.png
read -r bx by < <(red_centre steer_before.png)
# focused WINDOW: the X input focus is on WINDOW or inside it.
focused() {
  local focus
  focus=$(xdotool getwindowfocus 2> /dev/null)
  [ "$focus" = "$1" ] || xwininfo -id "$1" -children 2> /dev/null | grep -q "^ *$(printf '0x%x' "$focus") "
}
wine_click "$S" "$bx" $((by + 60))  # the focus to the example (a click it ignores)
wait_for 5 focused "$S"
wine_keys ctrl+r
wait_for 5 test -e ZIVRO.SCR
# How far the ball rolls is how long the keys are held.
xdotool keydown Right
sleep 0.6
xdotool keyup Right
xdotool keydown Up
sleep 0.4
xdotool keyup Up
wait_for_lines ZIVRO.SCR '^ZIVRO_KEY_RELEASE\(38,' 1
wine_keys ctrl+r
check "the ball comes to rest" shot_settled "$S" steer_after.png
read -r ax ay < <(red_centre steer_after.png)
check "holding Right, then Up, rolls the ball right and up (from $bx,$by to $ax,$ay)" \
  test "$((ax - bx))" -gt 20 -a "$((by - ay))" -gt 10
arrows=$(tr -d '\r' < ZIVRO.SCR 2> /dev/null | grep -E '^ZIVRO_KEY_(PRESS|RELEASE)\((39|38),' |
  uniq | tr '\n' ' ')
check "the recording holds the arrows' presses and releases ($arrows)" test "$arrows" = \
  "ZIVRO_KEY_PRESS(39, 0); ZIVRO_KEY_RELEASE(39, 0); ZIVRO_KEY_PRESS(38, 0); ZIVRO_KEY_RELEASE(38, 0); "
wine_keys ctrl+q
wait_for 20 app_ended
wait "$APP_PID" 2> /dev/null
APP_PID=

finish
