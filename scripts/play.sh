#!/usr/bin/env bash
# Installs what is missing, builds the release build, and starts the car game
# in its windows, in the directory this script was called from: the game's
# script file ZIVRO.SCR is read and written there. Without a display it says
# so and points to the headless runner, which plays without windows:
# build/release/game/cargame-headless. Arguments go to the game, e.g. --record.
set -euo pipefail
caller=$PWD
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

scripts/install-deps.sh desktop
cmake --preset release > /dev/null
cmake --build --preset release --target cargame cargame-headless

if [ -z "${DISPLAY:-}" ]; then
  echo "No display (DISPLAY is not set): run the game without windows with" \
    "$repo/build/release/game/cargame-headless --ticks 600 --png last-frame.png"
  exit 1
fi
cd "$caller"
exec "$repo/build/release/game/cargame" "$@"
