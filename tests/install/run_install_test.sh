#!/usr/bin/env bash
# Installs the package from BUILD_DIR into a temporary prefix, then builds a
# user's programs against it with CMake (C and C++) and with pkg-config (C),
# and runs them headless and, on an Xvfb server, on the desktop; the
# installed zivro-grade grades a class against the prefix.
# Usage: run_install_test.sh BUILD_DIR
set -u
build=$(cd "${1:?build directory}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
source "$here/../check.sh"

cmake --install "$build" --prefix "$prefix" > "$prefix/install.log" 2>&1
check "cmake --install" test $? -eq 0
check "the header is installed" test -f "$prefix/include/zivro.h"
check "no installed file names the source or the build tree" mentions_none "$prefix" "$root" "$build"

cp "$here/../../examples/greeting.c" "$here/CMakeLists.txt" "$here/greeting.cpp" "$prefix/"
cmake -S "$prefix" -B "$prefix/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  > "$prefix/configure.log" 2>&1 && cmake --build "$prefix/build" > "$prefix/build.log" 2>&1
check "find_package(zivro) builds C and C++ programs" test $? -eq 0 || cat "$prefix"/*.log

"$prefix/build/greeting-c" --answer Ada --answer "" --log "$prefix/c.log"
check "the C program runs headless" grep -qx 'Hello, Ada!' "$prefix/c.log"
"$prefix/build/greeting-cpp" --answer Grace --log "$prefix/cpp.log"
check "the C++ program runs headless" grep -qx 'Hello, Grace!' "$prefix/cpp.log"
check "the desktop program links against zivro::zivro" test -x "$prefix/build/greeting-desktop"

# The README's own project, outside the trees: a C project enables no C++
# compiler, and the package's targets bring the C++ runtime along, so the C
# compiler alone links it. Its commands are the README's.
project=$(mktemp -d)
mkdir "$project/greeting"
cp "$here/../../examples/greeting.c" "$here/user_project/CMakeLists.txt" \
  "$here/user_project/session.scr" "$project/greeting/"
cd "$project/greeting" || exit 1
cmake -S . -B build -G Ninja -DCMAKE_PREFIX_PATH="$prefix" > "$prefix/c-only.log" 2>&1 &&
  cmake --build build >> "$prefix/c-only.log" 2>&1
check "a project of LANGUAGES C alone builds against the package" test $? -eq 0 ||
  cat "$prefix/c-only.log"
check "its build names no path of the trees" mentions_none "$project/greeting/build" "$root" "$build"
build/greeting-headless --answer Ada --answer "" --log greeting.log
check "its headless program answers" grep -qx 'Hello, Ada!' greeting.log
build/greeting-headless --play session.scr --log replay.log --png last.png
status=$?
check "and replays a session (status $status)" grep -qx 'Hello, Grace!' replay.log
check "to its last canvas" test -s last.png

# The desktop program in windows, on an X server of its own, replaying the
# same session: it prints what the headless one printed.
source "$here/../e2e/x_session.sh"
x_session_start
trap 'x_session_stop; rm -rf "$prefix" "$project"' EXIT
build/greeting --play session.scr --log greeting-desktop.log &
APP_PID=$!
wait_window window "ZIVRO Graphics"
wait_for_lines greeting-desktop.log '^Goodbye' 1
keys "$window" alt+F4
wait "$APP_PID"
status=$?
APP_PID=
check "the desktop program ends when its window is closed (status $status)" test "$status" -eq 0
check "and printed the lines of the headless replay" cmp greeting-desktop.log replay.log
x_session_stop
cd "$prefix" || exit 1

export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
cc -std=c99 "$prefix/greeting.c" $(pkg-config --cflags --libs zivro-headless) \
  -o "$prefix/greeting-pc" 2> "$prefix/pc.log"
check "pkg-config zivro-headless builds a C program with cc" test $? -eq 0 || cat "$prefix/pc.log"
"$prefix/greeting-pc" --answer Linus --answer "" --log "$prefix/pc-run.log"
check "and it runs" grep -qx 'Hello, Linus!' "$prefix/pc-run.log"
cc -std=c99 "$prefix/greeting.c" $(pkg-config --cflags --libs zivro) -o "$prefix/greeting-pcd" \
  2> "$prefix/pcd.log"
check "pkg-config zivro builds the desktop program" test $? -eq 0 || cat "$prefix/pcd.log"

# The installed grader builds against the installed package beside it.
grading=$(mktemp -d)
chmod 711 "$grading"
mkdir "$grading/class" && cp -r "$here/../grade/class/ada" "$here/../grade/class/bea.c" "$grading/class/"
"$prefix/bin/zivro-grade" "$here/../grade/assignment.toml" "$grading/class" --out "$grading/report" \
  2> "$grading/grade.log"
check "the installed zivro-grade grades a class" test $? -eq 0 || cat "$grading/grade.log"
check "against the installed package" grep -qF "building against $prefix/include/zivro.h" "$grading/grade.log"
check "with the verdicts of the build tree's" \
  test "$(cut -d, -f3 "$grading/report/grades.csv" | tr '\n' ' ')" = "session status passed frames differ "
rm -rf "$grading"

report "install and consume"
