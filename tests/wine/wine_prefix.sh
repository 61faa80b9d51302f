# Sourced by the scripts that run Windows programs under Wine: a Wine prefix
# of their own, booted, with either the null display driver (no display
# needed) or unmanaged, undecorated X11 windows (for tests on Xvfb).

# Whether this machine runs 32-bit programs: some kernels (virtual machines
# without IA-32 emulation) refuse them with "Exec format error".
runs_32_bit() { /usr/lib/wine/wine --version > /dev/null 2>&1; }

# wine_can_run EXE: whether Wine here can run EXE; if not, prints why.
wine_can_run() {
  local pe_offset machine
  pe_offset=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  machine=$(od -An -t x2 -j $((pe_offset + 4)) -N 2 "$1" | tr -d ' ')
  [ "$machine" = 014c ] || return 0
  if ! dpkg-query -W -f='${Status}' wine32:i386 2> /dev/null | grep -q 'install ok installed'; then
    echo "skipped: $1 is 32-bit and wine32 (i386) is not installed"
    return 1
  fi
  if ! runs_32_bit; then
    echo "skipped: $1 is 32-bit and this machine's kernel cannot run 32-bit programs"
    return 1
  fi
}

# wine_prefix_start null|x11: exports WINEPREFIX and boots it.
wine_prefix_start() {
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/zivro-wine.XXXXXX")
  # Debian's wine starts its 32-bit loader whenever wine32 is installed;
  # where that cannot run, 64-bit programs go straight to the 64-bit one.
  if [ -x /usr/lib/wine/wine ] && ! runs_32_bit; then
    mkdir -p "$WINEPREFIX/bin"
    for name in wine wine-stable; do
      printf '#!/bin/sh\nWINELOADER=/usr/lib/wine/wine64 exec /usr/lib/wine/wine64 "$@"\n' \
        > "$WINEPREFIX/bin/$name"
      chmod +x "$WINEPREFIX/bin/$name"
    done
    PATH=$WINEPREFIX/bin:$PATH
  fi
  export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset WAYLAND_DISPLAY
  [ "$1" = null ] && unset DISPLAY
  wineboot -i > /dev/null 2>&1
  if [ "$1" = null ]; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f > /dev/null 2>&1
  else
    for value in Managed Decorated; do
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /t REG_SZ /d N /f > /dev/null 2>&1
    done
  fi
  # Without this the next program may still start with the old settings.
  wineserver -w
}

# Stops what runs in the prefix and removes it.
wine_prefix_stop() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  wineserver -k > /dev/null 2>&1 || true
  wineserver -w > /dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
