# shellcheck shell=bash
# Sourced by the desktop end-to-end tests and the CPU benchmark: starts an
# Xvfb server and openbox on a free display, and helpers to drive windows.
# Everything started here is stopped when the sourcing script exits.

# shellcheck source=../wait_for.sh
source "$(dirname "${BASH_SOURCE[0]}")/../wait_for.sh"

x_session_start() {
  local display_file
  # Xvfb takes a free display itself and names it: no other session starting
  # at the same moment can take the same one.
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp 3> "$display_file" > /dev/null 2>&1 &
  X_SERVER_PID=$!
  trap x_session_stop EXIT
  wait_for 10 test -s "$display_file" || {
    echo "FAILED: Xvfb did not start"
    exit 1
  }
  export DISPLAY=":$(head -n 1 "$display_file")"
  rm -f "$display_file"
  wait_for 10 xdpyinfo > /dev/null 2>&1 || {
    echo "FAILED: the X server on $DISPLAY does not answer"
    exit 1
  }
  openbox > /dev/null 2>&1 &
  X_WM_PID=$!
  # A window manager names its own window on the root once it manages.
  wait_for 10 wm_running || {
    echo "FAILED: openbox did not start on $DISPLAY"
    exit 1
  }
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id'; }

x_session_stop() {
  [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2> /dev/null
  kill "$X_WM_PID" "$X_SERVER_PID" 2> /dev/null
  wait 2> /dev/null
}

# wait_window VAR TITLE [SECONDS]: sets VAR to the window's id once it is
# mapped, waiting up to SECONDS (default 30: only a window that never comes
# waits that long). A window that never appears ends the whole test at once,
# naming it: every later step would only wait on a window that is not there.
wait_window() {
  printf -v "$1" '%s' ""
  wait_for "${3:-30}" window_or_end "$1" "$2"
  [ -n "${!1}" ] && return 0
  if [ -n "${APP_PID:-}" ] && ! kill -0 "$APP_PID" 2> /dev/null; then
    echo "FAILED: the program ended before its window \"$2\" appeared"
  else
    echo "FAILED: the window \"$2\" did not appear within ${3:-30} s; the windows shown:"
    xdotool search --onlyvisible --name . getwindowname %@ 2> /dev/null | sort -u | sed 's/^/  /'
  fi
  exit 1
}
# window_or_end VAR TITLE: sets VAR to the mapped window's id if there is
# one; true then, or when the program has ended (nothing more to wait for).
window_or_end() {
  local found
  found=$(xdotool search --onlyvisible --name "^$2\$" 2> /dev/null | head -1)
  if [ -n "$found" ]; then
    printf -v "$1" '%s' "$found"
    return 0
  fi
  [ -n "${APP_PID:-}" ] && ! kill -0 "$APP_PID" 2> /dev/null
}

# wait_for_lines FILE PATTERN COUNT [SECONDS]: waits until FILE holds COUNT
# lines matching the extended PATTERN, up to SECONDS (default 10); false if
# they never come.
wait_for_lines() { wait_for "${4:-10}" has_lines "$1" "$2" "$3"; }
has_lines() { [ "$(grep -cE "$2" "$1" 2> /dev/null)" -ge "$3" ]; }

# need_program FILE: ends the test at once when the program to drive is
# missing.
need_program() {
  if [ ! -x "$1" ]; then
    echo "FAILED: $1 is missing; build it first"
    exit 1
  fi
}

# keys WINDOW KEY...: keys typed with the window active, as a user types them.
keys() {
  local window=$1
  shift
  xdotool windowactivate --sync "$window" > /dev/null 2>&1 || true
  xdotool key --clearmodifiers "$@"
}

# click WINDOW X Y: a left click at window coordinates.
click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

# shot WINDOW FILE: never waits long (import without a window would wait
# for a click on the screen).
shot() {
  [ -n "$1" ] && timeout 20 import -window "$1" "$2" 2> /dev/null
}

# pixels_of FILE HEX [GEOMETRY]: how many pixels of colour #RRGGBB, in the
# crop WxH+X+Y if given.
pixels_of() {
  local crop=()
  [ -n "${3:-}" ] && crop=(-crop "$3" +repage)
  convert "$1" "${crop[@]}" -depth 8 -format '%c' histogram:info:- |
    awk -v colour="$2" 'index(toupper($0), toupper(colour)) {sum += $1} END {print sum + 0}'
}

differ() { ! same_image "$1" "$2"; }

# shot_until WINDOW FILE SECONDS TEST...: screenshots WINDOW into FILE until
# TEST... succeeds on it, for at most SECONDS; false if it never does.
shot_until() {
  local window=$1 file=$2 seconds=$3
  shift 3
  wait_for "$seconds" shot_and "$window" "$file" "$@"
}
shot_and() { shot "$1" "$2" && "${@:3}"; }

# shot_settled WINDOW FILE [SECONDS]: FILE once three screenshots in a row
# are equal: the window has shown what it was sent and does not animate.
shot_settled() {
  local alike=0
  shot "$1" "$2.previous"
  wait_for "${3:-10}" settled_step "$1" "$2"
}
settled_step() {
  shot "$1" "$2" || return 1
  if same_image "$2.previous" "$2"; then
    alike=$((alike + 1))
  else
    alike=0
  fi
  cp "$2" "$2.previous"
  [ "$alike" -ge 2 ]
}

# shot_changed WINDOW FILE REFERENCE [SECONDS]: FILE once the window shows
# something else than the picture REFERENCE.
shot_changed() { shot_until "$1" "$2" "${4:-5}" differ "$3" "$2"; }

# client_digest FILE [TOP]: a digest of the 595x501 canvas pixels a window
# shows, from row TOP of FILE (25, below the menu bar, unless given: 0 for
# the runner's canvas).
client_digest() {
  convert "$1" -crop "595x501+0+${2:-25}" +repage -depth 8 rgb:- | md5sum | cut -d' ' -f1
}

# runner_digests DIR: "NUMBER DIGEST" of every frame the runner wrote into
# DIR with --frames.
runner_digests() {
  local frame
  for frame in "$1"/*.png; do
    echo "$((10#$(basename "$frame" .png))) $(client_digest "$frame" 0)"
  done
}

# frame_number SHOT DIGESTS: the number of the runner's frame the screenshot
# shows (the first with its pixels); empty when it shows none of them.
frame_number() {
  awk -v digest="$(client_digest "$1")" '$2 == digest {print $1; exit}' "$2"
}

# shows_more FILE HEX GEOMETRY COUNT: more than COUNT pixels of the colour in
# the crop.
shows_more() { more_than "$(pixels_of "$1" "$2" "$3")" "$4"; }

# popup_open: the program in APP_PID shows a window beside its two (a menu).
popup_open() { [ "$(xdotool search --onlyvisible --pid "$APP_PID" 2> /dev/null | wc -l)" -gt 2 ]; }

# same_image A B: whether two screenshots are equal pixel for pixel.
same_image() {
  [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]
}

# origin WINDOW: "X Y" of the window's top-left corner on the screen.
origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}'
}
