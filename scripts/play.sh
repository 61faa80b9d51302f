#!/usr/bin/env bash
# Installs what is missing, builds the release build, and starts the car game
# in its windows. Without a display it says so and points to the headless
# runner, which plays without windows: build/release/game/cargame-headless.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh desktop
cmake --preset release > /dev/null
cmake --build --preset release --target cargame cargame-headless

if [ -z "${DISPLAY:-}" ]; then
  echo "No display (DISPLAY is not set): run the game without windows with" \
    "build/release/game/cargame-headless --ticks 600 --png last-frame.png"
  exit 1
fi
exec build/release/game/cargame "$@"
