#!/usr/bin/env bash
# Remakes the report's screenshots in docs/testing-your-program.md: the
# worked example's class (tests/grade/log.toml) graded, then its class table
# and bea's page shot in headless Chromium (scripts/install-deps.sh test).
# Usage: docs/make_report_screenshots.sh ZIVRO_GRADE
set -eu
grade=$(realpath "${1:?path of zivro-grade, e.g. build/release/tools/zivro-grade}")
docs=$(cd "$(dirname "$0")" && pwd)
tests=$docs/../tests/grade
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 711 "$work" # the sandboxed runs pass through it
mkdir "$work/class"
cp "$tests/reference/traffic_light.c" "$work/class/ada.c"
cp "$tests/class/bea.c" "$tests/class/cal.c" "$tests/class/dan.c" "$tests/class/fay.c" \
  "$tests/log_class/oli.c" "$work/class/"
"$grade" "$tests/log.toml" "$work/class" --out "$work/report"
/usr/bin/python3 "$docs/report_screenshots.py" "$work/report" bea "$docs"
