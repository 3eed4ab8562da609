#!/usr/bin/env bash
# The tool in a browser: builds the static site (the page, its WebAssembly,
# the service worker, the manifest and the icons) into build/web/site/ with
# Emscripten, then serves it at http://127.0.0.1:$PORT/ (PORT defaults to
# 8000) until Ctrl-C. With --build-only it stops after the build.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/ensure-packages.sh
ensure_packages "${WEB_PACKAGES[@]}"

build_only=false
case "${1:-}" in
  --build-only) build_only=true ;;
  "") ;;
  *) echo "usage: $0 [--build-only]" >&2; exit 2 ;;
esac

use_emscripten_cache  # the preset gives NODE_PATH (Debian's acorn)

cmake --preset web
cmake --build --preset web
site=build/web/site
echo "Site in $site:"
(cd "$site" && ls -l)
$build_only && exit 0

port=${PORT:-8000}
echo "Serving $site at http://127.0.0.1:$port/ (Ctrl-C ends)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
