#!/usr/bin/env bash
# zivro-grade on the traffic-light class: every verdict, the hostile
# submissions contained, the same grades whatever the order, the report's
# formats; refusals of bad assignments and of a sandbox that cannot run.
set -u
: "${GRADE:?path of zivro-grade}"
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../check.sh
source "$here/../check.sh"
# shellcheck source=../wait_for.sh
source "$here/../wait_for.sh"
work=$(mktemp -d)
listener=
trap '[ -n "$listener" ] && kill "$listener"; rm -rf "$work"' EXIT
# The grader runs programs as users of their own, who pass through to the
# stand-in bubblewrap below.
chmod 711 "$work"
cd "$work"

# A listener on the loopback and on a socket file, noting every connection;
# one from here shows that it would see one from a submission.
python3 - "$work/listen.sock" "$work/port" "$work/connections" << 'EOF_LISTEN' &
import select, socket, sys
tcp = socket.socket()
tcp.bind(("127.0.0.1", 0))
tcp.listen()
local = socket.socket(socket.AF_UNIX)
local.bind(sys.argv[1])
local.listen()
with open(sys.argv[2], "w") as port:
    port.write(str(tcp.getsockname()[1]))
while True:
    for ready in select.select([tcp, local], [], [])[0]:
        ready.accept()[0].close()
        with open(sys.argv[3], "a") as seen:
            seen.write("connected\n")
EOF_LISTEN
listener=$!
wait_for 5 test -s port
python3 -c 'import socket, sys; socket.create_connection(("127.0.0.1", int(sys.argv[1]))).close()' "$(cat port)"
wait_for 5 test -s connections
check "the listener notes a connection" test "$(cat connections 2> /dev/null)" = connected
rm -f connections

