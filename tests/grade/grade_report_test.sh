#!/usr/bin/env bash
# A report's own pages: the log lines compared with the reference's, both
# runs animated, the scrubber's frames; with "browser", the report opened
# from disk in headless Chromium as well.
# Usage: GRADE=zivro-grade grade_report_test.sh [browser]
set -u
: "${GRADE:?path of zivro-grade}"
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../check.sh
source "$here/../check.sh"
if [ "${1:-}" = browser ]; then
  for tool in /usr/bin/chromium /usr/bin/chromedriver; do
    [ -x "$tool" ] || {
      echo "report in the browser: $tool is missing (scripts/install-deps.sh test installs it)" >&2
      exit 1
    }
  done
  /usr/bin/python3 -c 'import selenium' 2> /dev/null || {
    echo "report in the browser: python3-selenium is missing (scripts/install-deps.sh test installs it)" >&2
    exit 1
  }
  getent hosts localhost > /dev/null || {
    echo "report in the browser: the name localhost does not resolve; Selenium reaches chromedriver by it" >&2
    exit 1
  }
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 711 "$work"
cd "$work"

# same: the reference itself; oli: its frames right, one line of its log
# wrong; bea: frames wrong (and so the lines that describe them).
mkdir class
cp "$here/reference/traffic_light.c" class/same.c
cp "$here/class/bea.c" "$here/log_class/oli.c" class/
cp "$here/log.toml" "$here/session.scr" . && mkdir reference && cp "$here/reference/traffic_light.c" reference/
"$GRADE" log.toml class --out report 2> grade.err
check "graded, exit 0" test $? -eq 0
check "verdicts: frames, then the log" test "$(tail -n +2 report/grades.csv | tr '\n' ' ')" = \
  "bea,0,frames differ,2,passed,2 oli,0,log differs,2,passed,2 same,5,passed,2,passed,7 "
detail() { python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["tests"][0]["output"])' "report/students/$1/results.json"; }
check "oli: the first differing line, its number and both texts" grep -qF \
  'log differs: log line 107: expected `phase 0 after 12 ticks`, got `phase 3 after 12 ticks`' <<< "$(detail oli)"
page() { sed 's/<[^>]*>//g' "report/students/$1.html"; }
check "oli's page: the line each run printed" \
  test "$(page oli | grep -E '^[-+]phase')" = "$(printf -- '-phase 0 after 12 ticks\n+phase 3 after 12 ticks')"
check "oli's page: a hunk of the lines around it" grep -q '^@@ -105,5 +105,5 @@$' <<< "$(page oli)"
check "bea's page: its log's wrong lines too" test "$(page bea | grep -c '^+cyan rectangle')" -eq 4
check "same: no log shown" test "$(page same | grep -c '^@@')" -eq 0

# bea's animation: both runs side by side, each scaled to at most 320
# pixels wide, every one of the 19 frames.
webp() {
  python3 - "$1" << 'EOF_WEBP'
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:4] == b"RIFF" and data[8:12] == b"WEBP" and data[12:16] == b"VP8X", "not an extended WebP"
width = int.from_bytes(data[24:27], "little") + 1
height = int.from_bytes(data[27:30], "little") + 1
print(f"{width}x{height} {data.count(b'ANMF')} frames {len(data)} bytes")
EOF_WEBP
}
animation=$(webp report/students/bea/session-runs.webp)
echo "bea's animation: $animation"
check "bea's animation: 300+4+300 by 270, 19 frames" grep -q '^604x270 19 frames' <<< "$animation"
check "bea's page shows it" grep -q 'src="bea/session-runs.webp"' report/students/bea.html
check "bea's scrubber: frames 1 to 19 of her run" test "$(ls report/students/bea/session-frames | wc -l)" -eq 19
check "and of the reference's, once for the class" test "$(ls report/reference-frames/session | wc -l)" -eq 19
cmp -s report/reference-frames/session/5.png report/students/bea/session-5-expected.png
check "the scrubber's frame 5 is the frame shown" test $? -eq 0
/usr/bin/python3 "$here/check_report.py" report
check "every link, picture and scrubber frame resolves" test $? -eq 0

# The log kept with the expected frames: the same verdicts from them.
"$GRADE" log.toml --save-expected expected 2> /dev/null
check "--save-expected keeps the log" test -s expected/session.log
sed "s|^source = .*|expected = \"$work/expected\"|" log.toml > from-frames.toml
"$GRADE" from-frames.toml class --out report2 2> /dev/null
check "the same grades from the expected frames and log" cmp -s report/grades.csv report2/grades.csv
rm expected/session.log
"$GRADE" from-frames.toml class --out report3 2> err.txt
check "no log kept: exit 2" test $? -eq 2
check "no log kept: the line says which" grep -q 'expected/session.log: no log for test session$' err.txt

if [ "${1:-}" = browser ]; then
  /usr/bin/python3 "$here/report_browser_test.py" report
  check "the report in headless Chromium" test $? -eq 0
fi
report "a report's pages${1:+ in the browser}"
