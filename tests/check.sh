# Sourced by the test scripts: named checks counted into one closing line.
passed=0
failed=0

# check NAME COMMAND...: runs the command; counts it and names it if it fails.
check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
  fi
}

more_than() { [ "$1" -gt "$2" ]; }

# report LABEL: prints "LABEL: N passed, M failed"; false if any failed.
report() {
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# mentions_none DIR TEXT...: no file under DIR holds any of the TEXTs; the
# files that do are listed.
mentions_none() {
  local dir=$1 text patterns=()
  shift
  for text in "$@"; do patterns+=(-e "$text"); done
  ! grep -rlF "${patterns[@]}" "$dir"
}
