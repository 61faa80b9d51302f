# Sourced by the desktop end-to-end tests and the CPU benchmark: starts an
# Xvfb server and openbox on a free display, and helpers to drive windows.
# Everything started here is stopped when the sourcing script exits.

x_session_start() {
  local number
  for number in $(seq 91 120); do
    [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] || break
  done
  export DISPLAY=":$number"
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -noreset -nolisten tcp > /dev/null 2>&1 &
  X_SERVER_PID=$!
  for _ in $(seq 1 50); do
    xdpyinfo > /dev/null 2>&1 && break
    sleep 0.1
  done
  openbox > /dev/null 2>&1 &
  X_WM_PID=$!
  sleep 0.5
  trap x_session_stop EXIT
}

x_session_stop() {
  [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2> /dev/null
  kill "$X_WM_PID" "$X_SERVER_PID" 2> /dev/null
  wait 2> /dev/null
}

# wait_window VAR TITLE [SECONDS]: sets VAR to the window's id once it is
# mapped, waiting up to SECONDS (default 10; a first start under Wine needs
# more). A window that never appears ends the whole test at once with one
# line: every later step would only wait on a window that is not there.
wait_window() {
  local id
  for _ in $(seq 1 $((${3:-10} * 10))); do
    id=$(xdotool search --onlyvisible --name "^$2\$" 2> /dev/null | head -1)
    if [ -n "$id" ]; then
      printf -v "$1" '%s' "$id"
      return 0
    fi
    if [ -n "${APP_PID:-}" ] && ! kill -0 "$APP_PID" 2> /dev/null; then
      echo "FAILED: the program ended before its window \"$2\" appeared"
      exit 1
    fi
    sleep 0.1
  done
  echo "FAILED: the window \"$2\" did not appear within ${3:-10} s"
  exit 1
}

# wait_for_lines FILE PATTERN COUNT [SECONDS]: waits until FILE holds COUNT
# lines matching the extended PATTERN, up to SECONDS (default 10); false if
# they never come.
wait_for_lines() {
  for _ in $(seq 1 $((${4:-10} * 10))); do
    [ "$(grep -cE "$2" "$1" 2> /dev/null)" -ge "$3" ] && return 0
    sleep 0.1
  done
  return 1
}

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

# same_image A B: whether two screenshots are equal pixel for pixel.
same_image() {
  [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]
}

# origin WINDOW: "X Y" of the window's top-left corner on the screen.
origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}'
}
