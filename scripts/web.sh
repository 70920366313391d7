#!/usr/bin/env bash
# `make web`: the game for the browser in build/web (index.html, zanoru.js, zanoru.wasm, zanoru.data) and
# build/web/zanoru-<version>-web.zip; the game's test build (a fixed seed, for the browser tests only) in
# build/web-build/seeded. The libraries are built once per machine (scripts/web-deps.sh, into the user's
# cache folder); the data is baked natively, by the native build given as $1 or else by a tools-only
# build of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/web
work=$root/build/web-build
jobs=${JOBS:-$(nproc)}
source "$root/scripts/web-env.sh"

prefix=$(bash "$root/scripts/web-deps.sh")

native=${1:-}
if [ -z "$native" ]; then
  native=$root/build/web-native
  cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Release -DZANORU_TESTS=OFF -DZANORU_BENCH=OFF >/dev/null
  cmake --build "$native" -j "$jobs" --target game_data
fi
native=$(cd "$native" && pwd)

emcmake cmake -S "$root" -B "$work" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
  -DZANORU_GAME_DIR="$out" -DZANORU_DATA_DIR="$native/game/Data" -DZANORU_WERROR="${ZANORU_WERROR:-OFF}" >/dev/null
cmake --build "$work" -j "$jobs"
echo "The browser build is in $out (serve the folder; $(basename "$out"/zanoru-*-web.zip) holds it for a static host)"