# The class, with the hostile submissions aimed at the real places.
cp -r "$here/class" class
mkdir outside
sed -i -e "s|@REFERENCE@|$here/reference/traffic_light.c|g" -e "s|@OUTSIDE@|$work/outside/escaped.txt|g" \
  -e "s|@CLASSMATE@|$work/class/ada/light.c|g" -e "s|@PORT@|$(cat port)|g" \
  -e "s|@SOCKET@|$work/listen.sock|g" class/*.c class/*.cpp
"$GRADE" "$here/assignment.toml" class --out report1 --jobs 1 2> grade1.err
check "graded, exit 0" test $? -eq 0
check "a line per student" test "$(grep -c '^zivro-grade: \[' grade1.err)" -eq 15

# Each student's two verdicts: every frame, then the last frame only.
while read -r student every last total; do
  row=$(grep "^$student," report1/grades.csv)
  check "$student: $every" test "$(cut -d, -f3 <<< "$row")" = "${every//_/ }"
  check "$student: last frame $last" test "$(cut -d, -f5 <<< "$row")" = "${last//_/ }"
  check "$student: $total points" test "$(cut -d, -f6 <<< "$row")" = "$total"
done << 'EOF_VERDICTS'
ada passed passed 10
bea frames_differ passed 2
cal no_frame no_frame 0
dan crashed crashed 0
eve stopped_waiting stopped_waiting 0
fay build_failed build_failed 0
gus defines_main defines_main 0
hal output_limit_reached output_limit_reached 0
ivy passed passed 10
jon passed passed 10
kim passed passed 10
lou timed_out timed_out 0
max crashed crashed 0
ned timed_out timed_out 0
oli never_waited never_waited 0
EOF_VERDICTS

# What the hostile ones tried, each stopped.
json() { python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); print(eval(sys.argv[2]))' "$@"; }
output() { json report1/results.json "d['submissions']['$1']['tests'][0]['output']"; }
check "ivy: no guess reads the reference" test "$(output ivy | grep -c 'cannot read the reference')" -eq 3
check "jon: nothing written outside" test -z "$(ls outside)"
check "jon: the classmate's source intact" cmp -s class/ada/light.c "$here/class/ada/light.c"
check "jon: writes refused" test "$(output jon | grep -c 'cannot write target')" -eq 3
check "kim: reaches neither place" test "$(output kim | grep -c 'cannot reach place')" -eq 2
check "kim: the listener saw no connection" test ! -e connections
check "max: the address-space limit named" grep -q 'at most 512 MB of address space' <<< "$(output max)"
check "hal: its output cut at the limit" grep -q 'more than 65536 bytes' <<< "$(output hal)"
check "dan: the signal named" grep -q 'signal 11 (SIGSEGV' <<< "$(output dan)"
check "bea: the first differing frame and its event" \
  grep -q 'the first is frame 5, shown after event 4 of 18, `ZIVRO_MOUSE(0, 0);`' <<< "$(output bea)"
check "oli: the runner's reason, within the CPU limit" \
  grep -q '^runner: the program never waited for an event: it ran for 0.25 s of CPU time' <<< "$(output oli)"
check "eve: the event its last wait returned" \
  grep -q '^stopped waiting: .*after wait 11 returned ZIVRO_MOUSE at (0, 0),.*; its last frame, 11,' <<< "$(output eve)"
check "gus: the source that defines main named" grep -q '^defines main: gus.c defines main()' <<< "$(output gus)"
check "gus: the link's trace of main left out of the log" \
  test "$(grep -c 'definition of main' report1/students/gus.html)" -eq 0
check "fay: the compiler's error" grep -q "error: expected ';'" <<< "$(output fay)"
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3*256+$4 "x" $7*256+$8}'; }
for picture in expected actual difference; do
  check "bea: the $picture frame" test "$(png_size "report1/students/bea/session-5-$picture.png")" = 601x540
done

# The same class again, two at a time: the same grades.
"$GRADE" "$here/assignment.toml" class --out report2 --jobs 2 2> grade2.err
check "graded again, exit 0" test $? -eq 0
check "grades.csv the same" cmp -s report1/grades.csv report2/grades.csv
diff report1/results.json report2/results.json
check "results.json the same" test $? -eq 0
check "junit.xml the same" cmp -s report1/junit.xml report2/junit.xml
/usr/bin/python3 "$here/check_report.py" report1
check "results.json in Gradescope's shape, junit.xml parsed, every link resolves" test $? -eq 0

# A directory of expected frames in place of the reference's source.
"$GRADE" "$here/assignment.toml" --save-expected expected 2> save.err
check "--save-expected: exit 0" test $? -eq 0
check "--save-expected: digests and frames" test -s expected/session.digests -a -f expected/session/000019.png
sed -e "s|^source = .*|expected = \"$work/expected\"|" -e "s|^script = \"|script = \"$here/|" \
  "$here/assignment.toml" > from-frames.toml
mkdir pair && cp -r class/ada class/bea.c pair/
"$GRADE" from-frames.toml pair --out report3 2> grade3.err
check "graded from expected frames" test $? -eq 0
check "the same grades as from the source" \
  test "$(grep -E '^(ada|bea),' report1/grades.csv)" = "$(tail -n +2 report3/grades.csv)"
check "and the same pictures" cmp -s report1/students/bea/session-5-expected.png \
  report3/students/bea/session-5-expected.png
# A directory saved before digests.format: its digests are of another kind,
# made again from its frames, with the same grades.
cp -r expected expected-old && rm expected-old/digests.format
sed -i 's/ [0-9a-f]\{16\} / 0123456789abcdef /' expected-old/*.digests
sed "s|$work/expected\"|$work/expected-old\"|" from-frames.toml > from-old-frames.toml
"$GRADE" from-old-frames.toml pair --out report-old 2> grade-old.err
check "an earlier directory: said so, the same grades" \
  test "$(grep -c 'digests of an earlier kind' grade-old.err)$(tail -n +2 report-old/grades.csv)" = \
  "1$(tail -n +2 report3/grades.csv)"

# A tolerance: bea's first wrong frame has 1521 pixels wrong, its others as many.
for tolerance in 1520 1521; do
  sed "s/^tolerance = 0 .*/tolerance = $tolerance/" from-frames.toml > tolerant.toml
  "$GRADE" tolerant.toml pair --out "tolerant-$tolerance" 2> /dev/null
done
check "tolerance 1520: bea's frames still differ" grep -q '^bea,0,frames differ,' tolerant-1520/grades.csv
check "tolerance 1521: bea passes" grep -q '^bea,8,passed,' tolerant-1521/grades.csv
# Partial credit: 15 of bea's 19 frames are right, 8 * 15 / 19 points.
sed 's/^credit = "all-or-nothing" .*/credit = "frames"/' from-frames.toml > partial.toml
"$GRADE" partial.toml pair --out partial 2> /dev/null
check "credit by frames: bea's share" grep -q '^bea,6.31579,frames differ,2,passed,8.31579$' partial/grades.csv
check "credit by frames: ada's whole points" grep -q '^ada,8,passed,2,passed,10$' partial/grades.csv

