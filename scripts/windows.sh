#!/usr/bin/env bash
# `make windows`: the game for Windows in build/windows/game (zanoru.exe, DX\OMEGA.dll, Data\, README.txt)
# and build/windows/zanoru-<version>-win64.zip. The libraries are cross-built once per machine
# (scripts/windows-deps.sh, into the user's cache folder); the data is baked natively, by the native
# build given as $1 or else by a tools-only build of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/windows
jobs=${JOBS:-$(nproc)}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

prefix=$(bash "$root/scripts/windows-deps.sh")

native=${1:-}
if [ -z "$native" ]; then
  native=$out/native
  cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Release -DZANORU_TESTS=OFF -DZANORU_BENCH=OFF "${launcher[@]}" >/dev/null
  cmake --build "$native" -j "$jobs" --target game_data
fi
native=$(cd "$native" && pwd)

cmake -S "$root" -B "$out/cross" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" -DZANORU_GAME_DIR="$out/game" -DZANORU_DATA_DIR="$native/game/Data" -DZANORU_ICON_FILE="$native/icons/zanoru.ico" \
  -DZANORU_WERROR="${ZANORU_WERROR:-OFF}" \
  "${launcher[@]}" >/dev/null
cmake --build "$out/cross" -j "$jobs"
