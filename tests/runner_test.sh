#!/usr/bin/env bash
# The headless runner end to end: options, exit statuses, --play and --log.
set -u
: "${CARGAME:?path of cargame-headless}" "${SCRIPTS:?path of tests/scripts}"
: "${GREETING:?path of greeting-headless}"

# shellcheck source=check.sh
source "$(cd "$(dirname "$0")" && pwd)/check.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$CARGAME" --play "$SCRIPTS/ends.scr" --log out.log --ticks 3
check "a script that ends exits 0" test $? -eq 0
eof_lines=$(grep -cx 'EOF encountered in script file ZIVRO.SCR' out.log)
check "the end-of-file message is printed once" test "$eof_lines" -eq 1
check "the log holds only that line" test "$(wc -l < out.log)" -eq 1
check "playing back writes no script" test ! -e ZIVRO.SCR

"$CARGAME" --play missing.scr 2> err.txt
check "a script that cannot be read stops the runner" test $? -eq 2
check "and names the file" grep -q 'cannot read missing.scr' err.txt

# Checking a run against a picture: equal, then after a colour change.
"$CARGAME" --play "$SCRIPTS/ends.scr" --png expected.png
"$CARGAME" --play "$SCRIPTS/ends.scr" --expect expected.png > expect.txt
check "--expect: an identical run exits 0" test $? -eq 0
check "--expect: and writes no difference image" test ! -e expected.png.diff.png
printf 'ZIVRO_MOUSE(-250, 105);\r\n' > recolour.scr   # "New Color"
"$CARGAME" --play recolour.scr --expect expected.png > expect.txt
check "--expect: a changed run exits 1" test $? -eq 1
check "--expect: it counts the differing pixels" grep -q 'pixels differ' expect.txt
check "--expect: and writes the difference image" test -s expected.png.diff.png
"$CARGAME" --play "$SCRIPTS/ends.scr" --frames run1
"$CARGAME" --play "$SCRIPTS/ends.scr" --frames run2 --expect-dir run1
check "--expect-dir: every frame equal exits 0" test $? -eq 0
"$CARGAME" --play recolour.scr --frames run3 --expect-dir run1 > expect.txt
check "--expect-dir: other frames exit 1" test $? -eq 1
"$CARGAME" --play "$SCRIPTS/ends.scr" --frames run1 2> err.txt
check "--frames refuses a directory that holds frames" test $? -eq 2

"$CARGAME" --ticks 20
check "a plain run exits 0" test $? -eq 0

# PNG width and height are the big-endian words at bytes 16 and 20.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3*256+$4 "x" $7*256+$8}'; }
"$CARGAME" --play "$SCRIPTS/ends.scr" --png canvas.png --frames frames --text-png text.png
check "images: exit 0" test $? -eq 0
check "--png is the whole canvas" test "$(png_size canvas.png)" = "601x540"
check "--text-png is the text window's client area" test "$(png_size text.png)" = "1018x230"
# Nine script events and the quit: ten waits, each presenting the dirty canvas.
check "--frames writes every presented canvas" test "$(ls frames | wc -l)" -eq 10
check "--frames numbers from 000001" test -f frames/000001.png -a -f frames/000010.png
check "a frame is the whole canvas" test "$(png_size frames/000010.png)" = "601x540"
cmp -s canvas.png frames/000010.png
check "the last frame shows what --png writes" test $? -eq 0

"$GREETING" --answer "hello there" --answer "" --log echo.log
check "the line-input example exits 0" test $? -eq 0
check "answers reach ZIVRO_gets in order" grep -qx 'Hello, hello there!' echo.log
check "an empty answer ends the example" test "$(grep -c 'Hello, ' echo.log)" -eq 1

for bad in "--bogus" "--png" "--frames" "--expect-dir x" "--ticks" "--ticks -1" "--ticks 1x" "--ticks 999999999999999999999" \
           "--play" "--log" "extra"; do
  # shellcheck disable=SC2086
  "$CARGAME" $bad 2> err.txt
  status=$?
  check "'$bad' exits 2" test $status -eq 2
  check "'$bad' prints usage" grep -q '^usage: ' err.txt
done

"$CARGAME" --log /nonexistent-dir/out.log 2> err.txt
check "an unwritable log is refused" test $? -eq 2

report "runner end to end"
