#!/usr/bin/env bash
# The headless runner end to end: options, exit statuses, --play and --log.
set -u
: "${CARGAME:?path of cargame-headless}" "${SCRIPTS:?path of tests/scripts}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
passed=0
failed=0
check() {  # check NAME CONDITION...
  local name=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}

"$CARGAME" --play "$SCRIPTS/ends.scr" --log out.log --ticks 3
check "a script that ends exits 0" test $? -eq 0
eof_lines=$(grep -cx 'EOF encountered in script file ZIVRO.SCR' out.log)
check "the end-of-file message is printed once" test "$eof_lines" -eq 1
check "the log holds only that line" test "$(wc -l < out.log)" -eq 1
check "playing back writes no script" test ! -e ZIVRO.SCR

"$CARGAME" --play missing.scr --log missing.log
check "a missing script exits 0" test $? -eq 0
check "a missing script is reported" grep -qx 'Cannot open script file ZIVRO.SCR for reading' missing.log

"$CARGAME" --ticks 20
check "a plain run exits 0" test $? -eq 0

for bad in "--bogus" "--ticks" "--ticks -1" "--ticks 1x" "--ticks 999999999999999999999" \
           "--play" "--log" "extra"; do
  # shellcheck disable=SC2086
  "$CARGAME" $bad 2> err.txt
  status=$?
  check "'$bad' exits 2" test $status -eq 2
  check "'$bad' prints usage" grep -q '^usage: ' err.txt
done

"$CARGAME" --log /nonexistent-dir/out.log 2> err.txt
check "an unwritable log is refused" test $? -eq 2

echo "$passed passed, $failed failed"
test "$failed" -eq 0
