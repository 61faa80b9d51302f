#!/usr/bin/env bash
# Remakes the golden images with the runner: each NAME.scr that has a NAME.png
# beside it, played back from the start, gives NAME.png, the canvas after the
# run's last frame. (The golden logs are made by make_golden_logs.sh.)
# Usage: tests/golden/make_golden.sh path/to/cargame-headless
set -euo pipefail
runner=${1:?path of cargame-headless}
cd "$(dirname "$0")"
for image in *.png; do
  script=${image%.png}.scr
  "$runner" --play "$script" --png "${script%.scr}.png"
  echo "made ${script%.scr}.png"
done
