#!/usr/bin/env bash
# The headless runner end to end: options, exit statuses, --play and --log.
set -u
: "${CARGAME:?path of cargame-headless}" "${SCRIPTS:?path of tests/scripts}"
: "${GREETING:?path of greeting-headless}"
: "${PROBE_PROGRAM:?path of runner_probe}" "${OWN_MAIN:?path of own_main}"

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
"$CARGAME" --play "$SCRIPTS/ends.scr" --expect expected.png 2> expect.txt
check "--expect: an identical run exits 0" test $? -eq 0
check "--expect: and writes no difference image" test ! -e expected.png.diff.png
printf 'ZIVRO_MOUSE(-250, 105);\r\n' > recolour.scr   # "New Color"
"$CARGAME" --play recolour.scr --expect expected.png 2> expect.txt
check "--expect: a changed run exits 1" test $? -eq 1
check "--expect: it counts the differing pixels" grep -q 'pixels differ' expect.txt
check "--expect: and writes the difference image" test -s expected.png.diff.png
"$CARGAME" --play "$SCRIPTS/ends.scr" --frames run1
"$CARGAME" --play "$SCRIPTS/ends.scr" --frames run2 --expect-dir run1
check "--expect-dir: every frame equal exits 0" test $? -eq 0
"$CARGAME" --play recolour.scr --frames run3 --expect-dir run1 2> expect.txt
check "--expect-dir: other frames exit 1" test $? -eq 1
"$CARGAME" --play "$SCRIPTS/ends.scr" --frames run1 2> err.txt
check "--frames refuses a directory that holds frames" test $? -eq 2
"$CARGAME" --play recolour.scr --frames run4
"$CARGAME" --play recolour.scr --expect expected.png --frames run5 --expect-dir run4 2> err.txt
check "--expect differing, --expect-dir equal: exit 1" test $? -eq 1
cp -r run1 more-expected
last=$(ls more-expected | tail -1)
cp "more-expected/$last" "more-expected/$(printf '%06d.png' $((10#${last%.png} + 1)))"
"$CARGAME" --play "$SCRIPTS/ends.scr" --frames run6 --expect-dir more-expected 2> err.txt
check "--expect-dir: fewer frames than expected, all equal, exit 1" test $? -eq 1
check "and the missing frame is named" grep -q 'frame expected, not made' err.txt
convert expected.png -crop 601x500+0+0 +repage short.png
convert expected.png -background white -extent 601x600 tall.png
for picture in short tall; do
  "$CARGAME" --play "$SCRIPTS/ends.scr" --expect $picture.png 2> err.txt
  check "--expect: a $picture picture of the same width exits 1" test $? -eq 1
  check "--expect: and names both sizes" grep -q "$picture.png: 601x[56]00 expected, the run made 601x540" err.txt
done

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
# Its dialogs come before its first wait: the replay answers them all.
"$GREETING" --answer Bob --answer Alice --answer "" --record greeting.scr --log live.log
"$GREETING" --play greeting.scr --log replay.log
check "answers recorded before the first wait are replayed" \
  test "$(grep -c 'Hello, ' replay.log)" -eq 2 -a "$(grep -v EOF replay.log)" = "$(cat live.log)"

for bad in "--bogus" "--png" "--frames" "--expect-dir x" "--ticks" "--ticks -1" "--ticks 1x" "--ticks 999999999999999999999" \
           "--play" "--log" "extra"; do
  # shellcheck disable=SC2086
  "$CARGAME" $bad 2> err.txt
  status=$?
  check "'$bad' exits 2" test $status -eq 2
  check "'$bad' prints usage" grep -q '^usage: ' err.txt
done

"$CARGAME" --log no-such-dir/out.log 2> err.txt
check "an unwritable log is refused" test $? -eq 2

# Each refusal is one line on standard error and one distinct status, and
# leaves the files it names as they were.
one_line() { test "$(wc -l < err.txt)" -eq 1; }
probe() { PROBE=$1 "$PROBE_PROGRAM" "${@:2}" 2> err.txt; }
echo old > keep.png
cp expected.png exp.png
printf 'ZIVRO_MOUSE(-250, 105);\r\n' > keep.scr
mkdir -p expected-dir fifo-dir && mkfifo fifo-dir/play.scr
long=$(printf 'n%.0s' $(seq 300))
while read -r want name args; do
  # shellcheck disable=SC2086
  timeout 20 "$CARGAME" --png keep.png $args > /dev/null 2> err.txt
  status=$?
  check "$name: exit $want" test $status -eq "$want"
  check "$name: one line" one_line
  check "$name: keep.png untouched" grep -qx old keep.png
