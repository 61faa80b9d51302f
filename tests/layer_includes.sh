#!/usr/bin/env bash
# The layering the other way round: the platform layers include of the
# package core only its public header and startup.h (what a layer's main may
# ask of the package); every other core header is the package's own.
# Usage: layer_includes.sh [ROOT]   (ROOT defaults to this repository)
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root/package" || exit 2
core_headers=$(find . -path ./platform -prune -o -name '*.h' -print | sed 's|^\./||' |
  grep -vx -e zivro.h -e startup.h)
failures=0
while read -r file; do
  while read -r included; do
    if grep -qxF "$included" <<< "$core_headers"; then
      echo "FAIL: $file includes the core's own $included; a layer asks through startup.h"
      failures=$((failures + 1))
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(find platform -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
[ "$failures" -eq 0 ] && echo "the layers include only zivro.h and startup.h of the core"
exit $((failures > 0))
