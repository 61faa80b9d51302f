#!/usr/bin/env bash
# The package installed from a Windows build into a temporary prefix, and a
# user's program (tests/install/windows) cross-built against that prefix
# alone with the commands the README gives, then run under Wine: it saves
# its drawing under the name typed into its dialog, which answer-dialog.exe
# types. Exit status 0 when every check passed, 1 otherwise, 2 on bad usage;
# 77 when a 32-bit build meets a Wine without its 32-bit half.
# Usage: run_install_windows.sh BUILD_DIR
set -u
if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd) || exit 2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
answer=$build/tests/wine/answer-dialog.exe
if [ ! -f "$answer" ]; then
  echo "$0: no $answer; build a Windows preset first (cmake --build --preset win64)" >&2
  exit 2
fi
for tool in wine wineserver wineboot identify convert; do
  command -v "$tool" > /dev/null || {
    echo "$0: $tool is missing (scripts/install-deps.sh)" >&2
    exit 2
  }
done
# shellcheck source=../check.sh
source "$root/tests/check.sh"
# shellcheck source=wine_prefix.sh
source "$here/wine_prefix.sh"

# The toolchain file this build was made with, as the prefix has it.
toolchain=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$build/CMakeCache.txt")
toolchain=${toolchain##*/}
mingw=${toolchain#toolchain-mingw-}
mingw=${mingw%.cmake}-w64-mingw32

work=$(mktemp -d "${TMPDIR:-/tmp}/zivro-wine-install.XXXXXX")
# shellcheck disable=SC2317  # run by the trap
cleanup() {
  wine_prefix_stop
  rm -rf "$work"
}
trap cleanup EXIT
prefix=$work/zivro

cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1
check "cmake --install $build" test $? -eq 0 || cat "$work/install.log"
for file in include/zivro.h lib/libzivro_win32.a lib/cmake/zivro/zivroConfig.cmake \
  lib/cmake/zivro/zivroTargets.cmake "share/zivro/$toolchain"; do
  check "the prefix has $file" test -f "$prefix/$file"
done
check "no installed file names the source or the build tree" mentions_none "$prefix" "$root" "$build"

# The user's project, outside both trees, built as the README says.
cp -r "$root/tests/install/windows" "$work/project"
cd "$work/project" || exit 1
cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE="$prefix/share/zivro/$toolchain" \
  -DCMAKE_PREFIX_PATH="$prefix" > "$work/configure.log" 2>&1 &&
  cmake --build build-windows > "$work/build.log" 2>&1
check "a C project cross-builds against the prefix with find_package(zivro)" test $? -eq 0 ||
  cat "$work/configure.log" "$work/build.log"
exe=$work/project/build-windows/save-drawing.exe
[ -f "$exe" ] || {
  report "windows install"
  exit 1
}
dlls=$("$mingw-objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
check "the program needs no MinGW DLL (it imports $dlls)" \
  test -z "$(echo "$dlls" | grep -Eio 'libstdc|libgcc|libwinpthread')"

if ! reason=$(wine_can_run "$exe"); then
  echo "$0: $reason" >&2
  exit 77
fi
wine_prefix_start null
mkdir "$work/run"
cp "$exe" "$work/run/"
(cd "$work/run" && wine "$answer" save-drawing.exe drawing.png) > "$work/run.log" 2>&1
status=$?
check "under Wine it ends with status 0 (got $status)" test "$status" -eq 0 || cat "$work/run.log"
png=$work/run/drawing.png
check "it saved its drawing under the name typed into its dialog" test -f "$png"
if [ -f "$png" ]; then
  check "the whole canvas, 601 x 540" test "$(identify -format '%wx%h' "$png")" = 601x540
  pixel() { convert "$png" -format "%[pixel:p{$1,$2}]" info:; }
  check "blue in the middle ($(pixel 300 270))" test "$(pixel 300 270)" = "srgb(0,0,255)"
  check "white in the corner ($(pixel 5 5))" test "$(pixel 5 5)" = "srgb(255,255,255)"
fi

report "windows install"