done <<EOF_CASES
2 a-directory-to-play        --play expected-dir
2 a-fifo-to-play             --play fifo-dir/play.scr
2 long-frames-name           --frames $long
2 long-expect-dir-name       --frames f1 --expect-dir $long
2 missing-expect-dir         --frames f2 --expect-dir no-such-dir
2 frames-under-a-file        --frames keep.scr/frames
2 log-over-the-script        --play keep.scr --log keep.scr
2 png-over-the-expected      --expect exp.png --png ./expected-dir/../exp.png
2 expect-not-a-png           --expect keep.scr
2 frames-over-expected-dir   --frames expected-dir --expect-dir ./expected-dir/
EOF_CASES
check "the script that was to be overwritten is intact" grep -q MOUSE keep.scr
check "the expected picture that was to be overwritten is intact" cmp -s exp.png expected.png

probe no-frame --png keep.png
check "no frame: the program failed, exit 3" test $? -eq 3
check "no frame: says so" grep -q 'the run presented no frame' err.txt
check "no frame: keep.png untouched" grep -qx old keep.png
"$CARGAME" --play "$SCRIPTS/ends.scr" --png keep.png
check "a written picture replaces the old file" test "$(png_size keep.png)" = "601x540"
check "and leaves no partial file beside it" test -z "$(ls keep.png.* 2> /dev/null)"

# The program's own failure is told apart from a differing picture.
probe status --png status.png
check "a program returning 1 exits 3" test $? -eq 3
check "and its status is printed" grep -q 'the program ended with exit status 1' err.txt
probe status --expect status.png
check "a program returning 1 with a matching picture exits 3" test $? -eq 3
probe exit --expect status.png
check "a program calling exit(0) is not a pass" test $? -eq 3
check "it is told why, in one line" one_line
probe keys --expect keep.png
check "a picture that differs exits 1" test $? -eq 1

# The watchdog: a program computing for the given CPU time without a wait,
# from its start or after its first click, is stopped with its own status
# and one line naming the last event; its frames so far are kept.
printf 'ZIVRO_PERIODIC(2);\r\nZIVRO_MOUSE(7, -3);\r\nZIVRO_MOUSE(0, 0);\r\n' > click.scr
while read -r want name said; do
  PROBE=$name timeout 20 "$PROBE_PROGRAM" --play click.scr --watchdog 0.2 --digests $name.digests \
    2> err.txt
  check "watchdog, $name: exit $want" test $? -eq "$want"
  check "watchdog, $name: one line" one_line
  check "watchdog, $name: says so" grep -qF "$PROBE_PROGRAM: the program $said" err.txt
done << 'EOF_BUSY'
4 busy       never waited for an event: it ran for 0.2 s of CPU time from its start without a call of ZIVRO_wait_event, so the run was stopped
5 busy-click stopped waiting for events: after wait 3 returned ZIVRO_MOUSE at (7, -3), it ran for 0.2 s of CPU time without waiting again, so the run was stopped
EOF_BUSY
check "watchdog: the frame shown before is kept" test "$(wc -l < busy-click.digests)" -eq 1
PROBE=slow "$PROBE_PROGRAM" --play click.scr --watchdog 0.2 2> err.txt
check "watchdog: 0.15 s of CPU time after each of 4 events, 0.6 s in all, is no stop" test $? -eq 0
for bad in -1 x 1e7 ""; do
  "$CARGAME" --watchdog "$bad" 2> err.txt
  check "--watchdog '$bad' exits 2" test $? -eq 2
done

"$OWN_MAIN" --png own.png 2> err.txt
check "a program defining main() is refused" test $? -eq 3
check "it is told the fix" grep -q 'define WinMain, not main' err.txt
check "in one line" one_line
check "and nothing is written" test ! -e own.png

probe early --png early.png
check "waits and drawing before ZIVRO_open: the run goes on" test $? -eq 0
check "one warning names the fix" grep -qx \
  'ZIVRO: ZIVRO_wait_event called before ZIVRO_open; call ZIVRO_open first' err.txt
check "only one" one_line

# The text window shown before the first wait: the script still plays.
printf 'ZIVRO_KBD(65);\r\n' > key.scr
probe keys --play key.scr --log keys.log
check "input reaches the program after the text window is shown" grep -qx 'key 65' keys.log

