#!/usr/bin/env bash
# Cross-builds the engine's third-party libraries for Windows, static, from Debian's own source packages:
# SDL2 (video, events, timer and the software renderer only), libjpeg-turbo, zlib, libpng and SDL2_image
# (decoding PNG with libpng and JPEG with libjpeg-turbo, as on Linux: the same decoders, the same limits
# and the same answers to damaged files on both systems). Everything lands in <deps>/prefix; each
# library leaves a stamp there, so a later run returns at once. SDL2_image's stamp holds its
# configuration: another one (a decoder added) builds it again. The system's apt sources are never
# touched: the sources are fetched through a private apt folder under <deps>.
set -euo pipefail
deps=$(mkdir -p "${1:?deps folder}" && cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$root/cmake/mingw-w64.cmake
prefix=$deps/prefix
jobs=${JOBS:-$(nproc)}
triple=x86_64-w64-mingw32
mkdir -p "$prefix"

# name of the Debian source package, the folder prefix dpkg-source extracts it to
packages=(libsdl2:SDL2 libjpeg-turbo:libjpeg-turbo zlib:zlib libpng1.6:libpng libsdl2-image:SDL2_image)

image_args=(-DBUILD_SHARED_LIBS=OFF -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_TESTS=OFF -DSDL2IMAGE_BACKEND_STB=OFF
  -DSDL2IMAGE_BACKEND_WIC=OFF -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_PNG=ON
  -DSDL2IMAGE_JPG=ON -DSDL2IMAGE_TGA=ON -DSDL2IMAGE_BMP=ON -DSDL2IMAGE_GIF=OFF -DSDL2IMAGE_LBM=OFF
  -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF -DSDL2IMAGE_QOI=OFF -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_XCF=OFF
  -DSDL2IMAGE_XPM=OFF -DSDL2IMAGE_XV=OFF -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_TIF=OFF
  -DSDL2IMAGE_WEBP=OFF)

# What each library's stamp must hold: its configuration where a change of it needs a new build, else
# nothing (the stamp's presence is enough).
stamp_key() { if [ "$1" = libsdl2-image ]; then echo "${image_args[*]}"; fi; }
built() { [ -f "$prefix/.$1.stamp" ] && [ "$(cat "$prefix/.$1.stamp")" = "$(stamp_key "$1")" ]; }
stamp() { stamp_key "$1" >"$prefix/.$1.stamp"; }

source "$root/scripts/debian-sources.sh"
# Built, and built with the configuration the stamp records (not only present).
all_built() {
  for entry in "${packages[@]}"; do built "${entry%%:*}" || return 1; done
}
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
  stamp "$name"
}

fetch_sources

if ! built libsdl2; then
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

if ! built libjpeg-turbo; then
  echo "cross-building libjpeg-turbo"
  cross_cmake libjpeg-turbo "$(extract libjpeg-turbo)" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
    -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF
fi

# zlib's static library alone: its CMake build would install a DLL beside it, which the libraries after
# it would link instead (and Debian's sources lack zlib's own makefile for MinGW).
if ! built zlib; then
  echo "cross-building zlib"
  src=$(extract zlib)
  build=$deps/build/zlib
  cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >"$deps/build-zlib.log"
  cmake --build "$build" -j "$jobs" --target zlibstatic >>"$deps/build-zlib.log"
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$(find "$build" -maxdepth 1 -name 'lib*.a' | head -1)" "$prefix/lib/libz.a"
  cp "$src/zlib.h" "$build/zconf.h" "$prefix/include/"
  rm -rf "$build" "$src"
  stamp zlib
fi

if ! built libpng1.6; then
  echo "cross-building libpng"
  cross_cmake libpng1.6 "$(extract libpng1.6)" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DPNG_FRAMEWORK=OFF
fi

if ! built libsdl2-image; then
  echo "cross-building SDL2_image"
  cross_cmake libsdl2-image "$(extract libsdl2-image)" "${image_args[@]}"
fi
