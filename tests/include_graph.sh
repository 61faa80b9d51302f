#!/usr/bin/env bash
# Fails when the modules of the package core include each other in a circle.
#
# A module is a header and its source (events.h and events.cpp are "events",
# events_testing.h too);
# edges are the #include "..." lines of package/ outside platform/, whose
# headers are the layers' and include nothing of the core. events and
# package_windows are one node: the windows module wires the package
# together, and those two alone may know each other.
# Usage: include_graph.sh [--print] [ROOT]   (ROOT defaults to this repository)
set -u
print=false
if [[ ${1:-} == --print ]]; then
  print=true
  shift
fi
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root/package" || exit 2

module() {
  local name=${1%.*}
  name=${name%_testing}  # a module's test-only header is part of it
  case $name in
    events | package_windows) echo "events+package_windows" ;;
    *) echo "$name" ;;
  esac
}

edges=$(
  find . -path ./platform -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print |
    sed 's|^\./||' | sort | while read -r file; do
    from=$(module "$file")
    echo "$from $from"  # every module is a node, even one that includes nothing
    sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file" | while read -r included; do
      # Found beside the including file or under package/, as the compiler looks.
      dir=$(dirname "$file")
      if [[ $dir != . && -f $dir/$included ]]; then
        target=$dir/$included
      elif [[ -f $included ]]; then
        target=$included
      else
        continue
      fi
      [[ $target == platform/* ]] && continue
      to=$(module "$target")
      [[ $from != "$to" ]] && echo "$from $to"
    done
  done | sort -u
)

if $print; then
  awk '$1 != $2 { print $1 " -> " $2 }' <<< "$edges"
fi
if ! loops=$(tsort <<< "$edges" 2>&1 > /dev/null); then
  echo "$loops" >&2
  echo "FAIL: the package core's include graph has a cycle (modules above)" >&2
  exit 1
fi
echo "ok: no include cycle among $(awk '{ print $1 }' <<< "$edges" | sort -u | wc -l) modules of the package core"
