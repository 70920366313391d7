#!/usr/bin/env bash
# Cross-builds the engine's third-party libraries for Windows (mingw-w64), once per machine
# (scripts/cached-deps.sh), and prints the prefix that holds them.
set -euo pipefail
source "$(dirname "$0")/cached-deps.sh"
target=windows
compiler="$(dpkg-query -W -f '${Package} ${Version}, ' gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix \
  mingw-w64-x86-64-dev binutils-mingw-w64-x86-64)toolchain file $(sha256sum <"$root/cmake/mingw-w64.cmake" | cut -c1-16)"

configure() {
  local src=$1 build=$2 deps=$3 install=$4; shift 4
  cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$install" -DCMAKE_PREFIX_PATH="$deps" "$@"
}

sdl2_args+=(-DSDL_THREADS=ON -DSDL_RENDER_D3D=OFF -DSDL_DIRECTX=OFF -DSDL_WASAPI=OFF -DSDL_XINPUT=OFF)
build_libraries