# Chosen ticks. lazy draws nothing at ticks 1 to 3, so its frames are numbered
# otherwise: at tick 3 it still shows its frame 1, where the reference shows
# frame 4; from tick 4 on its frames are right. bea is wrong at ticks 5 and 9.
mkdir trio && cp -r pair/* "$here/extra/lazy.c" trio/
while IFS='|' read -r at credit wanted; do
  sed -e "s/^# at = .*/at = [$at]/" -e 's/^compare = "every-frame" .*/compare = "ticks"/' \
    -e "s/^credit = .*/credit = \"$credit\"/" from-frames.toml > ticks.toml
  "$GRADE" ticks.toml trio --out ticks 2> /dev/null
  check "ticks $at, $credit: $wanted" test "$(tail -n +2 ticks/grades.csv | cut -d, -f1-3 | paste -sd' ')" = "$wanted"
done << 'EOF_TICKS'
0, 4, 15|all-or-nothing|ada,8,passed bea,8,passed lazy,8,passed
3, 5, 9|frames|ada,8,passed bea,2.66667,frames differ lazy,5.33333,frames differ
EOF_TICKS
detail() { json "$1/results.json" "d['submissions']['$2']['tests'][0]['output'].splitlines()[0]"; }
check "ticks: bea's first wrong tick, its frame and event" test "$(detail ticks bea)" = \
  'frames differ: the frames at 2 of the 3 ticks chosen differ; the first is at tick 5, frame 7, shown after event 6 of 18, `ZIVRO_PERIODIC(6);` (tick 2 of 6) (1521 pixels differ)'
check "ticks: lazy's frame 1 against the reference's frame 4" grep -q \
  'the first is at tick 3, frame 1, shown before the first event, compared with the reference.s frame 4 (' <<< "$(detail ticks lazy)"
check "ticks: the reference's frame 4 shown" cmp -s ticks/students/lazy/session-1-expected.png expected/session/000004.png

