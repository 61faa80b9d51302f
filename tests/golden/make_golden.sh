#!/usr/bin/env bash
# Remakes the golden images with the runner: each NAME.scr played back from
# the start gives NAME.png, the canvas after the run's last frame.
# Usage: tests/golden/make_golden.sh path/to/cargame-headless
set -euo pipefail
runner=${1:?path of cargame-headless}
cd "$(dirname "$0")"
for script in *.scr; do
  "$runner" --play "$script" --png "${script%.scr}.png"
  echo "made ${script%.scr}.png"
done
