#!/bin/sh
# Serves the browser build (dist/web/, written by tools/build-web.sh) on
# 127.0.0.1 at PORT (default 8000) and prints its address; Ctrl+C stops it.
# Any static web server does as well: the page needs no special headers.
set -eu
cd "$(dirname "$0")/.."
PORT="${1:-8000}"
if [ ! -f dist/web/index.html ]; then
    echo "serve-web: dist/web/ has no build; run tools/build-web.sh first" >&2
    exit 1
fi
echo "serve-web: http://127.0.0.1:$PORT/"
exec python3 -m http.server "$PORT" --bind 127.0.0.1 --directory dist/web
