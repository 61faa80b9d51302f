#!/usr/bin/env bash
# Builds tests/wine/gdi_vs_canvas.cpp with mingw-w64 and runs it under Wine
# with the null display driver, in a Wine prefix of its own that is removed
# afterwards. Exits with the program's status (0: every case matched GDI).
# For the group "text" it first builds and runs canvas_texts.cpp natively
# (the canvas's text needs FreeType and fontconfig) and hands its drawings on.
#
# Usage: run_gdi_vs_canvas.sh OUTPUT_DIR [GROUP...]
#        run_gdi_vs_canvas.sh PREBUILT.exe [GROUP...]
set -euo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: $0 OUTPUT_DIR|PREBUILT.exe [GROUP...]" >&2
  exit 2
fi
target=$1
shift

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)

if [[ $target == *.exe ]]; then
  exe=$(cd "$(dirname "$target")" && pwd)/$(basename "$target")
else
  mkdir -p "$target"
  exe=$(cd "$target" && pwd)/gdi_vs_canvas.exe
  x86_64-w64-mingw32-g++ -std=c++20 -O2 -Wall -Wextra -static \
    -I "$root/package" \
    "$here/gdi_vs_canvas.cpp" "$root/package/platform/raster/shapes.cpp" \
    -o "$exe" -lgdi32
fi

out_dir=$(dirname "$exe")
g++ -std=c++20 -O2 -Wall -Wextra -I "$root/package" \
  "$here/canvas_texts.cpp" "$root/package/platform/raster/text.cpp" \
  $(pkg-config --cflags --libs freetype2 fontconfig) -o "$out_dir/canvas_texts"
"$out_dir/canvas_texts" "$out_dir/canvas_texts.bin"

# shellcheck source=wine_prefix.sh
source "$here/wine_prefix.sh"
trap wine_prefix_stop EXIT
wine_prefix_start null

status=0
wine "$exe" --canvas-texts "$(winepath -w "$out_dir/canvas_texts.bin")" "$@" || status=$?
wineserver -w
exit "$status"
