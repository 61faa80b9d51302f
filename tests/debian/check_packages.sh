#!/usr/bin/env bash
# Builds the Debian packages (debian/) with dpkg-buildpackage from a copy of
# the source tree in a temporary directory, checks them with lintian (no
# errors), installs them with apt-get, builds a user's programs against /usr
# with pkg-config and with CMake and runs them headless, grades a small class
# with /usr/bin/zivro-grade, and purges the packages again.
#
# Usage: check_packages.sh [--throwaway-root]   (as root; with
# --throwaway-root the packages stay installed, for a root that is deleted
# afterwards)
set -u
here=$(cd "$(dirname "$0")" && pwd)
project=$(cd "$here/../.." && pwd)
# shellcheck source=../check.sh
source "$here/../check.sh"

throwaway=false
case ${1:-} in
  --throwaway-root) throwaway=true ;;
  "") ;;
  *)
    echo "usage: $0 [--throwaway-root]" >&2
    exit 2
    ;;
esac
if [ "$(id -u)" -ne 0 ]; then
  echo "$0: needs root (dpkg-buildpackage and apt-get install)" >&2
  exit 2
fi
"$project/scripts/install-deps.sh" deb > /dev/null || exit 2

installed() { dpkg-query -W -f='${Status}' "$1" 2> /dev/null | grep -q 'install ok installed'; }
# Purging afterwards must not take away packages that were there before.
for package in libzivro-dev zivro-tools; do
  if installed "$package"; then
    echo "$0: $package is installed already; purge it first (apt-get purge $package)" >&2
    exit 2
  fi
done

