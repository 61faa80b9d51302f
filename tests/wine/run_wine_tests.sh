#!/usr/bin/env bash
# Runs the Windows test program of a Windows build under Wine, in a Wine
# prefix of its own with the null display driver, so no display is needed.
# Usage: run_wine_tests.sh BUILD_DIR [test program arguments...]
# The exit status is the test program's.
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [test arguments...]" >&2
  exit 2
fi
build_dir=$(cd "$1" && pwd)
shift
tests_exe=$build_dir/tests/wine/win32_tests.exe
if [ ! -f "$tests_exe" ]; then
  echo "$0: no $tests_exe; build a Windows preset first (cmake --build --preset win64)" >&2
  exit 2
fi
command -v wine > /dev/null || {
  echo "$0: wine is not installed (scripts/install-deps.sh test)" >&2
  exit 2
}

# shellcheck source=wine_prefix.sh
source "$(dirname "$0")/wine_prefix.sh"
# A 32-bit program needs Wine's 32-bit half (Debian's wine32, from the i386
# architecture) and a kernel that runs 32-bit programs; without them the run
# is skipped with status 77.
if ! reason=$(wine_can_run "$tests_exe"); then
  echo "$0: $reason" >&2
  exit 77
fi
work_dir=$(mktemp -d "${TMPDIR:-/tmp}/zivro-wine-run.XXXXXX")
# shellcheck disable=SC2317  # run by the trap
cleanup() {
  wine_prefix_stop
  rm -rf "$work_dir"
}
trap cleanup EXIT
wine_prefix_start null

# The scenarios write their script files into directories of their own.
status=0
(cd "$work_dir" && wine "$tests_exe" "$@") || status=$?
exit $status