# The log is written as lines are printed: an abort keeps them, each line
# ended by one newline (a line without one, one cut at 1023, an empty one).
probe abort --log abort.log
check "an aborting program's status is kept" test $? -eq 134
check "its log keeps every line" test "$(awk '{printf "%d ", length($0)}' abort.log)" = "5 10 1023 0 "

# Everything after -- is the program's command line, quoted as Windows would.
probe args --log args.log -- level1.txt "two words" "" 'say "hi"' --ticks
check "-- passes the rest as the command line" grep -qxF \
  'command line [level1.txt "two words" "" "say \"hi\"" --ticks]' args.log
probe args --log noargs.log
check "without -- the command line is empty" grep -qx 'command line \[\]' noargs.log

# --record: on before the first wait, so a game animating from its start
# replays exactly; the script goes to the file named.
"$CARGAME" --ticks 5 --record run.scr --png live.png --frames live-frames
check "--record: exit 0" test $? -eq 0
check "--record: the ticks from the first one" test "$(cat run.scr)" = $'ZIVRO_PERIODIC(5);\r'
check "--record: nothing lands in ZIVRO.SCR" test ! -e ZIVRO.SCR
check "a live run shows its first picture once" test "$(ls live-frames | wc -l)" -eq 6
"$CARGAME" --play run.scr --expect live.png --frames replay-frames --expect-dir live-frames
check "--record: the replay makes every frame of the run, counted alike" test $? -eq 0
# --digests: a line per frame as --frames counts them (number, digest, events
# played), the same for a run and its replay, and a change seen at its frame.
"$CARGAME" --ticks 5 --digests live.digests --frames live-digest-frames
check "--digests: a line for each frame" \
  test "$(wc -l < live.digests)" -eq "$(ls live-digest-frames | wc -l)"
check "--digests: number, 16 hex digits, events" \
  test -z "$(grep -Ev '^[0-9]{6} [0-9a-f]{16} [0-9]+$' live.digests)"
"$CARGAME" --play run.scr --digests replay.digests
check "--digests: a replay gives the run's digests" \
  test "$(cut -d' ' -f1,2 live.digests)" = "$(cut -d' ' -f1,2 replay.digests)"
check "--digests: the replay counts its events, 0 to 5" \
  test "$(cut -d' ' -f3 replay.digests | tr '\n' ' ')" = "0 1 2 3 4 5 "
"$CARGAME" --play "$SCRIPTS/ends.scr" --digests ends.digests --frames only-frames --frames-only 2,8
check "--frames-only: just the frames named" test "$(ls only-frames | tr '\n' ' ')" = "000002.png 000008.png "
cmp -s only-frames/000008.png run1/000008.png
check "--frames-only: a frame as --frames writes it" test $? -eq 0
sed 's/ZIVRO_KBD(120);/ZIVRO_MOUSE(-250, 105);/' "$SCRIPTS/ends.scr" > changed.scr
"$CARGAME" --play changed.scr --digests changed.digests
first=$(diff <(cut -d' ' -f2 ends.digests) <(cut -d' ' -f2 changed.digests) | sed -n 's/^\([0-9]*\)[c,].*/\1/p' | head -1)
check "--digests: a change at event 7 differs first at frame 8" test "$first" = 8
check "--digests: which follows 7 events" grep -qx '000008 [0-9a-f]* 7' changed.digests
# The pictures of the frames that differ from a run's digests, made in the
# same run: the first that differs, and the last, or neither when all agree.
"$CARGAME" --play changed.scr --expect-digests ends.digests --first-differing first.png \
  --last-differing last.png --frames changed-frames
check "--first-differing: the frame that differs first" cmp -s first.png changed-frames/000008.png
check "--last-differing: the last frame, which differs" cmp -s last.png changed-frames/000010.png
"$CARGAME" --play "$SCRIPTS/ends.scr" --expect-digests ends.digests --first-differing same1.png \
  --last-differing same2.png
check "--expect-digests: the same frames, no picture" test ! -e same1.png -a ! -e same2.png
"$CARGAME" --play changed.scr --expect-digests ends.digests --frames after-frames \
  --frames-after-difference 2 --frames-only 3,10
differing=$(diff <(cut -d' ' -f2 ends.digests) <(cut -d' ' -f2 changed.digests) | grep -c '^>')
check "--frames-after-difference: the frames that differ, from the first, and those listed after it" \
  test "$(ls after-frames | tr '\n' ' ')" = "000008.png 000009.png 000010.png " -a "$differing" = 3
check "--frames-after-difference: a frame as --frames writes it" \
  cmp -s after-frames/000009.png changed-frames/000009.png
