#!/usr/bin/env bash
# The browser tests: the web build's pages in headless Chromium, against the
# headless runner of a native build.
# Usage: run_browser_tests.sh WEB_BUILD_DIR NATIVE_BUILD_DIR [PYTEST_ARGUMENTS...]
# (e.g. -k gets_dialog for one test). ctest runs it from the web build.
set -euo pipefail
web=${1:?web build directory}
native=${2:?native build directory}
shift 2
for tool in /usr/bin/chromium /usr/bin/chromedriver; do
  [ -x "$tool" ] || {
    echo "web browser: $tool is missing (scripts/install-deps.sh web installs it)" >&2
    exit 1
  }
done
for module in selenium:python3-selenium pytest:python3-pytest; do
  /usr/bin/python3 -c "import ${module%%:*}" 2> /dev/null || {
    echo "web browser: ${module#*:} is missing (scripts/install-deps.sh web installs it)" >&2
    exit 1
  }
done
getent hosts localhost > /dev/null || {
  echo "web browser: the name localhost does not resolve (add it to /etc/hosts); Selenium reaches chromedriver by it" >&2
  exit 1
}
[ -f "$web/site/cargame.wasm" ] || {
  echo "web browser: no web build in $web (cmake --preset web && cmake --build --preset web)" >&2
  exit 1
}
[ -x "$native/game/cargame-headless" ] || {
  echo "web browser: no native build in $native to compare with (cmake --build --preset release)" >&2
  exit 1
}
ZIVRO_WEB_SITE=$(cd "$web/site" && pwd) ZIVRO_WEB_BUILD=$(cd "$web" && pwd) ZIVRO_HEADLESS_BUILD=$(cd "$native" && pwd) \
  exec /usr/bin/python3 -m pytest -p no:cacheprovider -q "$(dirname "$0")/browser_test.py" "$@"
