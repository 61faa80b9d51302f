#!/usr/bin/env bash
# Installs what is missing, builds the game and the examples for the browser
# (the `web` preset), and serves them on http://localhost:8000/ (PORT to
# change it) until interrupted.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh web
cmake --preset web > /dev/null
cmake --build --preset web
port=${PORT:-8000}
echo "Serving build/web/site: open http://localhost:$port/ (the game: http://localhost:$port/play.html?cargame)"
exec /usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web/site
