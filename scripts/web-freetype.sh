#!/usr/bin/env bash
# Builds FreeType for the web layer with Emscripten, from the Debian source
# of the very version the native build links (bookworm's 2.12.1 with its
# patches), so text rasterizes to the same pixels in the page.
#
# Built for the same code paths as on x86-64, too: the smooth rasterizer
# flattens a curve by stepping along it (DDA) where SSE2 is there (every
# x86-64) and by halving it elsewhere, and the two put different grey levels
# on a few pixels of a glyph. Emscripten's SSE2 headers (on wasm SIMD,
# -msimd128 -msse2) define __SSE2__, so the page's FreeType takes the
# stepping path, with the very integer arithmetic of the native library.
#
# The sources are downloaded once, checked against pinned SHA-256 sums, and
# kept in the cache with the built library: later builds need no network.
# Usage: web-freetype.sh [--print-prefix]
set -euo pipefail

version=2.12.1+dfsg-5+deb12u4
cache=${ZIVRO_WEB_CACHE:-$HOME/.cache/zivro-web}
# The name says how the library was built, so a change of flags builds anew.
prefix=$cache/freetype-$version-sse2
if [ "${1:-}" = --print-prefix ]; then
  echo "$prefix"
  exit 0
fi
[ -f "$prefix/lib/libfreetype.a" ] && exit 0

pool=http://deb.debian.org/debian/pool/main/f/freetype
files=(
  "7dedb6b9adf331559daea614a83b8de42a753e685ec8e1c4bdb4529eb880b0d1 freetype_2.12.1+dfsg.orig.tar.xz"
  "c625a97a78e4c74acd32e5b63b3973c9ea8a5c3d7b7f8f7c02def4421589c61b freetype_${version}.debian.tar.xz"
)
for tool in emcmake curl patch cmake ninja; do
  command -v "$tool" > /dev/null || {
    echo "web-freetype: $tool is missing (scripts/install-deps.sh web installs it)" >&2
    exit 1
  }
done

mkdir -p "$cache/download"
for entry in "${files[@]}"; do
  sum=${entry%% *}
  name=${entry#* }
  path=$cache/download/$name
  if [ ! -f "$path" ] || ! echo "$sum  $path" | sha256sum -c --status; then
    curl -fsSL -o "$path.part" "$pool/$name" || {
      echo "web-freetype: cannot download $pool/$name" >&2
      exit 1
    }
    echo "$sum  $path.part" | sha256sum -c --status || {
      echo "web-freetype: $name does not have the pinned SHA-256 sum" >&2
      exit 1
    }
    mv "$path.part" "$path"
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar -xf "$cache/download/freetype_2.12.1+dfsg.orig.tar.xz" -C "$work"
tar -xf "$cache/download/freetype_${version}.debian.tar.xz" -C "$work"
source_dir=$work/freetype-2.12.1
# Debian's patches of the library itself; those of its demos and documents
# (other tarballs of the package) have nothing to patch here.
while read -r patch_name; do
  [ -z "$patch_name" ] && continue
  patch_file=$work/debian/patches/$patch_name
  if grep '^+++ ' "$patch_file" | awk '{print $2}' | cut -d/ -f2 | grep -qvE '^(ft2demos|ft2docs)$'; then
    patch -d "$source_dir" -p1 -s < "$patch_file"
  fi
done < "$work/debian/patches/series"

export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
# Like Debian's build, without bzip2 and HarfBuzz; no zlib, PNG or Brotli
# either: they only unpack compressed or colour-bitmap fonts.
emcmake cmake -S "$source_dir" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="-msimd128 -msse2" \
  -DCMAKE_INSTALL_PREFIX="$prefix" -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
  -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON > "$work/configure.log" 2>&1 ||
  {
    tail -20 "$work/configure.log" >&2
    echo "web-freetype: configuring FreeType with Emscripten failed" >&2
    exit 1
  }
cmake --build "$work/build" -j 2 > "$work/build.log" || {
  tail -20 "$work/build.log" >&2
  echo "web-freetype: building FreeType with Emscripten failed" >&2
  exit 1
}
rm -rf "$prefix.part"
DESTDIR= cmake --install "$work/build" --prefix "$prefix.part" > /dev/null
mv "$prefix.part" "$prefix"
echo "web-freetype: FreeType $version for Emscripten in $prefix"
