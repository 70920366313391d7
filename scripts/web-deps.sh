#!/usr/bin/env bash
# Builds the third-party libraries for the browser with Emscripten (Debian's emcc), static and
# position-independent (the game links them into a main module, the engine into a side module), from
# Debian's own source packages: SDL2 (video, events and the software renderer; no threads, no audio),
# libjpeg-turbo and SDL2_image (its stb decoders, PNG written with its own deflate). Emscripten's "ports"
# are never used: they download. Everything lands in <deps>/prefix; each library leaves a stamp there, so
# a later run returns at once.
set -euo pipefail
deps=$(mkdir -p "${1:?deps folder}" && cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$deps/prefix
jobs=${JOBS:-$(nproc)}
mkdir -p "$prefix"
source "$root/scripts/web-env.sh"

packages=(libsdl2:SDL2 libjpeg-turbo:libjpeg-turbo libsdl2-image:SDL2_image)
source "$root/scripts/debian-sources.sh"
all_built && exit 0

web_cmake() {
  local name=$1 src=$2; shift 2
  local build=$deps/build/$name
  emcmake cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
    -DCMAKE_C_FLAGS="-fPIC" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" "$@" >"$deps/build-$name.log" 2>&1
  cmake --build "$build" -j "$jobs" >>"$deps/build-$name.log" 2>&1
  cmake --install "$build" >>"$deps/build-$name.log" 2>&1
  rm -rf "$build" "$src"
  touch "$prefix/.$name.stamp"
}

fetch_sources

if [ ! -f "$prefix/.libsdl2.stamp" ]; then
  echo "building SDL2 for the browser (a few minutes, once)"
  off=()
  for s in AUDIO JOYSTICK HAPTIC HIDAPI SENSOR POWER LOCALE MISC OPENGL OPENGLES VULKAN \
           DISKAUDIO DUMMYAUDIO VIRTUAL_JOYSTICK THREADS PTHREADS ASSEMBLY TEST SHARED; do
    off+=("-DSDL_$s=OFF")
  done
  web_cmake libsdl2 "$(extract libsdl2)" -DSDL_STATIC=ON -DSDL_STATIC_PIC=ON -DSDL_RENDER=ON \
    -DSDL_VIDEO=ON -DSDL_EVENTS=ON -DSDL_TIMERS=ON -DSDL_LOADSO=ON -DSDL_ATOMIC=ON -DSDL_FILE=ON "${off[@]}"
fi

if [ ! -f "$prefix/.libjpeg-turbo.stamp" ]; then
  echo "building libjpeg-turbo for the browser"
  # CMake cannot run a test program to learn size_t's size under Emscripten: wasm32's is 4.
  web_cmake libjpeg-turbo "$(extract libjpeg-turbo)" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
    -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DSIZE_T=4
fi

if [ ! -f "$prefix/.libsdl2-image.stamp" ]; then
  echo "building SDL2_image for the browser"
  web_cmake libsdl2-image "$(extract libsdl2-image)" -DBUILD_SHARED_LIBS=OFF -DSDL2IMAGE_SAMPLES=OFF \
    -DSDL2IMAGE_TESTS=OFF -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_DEPS_SHARED=OFF \
    -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_JPG=ON -DSDL2IMAGE_TGA=ON -DSDL2IMAGE_BMP=ON \
    -DSDL2IMAGE_GIF=OFF -DSDL2IMAGE_LBM=OFF -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF -DSDL2IMAGE_QOI=OFF \
    -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_XCF=OFF -DSDL2IMAGE_XPM=OFF -DSDL2IMAGE_XV=OFF -DSDL2IMAGE_AVIF=OFF \
    -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF -DSDL2_DIR="$prefix/lib/cmake/SDL2"
fi
