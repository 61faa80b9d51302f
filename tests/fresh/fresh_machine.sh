#!/usr/bin/env bash
# The README's two commands on a fresh machine: makes a minimal Debian root
# with debootstrap, copies a clean clone of the project in, and runs there,
# with a clean environment, scripts/play.sh (no display: it must build the
# desktop game and the headless runner and print its hint),
# scripts/test.sh (it must pass) and tests/debian/check_packages.sh (it
# builds the Debian packages, installs them, and builds and runs a user's
# programs against them). Prints how long each stage took.
#
# Usage: fresh_machine.sh [WORK_DIR]   (as root; default: a new directory
# under /var/tmp). Environment: ZIVRO_FRESH_SUITE (default bookworm),
# ZIVRO_FRESH_MIRROR (default http://deb.debian.org/debian),
# ZIVRO_FRESH_KEEP=1 keeps the root for a look afterwards.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
project=$(cd "$here/../.." && pwd)
# shellcheck source=../wait_for.sh
source "$here/../wait_for.sh"
suite=${ZIVRO_FRESH_SUITE:-bookworm}
mirror=${ZIVRO_FRESH_MIRROR:-http://deb.debian.org/debian}

if [ "$(id -u)" -ne 0 ]; then
  echo "$0: needs root (debootstrap, chroot and mounts)" >&2
  exit 2
fi
"$project/scripts/install-deps.sh" fresh || exit 2

work=${1:-$(mktemp -d /var/tmp/zivro-fresh.XXXXXX)}
root=$work/root
mkdir -p "$work"
log=$work/stages.log
: > "$log"

# Every process whose root is the fresh root (an X server, wineserver, ...)
# is ended before the mounts are taken down.
stop_processes() {
  local pid link
  for pid in /proc/[0-9]*; do
    link=$(readlink "$pid/root" 2> /dev/null) || continue
    [ "$link" = "$root" ] && kill -9 "${pid#/proc/}" 2> /dev/null
  done
  wait_for 10 none_in_root || echo "processes in $root outlived kill -9 for 10 s"
}
none_in_root() {
  local pid
  for pid in /proc/[0-9]*; do
    [ "$(readlink "$pid/root" 2> /dev/null)" = "$root" ] && return 1
  done
  return 0
}

mounted_below_root() { awk -v r="$root/" 'index($2, r) == 1 {found = 1} END {exit !found}' /proc/mounts; }

# Nothing below the root is removed while anything is still mounted there:
# a recursive delete through a bound /dev would empty the machine's own.
cleanup() {
  stop_processes
  local point
  for point in dev sys proc; do
    mountpoint -q "$root/$point" && umount -R "$root/$point" 2> /dev/null
    mountpoint -q "$root/$point" && umount -R -l "$root/$point"
  done
  if ! mounted_below_root && mountpoint -q "$root"; then
    umount "$root" 2> /dev/null || umount -l "$root"
  fi
  if mounted_below_root || mountpoint -q "$root"; then
    echo "$0: still mounted below $root; left in place, not removed" >&2
    grep " $root/" /proc/mounts >&2
    return
  fi
  if [ "${ZIVRO_FRESH_KEEP:-0}" = 1 ]; then
    echo "the fresh root is kept in $root"
  else
    rm -rf --one-file-system "$work"
  fi
}
trap cleanup EXIT

# stage NAME LOG COMMAND...: runs a stage with its output in LOG and writes
# its duration to the stage log.
stage() {
  local name=$1 output=$2 start status
  shift 2
  echo "=== fresh machine: $name"
  start=$(date +%s)
  "$@" > "$output" 2>&1
  status=$?
  echo "$name: $(($(date +%s) - start)) s, exit status $status" | tee -a "$log"
  return $status
}

fail() {
  echo "fresh machine: $1"
  cat "$log"
  echo "fresh machine: 0 passed, 1 failed"
  exit 1
}

stage "debootstrap --variant=minbase $suite" "$work/debootstrap.log" \
  debootstrap --variant=minbase "$suite" "$root" "$mirror" ||
  { tail -20 "$work/debootstrap.log"; fail "debootstrap failed"; }

# The root is a mount point of its own, as an installed machine's is, so
# that it can become the root of the commands' mount namespace.
mount --bind "$root" "$root" && mount --make-private "$root"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys"
mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Every installed machine names itself localhost; debootstrap leaves that to
# the installer, and Chromium's driver is reached by that name.
printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' > "$root/etc/hosts"

# A clean clone: what is committed, nothing of this work tree's builds.
git clone -q --no-hardlinks "$project" "$root/home/zivro" || fail "cannot clone $project"

# in_root COMMAND: runs a shell command in the project inside the root,
# with the environment a new root login has. The root becomes the root of
# a mount namespace of its own (pivot_root, not chroot: the kernel refuses
# user namespaces, and so the grader's sandbox, to a chrooted process), with
# a process namespace of its own, so that whatever the command leaves
# running ends with it.
in_root() {
  unshare --mount --propagation private --pid --fork /bin/sh -c '
    cd "$1" && mkdir -p .old-root && pivot_root . .old-root && cd / &&
      umount -l /.old-root && rmdir /.old-root && mount -t proc proc /proc &&
      exec /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        /bin/bash -c "cd /home/zivro && $2"' in_root "$root" "$1"
}

stage "scripts/play.sh without a display" "$work/play.log" in_root "scripts/play.sh < /dev/null"
play_status=$?
tail -5 "$work/play.log"
grep -q '^No display (DISPLAY is not set)' "$work/play.log" ||
  fail "scripts/play.sh did not print its hint (exit status $play_status)"
for program in build/release/game/cargame build/release/game/cargame-headless; do
  [ -x "$root/home/zivro/$program" ] || fail "scripts/play.sh did not build $program"
done

stage "scripts/test.sh" "$work/test.log" in_root "scripts/test.sh < /dev/null"
test_status=$?
grep -E '^(===|FAILED|.*tests passed)' "$work/test.log"
if [ "$test_status" -ne 0 ]; then
  tail -40 "$work/test.log"
  fail "scripts/test.sh failed (exit status $test_status)"
fi
grep '^all suites:' "$work/test.log"

# The root is thrown away afterwards: the packages may stay installed.
stage "tests/debian/check_packages.sh" "$work/debian.log" \
  in_root "tests/debian/check_packages.sh --throwaway-root < /dev/null"
debian_status=$?
grep -E '^(FAILED|lintian: |.*\.deb: |Debian packages: )' "$work/debian.log"
if [ "$debian_status" -ne 0 ]; then
  tail -40 "$work/debian.log"
  fail "tests/debian/check_packages.sh failed (exit status $debian_status)"
fi

echo "--- stage times"
cat "$log"
echo "fresh machine: 4 passed, 0 failed"
