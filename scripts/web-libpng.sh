#!/usr/bin/env bash
# Builds zlib and libpng for the web layer with Emscripten, from the Debian
# sources of the versions the native build links (bookworm's zlib 1.2.13 and
# libpng 1.6.39 with Debian's patches), so pictures decode to the same
# pixels in the page. Decoding a PNG is exact integer work: the same source
# gives the same pixels on any machine.
#
# The sources are downloaded once, checked against the SHA-256 sums that
# Debian's source packages (.dsc) list, and kept in the cache with the built
# libraries: later builds need no network.
# Usage: web-libpng.sh [--print-prefix]
set -euo pipefail

zlib_version=1.2.13.dfsg-1
png_version=1.6.39-2+deb12u1
cache=${ZIVRO_WEB_CACHE:-$HOME/.cache/zivro-web}
# The name says how the libraries were built, so a change of flags builds anew.
prefix=$cache/libpng-$png_version-zlib-$zlib_version-zprefix2
if [ "${1:-}" = --print-prefix ]; then
  echo "$prefix"
  exit 0
fi
[ -f "$prefix/lib/libpng.a" ] && [ -f "$prefix/lib/libz.a" ] && exit 0

pool=http://deb.debian.org/debian/pool/main
files=(
  "71feb7947e3c00ef125f83b79a4e529bde31171e5babe48b391f06758d1ab0a1 z/zlib/zlib_1.2.13.dfsg.orig.tar.bz2"
  "a00e9d2f2f664186e4202db9299397f851aea71b36a35e74910b8820e380d441 libp/libpng1.6/libpng1.6_1.6.39.orig.tar.gz"
  "a73d8896e915e623873902ec2f1f51d0aa4c93d8f51c11f56a627cd79336c9ba libp/libpng1.6/libpng1.6_${png_version}.debian.tar.xz"
)
for tool in emcc emar curl patch; do
  command -v "$tool" > /dev/null || {
    echo "web-libpng: $tool is missing (scripts/install-deps.sh web installs it)" >&2
    exit 1
  }
done

mkdir -p "$cache/download"
for entry in "${files[@]}"; do
  sum=${entry%% *}
  pool_path=${entry#* }
  path=$cache/download/${pool_path##*/}
  if [ ! -f "$path" ] || ! echo "$sum  $path" | sha256sum -c --status; then
    curl -fsSL -o "$path.part" "$pool/$pool_path" || {
      echo "web-libpng: cannot download $pool/$pool_path" >&2
      exit 1
    }
    echo "$sum  $path.part" | sha256sum -c --status || {
      echo "web-libpng: ${pool_path##*/} does not have the pinned SHA-256 sum" >&2
      exit 1
    }
    mv "$path.part" "$path"
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tar -xf "$cache/download/zlib_1.2.13.dfsg.orig.tar.bz2" -C "$work"
tar -xf "$cache/download/libpng1.6_1.6.39.orig.tar.gz" -C "$work"
tar -xf "$cache/download/libpng1.6_${png_version}.debian.tar.xz" -C "$work"
zlib_dir=$work/zlib-1.2.13.dfsg
png_dir=$work/libpng-1.6.39
while read -r patch_name; do
  case $patch_name in "" | "#"*) continue ;; esac
  patch -d "$png_dir" -p1 -s < "$work/debian/patches/$patch_name"
done < "$work/debian/patches/series"

export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
mkdir -p "$work/out/lib" "$work/out/include" "$work/objects/z" "$work/objects/png"
# The libraries' own sources, compiled as their makefiles do; the page needs
# no configure step: zlib takes its defaults, libpng its prebuilt settings.
# FreeType links its own copy of zlib's inflate, whose functions keep their
# names: zlib's interface gets its z_ prefix here (as its configure --zprefix
# does), and the internal names that copy shares get one of their own.
sed -i '1i #define Z_PREFIX' "$zlib_dir/zconf.h"
zlib_internal=()
for name in z_errmsg inflate_fast inflate_table inflate_copyright zcalloc zcfree zmemcpy zmemcmp \
  zmemzero; do
  zlib_internal+=("-D$name=zivro_$name")
done
compile() {
  local objects=$1 source_dir=$2
  shift 2
  for source in "$@"; do
    emcc -O2 "${zlib_internal[@]}" -I"$source_dir" -I"$zlib_dir" -c "$source_dir/$source" \
      -o "$objects/${source%.c}.o" 2>> "$work/build.log" || {
      tail -20 "$work/build.log" >&2
      echo "web-libpng: compiling $source with Emscripten failed" >&2
      exit 1
    }
  done
}
# zlib without its gz* file functions, which libpng never calls.
compile "$work/objects/z" "$zlib_dir" adler32.c compress.c crc32.c deflate.c infback.c inffast.c \
  inflate.c inftrees.c trees.c uncompr.c zutil.c
cp "$png_dir/scripts/pnglibconf.h.prebuilt" "$png_dir/pnglibconf.h"
compile "$work/objects/png" "$png_dir" png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c \
  pngrio.c pngrtran.c pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c
emar rcs "$work/out/lib/libz.a" "$work"/objects/z/*.o
emar rcs "$work/out/lib/libpng.a" "$work"/objects/png/*.o
cp "$zlib_dir/zlib.h" "$zlib_dir/zconf.h" "$png_dir/png.h" "$png_dir/pngconf.h" \
  "$png_dir/pnglibconf.h" "$work/out/include/"
rm -rf "$prefix.part"
mv "$work/out" "$prefix.part"
mv "$prefix.part" "$prefix"
echo "web-libpng: zlib $zlib_version and libpng $png_version for Emscripten in $prefix"