# Masks, 601x540 RGBA: bea's walk sign is columns 398-436, rows 231-269.
mask() {  # FILE WIDTH HEIGHT X0 X1 RGBA: RGBA in the box [X0, X1] x [231, 269], transparent black elsewhere
  python3 - "$@" << 'EOF_PNG'
import struct, sys, zlib
name, width, height, x0, x1 = sys.argv[1], *map(int, sys.argv[2:6])
paint = bytes.fromhex(sys.argv[6])
rows = b"".join(b"\0" + b"".join(paint if x0 <= x <= x1 and 231 <= y <= 269 else bytes(4)
                                  for x in range(width)) for y in range(height))
chunk = lambda kind, data: struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
open(name, "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
                      + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
EOF_PNG
}
while IFS='|' read -r what x1 paint wanted; do
  mask mask.png 601 540 398 "$x1" "$paint"
  sed 's/^# mask = /mask = /' from-frames.toml > masked.toml
  "$GRADE" masked.toml pair --out masked 2> /dev/null
  check "mask $what: $wanted" grep -q "^bea,$wanted" masked/grades.csv
done << 'EOF_MASKS'
over the sign|436|ffffffff|8,passed,
transparent white over it|436|ffffff00|0,frames differ,
over its left half|416|ff000080|0,frames differ,
EOF_MASKS
check "the half mask: the other half's pixels counted" grep -q '(780 pixels differ)' <<< "$(detail masked bea)"
mask small.png 10 10 0 0 ffffffff

# Gradescope's autograder: one submission in ROOT/submission, its results in
# ROOT/results/results.json, as the class report's for the same program.
mkdir -p autograder/submission && cp class/bea.c autograder/submission/
"$GRADE" --gradescope "$here/assignment.toml" --autograder-root "$work/autograder" 2> gradescope.err
check "--gradescope: exit 0" test $? -eq 0
check "--gradescope: the class report's results for bea" \
  cmp -s autograder/results/results.json report1/students/bea/results.json
"$GRADE" --gradescope "$here/assignment.toml" class --autograder-root "$work/autograder" 2> err.txt
check "--gradescope with a class: refused" test $? -eq 2

# The class in three shards, merged: the report of one run.
for k in 1 2 3; do
  "$GRADE" "$here/assignment.toml" class --out "shard$k" --shard "$k/3" --jobs 2 2> /dev/null
  check "shard $k/3 graded" test $? -eq 0
done
check "shard 1/3: submissions 1, 4, 7, 10 and 13" \
  test "$(tail -n +2 shard1/grades.csv | cut -d, -f1 | paste -sd' ')" = "ada dan gus jon max"
"$GRADE" merge --out merged shard3 shard1 2> err.txt
check "a shard missing: refused" grep -q 'shard 2 of 3 is missing' err.txt
"$GRADE" merge --out merged shard3 shard1 shard2 2> merge.err
check "merged, exit 0" test $? -eq 0
diff -r report1 merged
check "the merged report is the single run's, every file" test $? -eq 0

# Refusals: one line naming the file and its line, exit 2.
printf 'ZIVRO_GETS(hello);\r\nZIVRO_QUIT();\r\n' > nothing.scr
while IFS='|' read -r name body wanted; do
  printf '[reference]\nsource = "%s"\n[[test]]\nname = "t"\n%b\n' "$here/reference/traffic_light.c" \
    "$body" > bad.toml
  "$GRADE" bad.toml class --out bad-report 2> err.txt
  check "$name: exit 2" test $? -eq 2
  check "$name: one line" test "$(wc -l < err.txt)" -eq 1
  check "$name: says where and what" grep -qF "bad.toml:$wanted" err.txt
done << EOF_BAD
unknown key|script = "$work/nothing.scr"\npionts = 3|6: unknown key 'pionts' in [[test]]
missing script|script = "missing.scr"|5: cannot read script 'missing.scr'
plays nothing|script = "nothing.scr"|5: script 'nothing.scr' plays no event (its line 2 is no event line
bad compare|script = "$here/session.scr"\ncompare = "some"|6: 'compare' is "every-frame", "last-frame" or "ticks"
bad number|script = "$here/session.scr"\npoints = "ten"|6: 'points' must be a number
bad limits|script = "$here/session.scr"\n[test.limits]\ntime = 0|7: 'time' must be at least 1
bad compare_log|script = "$here/session.scr"\ncompare_log = "yes"|6: 'compare_log' must be true or false
credit of the last frame|script = "$here/session.scr"\ncompare = "last-frame"\ncredit = "frames"|7: credit = "frames" counts every frame
not TOML|script = = 1|5:
ticks without at|script = "$here/session.scr"\ncompare = "ticks"|6: compare = "ticks" needs 'at'
at without ticks|script = "$here/session.scr"\nat = [1]|6: 'at' chooses ticks for compare = "ticks"
ticks out of order|script = "$here/session.scr"\ncompare = "ticks"\nat = [3,\n2]|8: 'at' must list its ticks in increasing order
a tick past the script|script = "$here/session.scr"\ncompare = "ticks"\nat = [16]|7: tick 16 is past the last tick of '$here/session.scr', which plays 15
a missing mask|script = "$here/session.scr"\nmask = "none.png"|6: mask 'none.png' cannot be read
a mask of another size|script = "$here/session.scr"\nmask = "small.png"|6: mask 'small.png' is 10x10; the frames are 601x540
EOF_BAD
check "a refused grading writes no report" test ! -e bad-report

# A sandbox that cannot run is refused, unless --no-sandbox says so.
mkdir fake-bin && printf '#!/bin/sh\necho "bwrap: No permissions to create a new namespace" >&2\nexit 1\n' \
  > fake-bin/bwrap && chmod +x fake-bin/bwrap
PATH="$work/fake-bin:$PATH" "$GRADE" "$here/assignment.toml" pair --out no-sandbox 2> err.txt
check "no sandbox: exit 2" test $? -eq 2
check "no sandbox: one line naming bubblewrap and --no-sandbox" \
  grep -q 'bubblewrap cannot run here (bwrap: No permissions.*--no-sandbox' err.txt
PATH="$work/fake-bin:$PATH" "$GRADE" "$here/assignment.toml" pair --out no-sandbox --no-sandbox 2> err.txt
check "--no-sandbox grades without it" test "$(tail -n +2 no-sandbox/grades.csv | cut -d, -f3 | tr '\n' ' ')" = "passed frames differ "

report "grading a class"