# dpkg-buildpackage writes the .deb files next to the tree it builds: the
# tree is copied into a directory of its own so that they land there.
work=$(mktemp -d)
# apt reads the local .deb files as its unprivileged user.
chmod 755 "$work"
ours=()
remove_packages() {
  [ ${#ours[@]} -eq 0 ] && return 0
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "${ours[@]}" > "$work/purge.log" 2>&1
}
cleanup() {
  [ "$throwaway" = true ] || remove_packages
  rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/zivro"
tar -C "$project" --exclude=./.git --exclude=./build --exclude=./out -cf - . |
  tar -C "$work/zivro" -xf -
(cd "$work/zivro" && DEB_BUILD_OPTIONS="nocheck parallel=2" dpkg-buildpackage -us -uc -b) \
  > "$work/build.log" 2>&1
check "dpkg-buildpackage -us -uc -b builds the packages" test $? -eq 0 || tail -40 "$work/build.log"
debs=("$work"/*.deb)
for package in libzivro-dev zivro-tools; do
  check "$package is built" test -f "$work/${package}_"*.deb
done

lintian --fail-on error "$work"/*.changes > "$work/lintian.log" 2>&1
lintian_status=$?
check "lintian reports no errors" test "$lintian_status" -eq 0 -a -z "$(grep '^E:' "$work/lintian.log")" ||
  cat "$work/lintian.log"
grep '^W:' "$work/lintian.log" | sed 's/^/lintian: /'
for deb in "${debs[@]}"; do
  echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, installed $(dpkg-deb -f "$deb" Installed-Size) KiB"
done

[ -f "${debs[0]}" ] || {
  report "Debian packages"
  exit 1
}
for deb in "${debs[@]}"; do ours+=("$(dpkg-deb -f "$deb" Package)"); done
(cd "$work" && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./*.deb) > "$work/install.log" 2>&1
check "apt-get install ./*.deb installs them" test $? -eq 0 || tail -20 "$work/install.log"

# A user's programs, copied from the examples the package ships.
user=$work/user
examples=/usr/share/doc/libzivro-dev/examples
mkdir -p "$user"
cp "$examples/greeting.c" "$examples/paint.c" "$examples/scripts/paint.scr" \
  "$examples/scripts/paint.png" "$user/" 2> "$user/copy.log"
check "the examples and their scripts are in $examples" test $? -eq 0 || cat "$user/copy.log"

check "the .pc files name /usr/include" \
  test "$(realpath -m "$(pkg-config --variable=includedir zivro-headless)")" = /usr/include
check "and the libraries' directory" \
  test -f "$(pkg-config --variable=libdir zivro)/libzivro_desktop.a"
# shellcheck disable=SC2046 # pkg-config's flags are words
cc -std=c99 "$user/greeting.c" $(pkg-config --cflags --libs zivro-headless) -o "$user/greeting-pc" \
  > "$user/pc.log" 2>&1
check "pkg-config zivro-headless builds the C program with cc" test $? -eq 0 || cat "$user/pc.log"
"$user/greeting-pc" --answer Ada --answer "" --log "$user/greeting-pc.log" > /dev/null 2>&1
check "and it runs headless, answering the dialog" grep -qx 'Hello, Ada!' "$user/greeting-pc.log"
# shellcheck disable=SC2046
cc -std=c99 "$user/paint.c" $(pkg-config --cflags --libs zivro) -o "$user/paint-pc" \
  > "$user/pcd.log" 2>&1
check "pkg-config zivro builds the desktop program" test $? -eq 0 || cat "$user/pcd.log"
env -u DISPLAY "$user/paint-pc" > "$user/paint-pc.log" 2>&1
check "which, without a display, says so and exits 1" \
  test $? -eq 1 -a -n "$(grep -F 'no display to open windows on' "$user/paint-pc.log")"

# find_package(zivro) from /usr, in a project of LANGUAGES C alone.
cat > "$user/CMakeLists.txt" << 'EOF'
cmake_minimum_required(VERSION 3.25)
project(user_programs LANGUAGES C)
find_package(zivro CONFIG REQUIRED)
add_executable(greeting greeting.c)
target_link_libraries(greeting PRIVATE zivro::headless)
add_executable(paint-headless paint.c)
target_link_libraries(paint-headless PRIVATE zivro::headless)
add_executable(paint paint.c)
target_link_libraries(paint PRIVATE zivro::zivro)
EOF
cmake -S "$user" -B "$user/build" -G Ninja > "$user/cmake.log" 2>&1 &&
  cmake --build "$user/build" -j 2 >> "$user/cmake.log" 2>&1
check "find_package(zivro) builds the programs with CMake" test $? -eq 0 || cat "$user/cmake.log"
check "from /usr/lib/cmake/zivro" grep -qx 'zivro_DIR:PATH=/usr/lib/cmake/zivro' "$user/build/CMakeCache.txt"
"$user/build/greeting" --answer Grace --answer "" --log "$user/greeting.log" > /dev/null 2>&1
check "the CMake-built program runs headless" grep -qx 'Hello, Grace!' "$user/greeting.log"
(cd "$user" && build/paint-headless --play paint.scr --expect paint.png > paint.log 2>&1)
check "the drawing example replays its script to its expected picture" test $? -eq 0 ||
  cat "$user/paint.log"
check "the desktop program links against zivro::zivro" test -x "$user/build/paint"

# The installed grader on the class of tests/install/run_install_test.sh.
grading=$work/grading
mkdir -p "$grading/class"
chmod 711 "$grading"
cp -r "$project/tests/grade/class/ada" "$project/tests/grade/class/bea.c" "$grading/class/"
/usr/bin/zivro-grade "$project/tests/grade/assignment.toml" "$grading/class" --out "$grading/report" \
  > "$grading/grade.out" 2> "$grading/grade.log"
check "/usr/bin/zivro-grade grades a class" test $? -eq 0 || cat "$grading/grade.log"
check "against the installed package" grep -qF "building against /usr/include/zivro.h" "$grading/grade.log"
check "with the build tree's verdicts" \
  test "$(cut -d, -f3 "$grading/report/grades.csv" | tr '\n' ' ')" = "session status passed frames differ "

if [ "$throwaway" = false ]; then
  remove_packages
  check "apt-get purge removes the packages" test $? -eq 0 || tail -20 "$work/purge.log"
  ours=()
  check "and leaves no file of theirs" test ! -e /usr/bin/zivro-grade -a ! -e /usr/include/zivro.h \
    -a ! -e /usr/lib/cmake/zivro -a ! -e /usr/share/doc/libzivro-dev
fi
report "Debian packages"
