#!/usr/bin/env bash
# Installs what is missing, builds, and starts the car game.
#
# Until the desktop build exists this runs the headless build: the game plays
# without a window on a virtual clock. Options go to the runner; the default
# lets the animation run 600 ticks (one minute of game time).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release > /dev/null
cmake --build --preset release --target cargame-headless

[ $# -eq 0 ] && set -- --ticks 600
echo "Running the headless car game (no window yet): cargame-headless $*"
status=0
build/release/game/cargame-headless "$@" || status=$?
echo "The game ended with exit status $status."
exit "$status"
