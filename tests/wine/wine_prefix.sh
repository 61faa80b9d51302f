# Sourced by the scripts that run Windows programs under Wine: a Wine prefix
# of their own, booted, with either the null display driver (no display
# needed) or unmanaged, undecorated X11 windows (for tests on Xvfb).

# wine_prefix_start null|x11: exports WINEPREFIX and boots it.
wine_prefix_start() {
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/zivro-wine.XXXXXX")
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
