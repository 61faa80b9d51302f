#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the build and the tests need, if missing.
set -euo pipefail

# Usage: install-deps.sh [desktop] [web] [test] [deb] [fresh]: the build's own packages always
# (with zivro-grade's libraries and bubblewrap, which sandboxes the programs it grades);
# with "desktop" FLTK for the desktop build; with "web" Emscripten and FreeType,
# zlib and libpng built with it (scripts/web-freetype.sh, scripts/web-libpng.sh,
# downloaded once and cached), fonttools (the page's faces cut to the
# package's characters), brotli (the site's files precompressed), and
# Chromium with its WebDriver for the browser tests; with "test" what the tests
# need besides (libFuzzer, an X server, a window manager, xdotool and
# ImageMagick for the end-to-end tests; MinGW-w64, Wine and GoogleTest's
# sources for the Windows builds and their tests, and all of "web"); with "deb" debhelper,
# lintian and the desktop build's packages, for building the Debian packages
# (tests/debian/check_packages.sh); with "fresh" debootstrap for the
# fresh-machine check.
packages=(cmake ninja-build g++ pkg-config libfreetype-dev libfontconfig-dev fonts-liberation2
  fonts-dejavu-core libpng-dev libcli11-dev nlohmann-json3-dev libtomlplusplus-dev libwebp-dev bubblewrap)
web_packages=(emscripten node-acorn binaryen curl ca-certificates xz-utils bzip2 patch chromium
  chromium-driver python3-selenium python3-pytest fonttools brotli)
web=false
for want in "$@"; do
  case $want in
    web)
      packages+=("${web_packages[@]}")
      web=true
      ;;
    desktop) packages+=(libfltk1.3-dev fluid libx11-dev) ;;
    test)
      packages+=(clang libgtest-dev libbenchmark-dev libfltk1.3-dev fluid libx11-dev xvfb openbox
        x11-xserver-utils xdotool imagemagick x11-utils mingw-w64 g++-mingw-w64-x86-64
        g++-mingw-w64-i686 wine wine64 googletest wine32:i386 python3-junitparser
        "${web_packages[@]}")
      web=true
      ;;
    deb) packages+=(build-essential debhelper dpkg-dev lintian fontconfig libfltk1.3-dev fluid libx11-dev) ;;
    fresh) packages+=(debootstrap) ;;
  esac
done

# libFuzzer's runtime: the unversioned package where the release has one.
if [[ " $* " == *" test "* ]]; then
  if apt-cache show libclang-rt-dev > /dev/null 2>&1; then
    packages+=(libclang-rt-dev)
  else
    clang_major=$(clang --version 2> /dev/null | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -1)
    packages+=("libclang-rt-${clang_major:-14}-dev")
  fi
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  [ "$web" = false ] || { "$(dirname "$0")/web-freetype.sh" && exec "$(dirname "$0")/web-libpng.sh"; }
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
# The 32-bit Windows build's tests need 32-bit Wine.
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
# A mirror in the middle of a sync fails one index now and then: try again,
# then go on with the indexes that did arrive (the install names what it
# cannot find).
for attempt in 1 2 3; do
  "${sudo[@]}" apt-get update -qq && break
  [ "$attempt" -lt 3 ] && sleep 10 || echo "apt-get update failed 3 times; installing from the indexes it has"
done
if ! "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
  # The 32-bit Wine comes from the i386 archive, which a mirror may not
  # serve whole; without it only the 32-bit Windows tests cannot run, and
  # they say so themselves.
  [[ " ${missing[*]} " == *" wine32:i386 "* ]] || exit 1
  echo "wine32 (i386) could not be installed; installing the rest without it"
  rest=()
  for package in "${missing[@]}"; do [ "$package" = wine32:i386 ] || rest+=("$package"); done
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${rest[@]}"
fi
[ "$web" = false ] || { "$(dirname "$0")/web-freetype.sh" && exec "$(dirname "$0")/web-libpng.sh"; }
