#!/usr/bin/env bash
# Builds the engine's third-party libraries for the browser with Emscripten (Debian's emcc), once per
# machine (scripts/cached-deps.sh), and prints the prefix that holds them. They are static and
# position-independent: the game links them into a main module, the engine into a side module.
# Emscripten's "ports" are never used: they download.
set -euo pipefail
source "$(dirname "$0")/cached-deps.sh"
source "$root/scripts/web-env.sh"
target=web
compiler="$(emcc -v 2>&1 | head -2 | tr '\n' ' '); emscripten $(dpkg-query -W -f '${Version}' emscripten)"

configure() {
  local src=$1 build=$2 deps=$3 install=$4; shift 4
  emcmake cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
    -DCMAKE_C_FLAGS="-fPIC" -DCMAKE_INSTALL_PREFIX="$install" -DCMAKE_PREFIX_PATH="$deps" \
    -DCMAKE_FIND_ROOT_PATH="$deps" "$@"
}

# One thread: threads in a page need cross-origin isolation headers a plain host does not send.
sdl2_args+=(-DSDL_THREADS=OFF -DSDL_PTHREADS=OFF -DSDL_ASSEMBLY=OFF)
# CMake cannot run a test program to learn size_t's size under Emscripten: wasm32's is 4.
jpeg_args+=(-DSIZE_T=4)
# libpng's x86 code paths (Emscripten calls its processor x86) are not for wasm.
png_args+=(-DPNG_HARDWARE_OPTIMIZATIONS=OFF)
build_libraries
