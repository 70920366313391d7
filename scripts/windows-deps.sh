#!/usr/bin/env bash
# Cross-builds the engine's third-party libraries for Windows, static, from Debian's own source packages:
# SDL2 (video, events, timer and the software renderer only), libjpeg-turbo and SDL2_image (stb
# decoders). Everything lands in <deps>/prefix; each library leaves a stamp there, so a later run
# returns at once. The system's apt sources are never touched: the sources are fetched through a
# private apt folder under <deps>.
set -euo pipefail
deps=$(mkdir -p "${1:?deps folder}" && cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$root/cmake/mingw-w64.cmake
prefix=$deps/prefix
jobs=${JOBS:-$(nproc)}
mkdir -p "$prefix"

# name of the Debian source package, the folder prefix dpkg-source extracts it to
packages=(libsdl2:SDL2 libjpeg-turbo:libjpeg-turbo libsdl2-image:SDL2_image)

source "$root/scripts/debian-sources.sh"
all_built && exit 0

cross_cmake() {
  local name=$1 src=$2; shift 2
  local build=$deps/build/$name
  cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" "$@" >"$deps/build-$name.log"
  cmake --build "$build" -j "$jobs" >>"$deps/build-$name.log"
  cmake --install "$build" >>"$deps/build-$name.log"
  # Only the installed library is needed from now on (the fetched archives stay for a rebuild).
  rm -rf "$build" "$src"
  touch "$prefix/.$name.stamp"
}

fetch_sources

if [ ! -f "$prefix/.libsdl2.stamp" ]; then
  echo "cross-building SDL2"
  off=()
  for s in AUDIO JOYSTICK HAPTIC HIDAPI SENSOR POWER LOCALE MISC OPENGL OPENGLES VULKAN \
           RENDER_D3D DIRECTX WASAPI XINPUT DISKAUDIO DUMMYAUDIO VIRTUAL_JOYSTICK; do
    off+=("-DSDL_$s=OFF")
  done
  cross_cmake libsdl2 "$(extract libsdl2)" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF \
    -DSDL_STATIC_PIC=ON -DSDL_RENDER=ON -DSDL_VIDEO=ON -DSDL_EVENTS=ON -DSDL_TIMERS=ON -DSDL_THREADS=ON \
    -DSDL_LOADSO=ON -DSDL_ATOMIC=ON "${off[@]}"
fi

if [ ! -f "$prefix/.libjpeg-turbo.stamp" ]; then
  echo "cross-building libjpeg-turbo"
  cross_cmake libjpeg-turbo "$(extract libjpeg-turbo)" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
    -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF
fi

if [ ! -f "$prefix/.libsdl2-image.stamp" ]; then
  echo "cross-building SDL2_image"
  cross_cmake libsdl2-image "$(extract libsdl2-image)" -DBUILD_SHARED_LIBS=OFF -DSDL2IMAGE_SAMPLES=OFF \
    -DSDL2IMAGE_TESTS=OFF -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_BACKEND_WIC=OFF -DSDL2IMAGE_DEPS_SHARED=OFF \
    -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_JPG=ON -DSDL2IMAGE_TGA=ON -DSDL2IMAGE_BMP=ON \
    -DSDL2IMAGE_GIF=OFF -DSDL2IMAGE_LBM=OFF -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF -DSDL2IMAGE_QOI=OFF \
    -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_XCF=OFF -DSDL2IMAGE_XPM=OFF -DSDL2IMAGE_XV=OFF -DSDL2IMAGE_AVIF=OFF \
    -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF
fi
