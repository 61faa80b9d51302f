# shellcheck shell=bash
# Sourced by the test scripts: waiting on a condition rather than for a time.
#
# wait_for SECONDS COMMAND...: runs COMMAND until it succeeds, every 50 ms,
# for at most SECONDS (a decimal number); false if it never does.
wait_for() {
  local limit end
  limit=$(awk -v s="$1" 'BEGIN { printf "%d", s * 1000000 }')
  shift
  end=$((${EPOCHREALTIME//[.,]/} + limit))
  until "$@"; do
    [ "${EPOCHREALTIME//[.,]/}" -lt "$end" ] || return 1
    sleep 0.05
  done
}