sed -n 9p changed.digests | cut -d' ' -f2 > known.txt
"$CARGAME" --play changed.scr --expect-digests ends.digests --frames known-frames \
  --frames-after-difference 2 --frames-only 3,10 --frames-known known.txt
check "--frames-known: none of the frames with a known digest" \
  test "$(ls known-frames | tr '\n' ' ')" = "000008.png 000010.png "
echo "not a digest" > bad-known.txt
"$CARGAME" --play changed.scr --expect-digests ends.digests --frames bad-known-frames \
  --frames-after-difference 2 --frames-known bad-known.txt 2> err.txt
check "--frames-known: a line that is no digest, exit 2" test $? -eq 2
"$CARGAME" --first-differing first.png 2> err.txt
check "--first-differing needs --expect-digests: exit 2" test $? -eq 2
for bad in "--frames-only 3" "--frames f7 --frames-only 0" "--frames f7 --frames-only 2,x" \
           "--frames f7 --frames-only 2 --expect-dir run1" "--frames f7 --frames-after-difference 2" \
           "--frames f7 --expect-digests ends.digests --frames-after-difference 0" \
           "--frames f7 --expect-digests ends.digests --frames-known known.txt"; do
  # shellcheck disable=SC2086
  "$CARGAME" $bad 2> err.txt
  check "'$bad' exits 2" test $? -eq 2
done

for bad in "--record run.scr --play keep.scr" "--record expected-dir" "--record fifo-dir/play.scr" \
           "--record no-such-dir/x.scr" "--record keep.scr --log keep.scr"; do
  # shellcheck disable=SC2086
  timeout 20 "$CARGAME" $bad 2> err.txt
  check "'$bad' exits 2" test $? -eq 2
done
check "a refused --record leaves its file" test "$(cat run.scr)" = $'ZIVRO_PERIODIC(5);\r'

# Outputs: written where the name leads, never over what is not a file.
mkfifo out-fifo && mkdir out-dir && ln -s out-fifo link-to-fifo
python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' out-socket
for option in --png --text-png --log --record --digests; do
  for target in out-fifo out-socket out-dir link-to-fifo; do
    timeout 20 "$CARGAME" --ticks 1 "$option" "$target" 2> err.txt
    check "$option $target: refused, exit 2" test $? -eq 2
    check "$option $target: one line" one_line
  done
done
check "the FIFO, the socket and the link stay what they were" \
  test -p out-fifo -a -S out-socket -a -L link-to-fifo -a -d out-dir
while read -r option other; do
  rm -f link.out target.out dangling.out nowhere.out
  echo old > target.out && ln -s target.out link.out && ln -s nowhere.out dangling.out
  "$CARGAME" --ticks 1 "$option" link.out "$other" dangling.out 2> err.txt
  check "$option, $other through links: exit 0" test $? -eq 0
  check "$option, $other through links: the links stay" test -L link.out -a -L dangling.out
  check "$option, $other through links: the targets are written" \
    test -e nowhere.out -a "$(cat target.out)" != old
done <<EOF_LINKS
--png --log
--text-png --record
--log --png
--record --text-png
EOF_LINKS

# Limits and reasons.
"$CARGAME" --ticks 2147483648 2> err.txt
check "--ticks above its limit is refused" test $? -eq 2
check "and the limit is named" grep -q '0 to 2147483647' err.txt
# Root may write anywhere, so as root the runner runs as nobody here.
chmod 755 "$work" && mkdir -m 555 locked
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
"${as_user[@]}" "$CARGAME" --frames "$work/locked" 2> err.txt
check "--frames in a directory that may not be written: exit 2" test $? -eq 2
check "and says why" grep -q 'Permission denied' err.txt
"${as_user[@]}" "$CARGAME" --frames "$work/locked/sub" 2> err.txt
check "--frames under such a directory says why" grep -q 'Permission denied' err.txt

# The desktop build without a display names its own headless counterpart.
if [ -n "${DESKTOP_PROGRAM:-}" ]; then
  env -u DISPLAY "$DESKTOP_PROGRAM" 2> err.txt
  check "no display: exit 1" test $? -eq 1
  check "no display: names $(basename "$DESKTOP_PROGRAM")-headless" \
    grep -qF "($(basename "$DESKTOP_PROGRAM")-headless, see the README)" err.txt
fi

if command -v convert > /dev/null; then
  convert expected.png -interlace PNG interlaced.png
  "$CARGAME" --play "$SCRIPTS/ends.scr" --expect interlaced.png > /dev/null
  check "--expect reads an interlaced PNG" test $? -eq 0
fi

report "runner end to end"
