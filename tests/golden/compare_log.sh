#!/usr/bin/env bash
# Plays tests/golden/NAME.scr with the logging game (cargame-logged) and
# compares the run's log with NAME.log byte for byte; on a difference, shows
# the first differing lines and keeps the actual log as NAME.actual.log in
# the current directory.
# Usage: RUNNER=path/to/cargame-logged compare_log.sh NAME
set -u
runner=${RUNNER:?path of cargame-logged}
name=${1:?name of a golden script}
golden=$(cd "$(dirname "$0")" && pwd)
actual=$PWD/$name.actual.log
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# The run's own directory, so that no ZIVRO.SCR of another run is near it.
(cd "$scratch" && "$runner" --play "$golden/$name.scr" --log "$actual") || {
  echo "the run of $name.scr failed (status $?)"
  exit 1
}
if cmp -s "$golden/$name.log" "$actual"; then
  rm -f "$actual"
  exit 0
fi
echo "$name: the log differs from $golden/$name.log; the run's log is $actual"
diff "$golden/$name.log" "$actual" | head -20
exit 1
