#!/usr/bin/env bash
# Remakes the README's screenshots: the desktop game under Xvfb by day, by
# night and during a stop, the later two reached by playing a script back.
# Usage: docs/make_screenshots.sh BUILD_DIR
set -eu
build=$(cd "${1:?build directory, e.g. build/release}" && pwd)
docs=$(cd "$(dirname "$0")" && pwd)
source "$docs/../tests/e2e/x_session.sh"
cd "$(mktemp -d)"
x_session_start

take() {  # take NAME SCRIPT: play SCRIPT back halted, then shoot the window
  printf '%b' "$2" > ZIVRO.SCR
  "$build/game/cargame" &
  APP_PID=$!
  wait_window G "ZIVRO Graphics"
  sleep 0.5
  keys "$G" ctrl+h
  [ -n "$2" ] && keys "$G" ctrl+p
  sleep 1
  shot "$G" "$docs/$1.png"
  keys "$G" ctrl+q
  wait "$APP_PID" || true
  APP_PID=
}

faster=$(printf 'ZIVRO_MOUSE(-250, 180);\\r\\n%.0s' 1 2 3 4 5 6)
take day ""
take night 'ZIVRO_PERIODIC(260);\r\n'
take stop "${faster}ZIVRO_PERIODIC(40);\\r\\n"
echo "made day.png, night.png and stop.png in $docs"
