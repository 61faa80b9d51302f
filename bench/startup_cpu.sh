#!/usr/bin/env bash
# CPU time (user + system) of a headless program's start-up and end,
# `cargame-headless --ticks 0`: the median of RUNS runs, in ms, each
# measured by the kernel's accounting of the child (wait4's rusage).
# usage: bench/startup_cpu.sh BUILD_DIR [RUNS] [PROGRAM ARGUMENTS...]
#        (default 30 runs of game/cargame-headless --ticks 0)
set -eu
build=$(cd "${1:?build directory, e.g. build/release}" && pwd)
runs=${2:-30}
shift $(($# < 2 ? $# : 2))
program="$build/game/cargame-headless"
[ -x "$program" ] || { echo "no $program: build it first" >&2; exit 2; }
[ $# -gt 0 ] || set -- --ticks 0
cd "$(mktemp -d)"
python3 - "$runs" "$program" "$@" << 'EOF_PY'
import os, statistics, sys
runs, command = int(sys.argv[1]), sys.argv[2:]
times = []
for _ in range(runs):
    pid = os.fork()
    if pid == 0:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, 1)
        os.execv(command[0], command)
    _, status, usage = os.wait4(pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{command[0]} failed: status {status}")
    times.append((usage.ru_utime + usage.ru_stime) * 1000)
print(f"{os.path.basename(command[0])} {' '.join(command[1:])}: median {statistics.median(times):.2f} ms "
      f"CPU (user+sys) of {runs} runs, min {min(times):.2f}, max {max(times):.2f}")
EOF_PY
