#!/usr/bin/env bash
# The browser tests: the web build's pages in headless Chromium, against the
# headless runner of a native build.
# Usage: run_browser_tests.sh WEB_BUILD_DIR NATIVE_BUILD_DIR
set -euo pipefail
web=$1
native=$2
for tool in /usr/bin/chromium /usr/bin/chromedriver; do
  [ -x "$tool" ] || {
    echo "web browser: $tool is missing (scripts/install-deps.sh web installs it)" >&2
    exit 1
  }
done
/usr/bin/python3 -c 'import selenium' 2> /dev/null || {
  echo "web browser: python3-selenium is missing (scripts/install-deps.sh web installs it)" >&2
  exit 1
}
getent hosts localhost > /dev/null || {
  echo "web browser: the name localhost does not resolve (add it to /etc/hosts); Selenium reaches chromedriver by it" >&2
  exit 1
}
[ -f "$web/site/cargame.wasm" ] || {
  echo "web browser: no web build in $web (cmake --preset web && cmake --build --preset web)" >&2
  exit 1
}
exec /usr/bin/python3 "$(dirname "$0")/browser_test.py" "$web/site" "$native"
