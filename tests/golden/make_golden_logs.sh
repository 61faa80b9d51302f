#!/usr/bin/env bash
# Remakes the golden logs: each NAME.scr that has a NAME.log beside it is
# played by the logging game, and its log becomes the new NAME.log.
# Usage: tests/golden/make_golden_logs.sh path/to/cargame-logged
set -euo pipefail
runner=$(realpath "${1:?path of cargame-logged}")
cd "$(dirname "$0")"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for log in *.log; do
  name=${log%.log}
  (cd "$scratch" && "$runner" --play "$OLDPWD/$name.scr" --log "$OLDPWD/$log")
  echo "made $log"
done
