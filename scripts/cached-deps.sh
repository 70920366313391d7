# Sourced by windows-deps.sh and web-deps.sh: the engine's third-party libraries, static, from Debian's
# own source packages, built once per machine into the user's cache folder
# (${XDG_CACHE_HOME:-~/.cache}/zanoru/<target>/), where a second clone, CI's fresh clone and a re-run
# find them: SDL2 (video, events, timer and the software renderer), libjpeg-turbo, zlib, libpng and
# SDL2_image decoding PNG with libpng and JPEG with libjpeg-turbo, as on Linux (the same decoders, the
# same limits, the same answers to damaged files on every system).
#
# The libraries are built one after another, each into a prefix holding it and every one before it
# (hard links of the previous prefix: the cache holds each file once), named by a key: a digest of the
# library's configuration, its source package's version, the compilers' versions, the build functions
# below and the previous prefix's name. A change of any of them builds that library and those after it
# anew; SDL2, the longest to build, comes first. Each prefix keeps one stamp per library,
# zanoru-stamps/<library>, holding the text its key was made from. A prefix is built in a folder of its
# own and renamed into place when whole, one clone at a time (a lock): a clone that finds another
# building the same library waits and takes its prefix. Nothing is ever removed: `rm -rf` the folder
# to reclaim the space.
#
# The caller sets `target` (the cache's subfolder) and `compiler` (the versions of everything of the
# toolchain that changes what is built), defines `configure <source> <build> <prefix of the libraries
# before> <install prefix> <arguments...>` (CMake's configure step for its system), may add to the
# arrays *_args, then calls `build_libraries`, which prints the prefix holding them all.

cache=${XDG_CACHE_HOME:-$HOME/.cache}/zanoru
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${JOBS:-$(nproc)}
source "$root/scripts/debian-sources.sh"

# The parts of SDL2 the engine never uses are off on every system; the callers add their own.
sdl2_args=(-DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_STATIC_PIC=ON -DSDL_TEST=OFF -DSDL_RENDER=ON -DSDL_VIDEO=ON
  -DSDL_EVENTS=ON -DSDL_TIMERS=ON -DSDL_LOADSO=ON -DSDL_ATOMIC=ON -DSDL_FILE=ON)
for part in AUDIO JOYSTICK HAPTIC HIDAPI SENSOR POWER LOCALE MISC OPENGL OPENGLES VULKAN DISKAUDIO DUMMYAUDIO \
            VIRTUAL_JOYSTICK; do
  sdl2_args+=("-DSDL_$part=OFF")
done
jpeg_args=(-DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF)
zlib_args=()
png_args=(-DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_FRAMEWORK=OFF)
image_args=(-DBUILD_SHARED_LIBS=OFF -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_TESTS=OFF -DSDL2IMAGE_BACKEND_STB=OFF
  -DSDL2IMAGE_BACKEND_WIC=OFF -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_PNG=ON
  -DSDL2IMAGE_JPG=ON -DSDL2IMAGE_TGA=ON -DSDL2IMAGE_BMP=ON -DSDL2IMAGE_GIF=OFF -DSDL2IMAGE_LBM=OFF
  -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF -DSDL2IMAGE_QOI=OFF -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_XCF=OFF
  -DSDL2IMAGE_XPM=OFF -DSDL2IMAGE_XV=OFF -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_TIF=OFF
  -DSDL2IMAGE_WEBP=OFF)

prefix=
declare -A version_of

build_libraries() {
  local fetched name version
  fetched=$(fetch_sources libsdl2 libjpeg-turbo zlib libpng1.6 libsdl2-image)
  while read -r name version; do version_of[$name]=$version; done <<<"$fetched"
  library SDL2 libsdl2 "${sdl2_args[@]}"
  library libjpeg-turbo libjpeg-turbo "${jpeg_args[@]}"
  library zlib zlib "${zlib_args[@]}"
  library libpng libpng1.6 "${png_args[@]}"
  library SDL2_image libsdl2-image "${image_args[@]}"
  echo "$prefix"
}

# library <name> <source package> <configure arguments...>: the prefix of the libraries so far and this
# one, built unless the cache has it.
library() {
  local name=$1 package=$2; shift 2
  local stamp key dir
  stamp=$(printf '%s\n' "$name from Debian's source package $package ${version_of[$package]}" \
    "configured with: $*" "toolchain: $compiler; $(cmake --version | head -1)" \
    "after: ${prefix:+$(basename "$prefix")}" "built by:" "$(declare -f configure build_library)")
  key=$(printf '%s' "$stamp" | sha256sum | cut -c1-16)
  dir=$cache/$target/$name-$key
  if [ ! -d "$dir" ]; then
    mkdir -p "$cache/$target"
    (
      flock 9
      if [ ! -d "$dir" ]; then build_library "$dir" "$name" "$package" "$stamp" "$@"; fi
    ) 9>"$dir.lock"
  fi
  prefix=$dir
}

# Runs one step of a build into the library's log; a failure shows the log's end and names it.
step() {
  echo "+ $*" >>"$log"
  "$@" >>"$log" 2>&1 || {
    tail -30 "$log" >&2
    echo "$(basename "$0"): building $name for $target failed at: $*"$'\n'"the whole log is $log" >&2
    exit 1
  }
}

build_library() {
  local dir=$1 name=$2 package=$3 stamp=$4; shift 4
  local work=$dir.part log=$dir.log
  echo "building $name for $target (once per machine; the log is $log)" >&2
  rm -rf "$work" && mkdir -p "$work"
  : >"$log"
  step extract "$package" "${version_of[$package]}" "$work/src"
  # Debian's zlib has no win32/ folder, whose resource file zlib's CMake names for its shared library
  # outside MinGW (never built here, yet named).
  if [ "$name" = zlib ]; then mkdir -p "$work/src/win32" && touch "$work/src/win32/zlib1.rc"; fi
  step configure "$work/src" "$work/build" "$prefix" "$dir" "$@"
  if [ "$name" = zlib ]; then
    # zlib's static library alone: its CMake build would install a shared one beside it, which the
    # libraries after it would link instead.
    step nice cmake --build "$work/build" -j "$jobs" --target zlibstatic
    mkdir -p "$work/new/lib" "$work/new/include"
    cp "$(find "$work/build" -maxdepth 1 -name 'lib*.a' | head -1)" "$work/new/lib/libz.a"
    cp "$work/src/zlib.h" "$work/build/zconf.h" "$work/new/include/"
  else
    step nice cmake --build "$work/build" -j "$jobs"
    step env DESTDIR="$work/dest" cmake --install "$work/build"
    mv "$work/dest$dir" "$work/new"
  fi
  mkdir -p "$work/new/zanoru-stamps" "$work/prefix"
  echo "$stamp" >"$work/new/zanoru-stamps/$name"
  if [ -n "$prefix" ]; then cp -al "$prefix/." "$work/prefix/"; fi
  cp -alf "$work/new/." "$work/prefix/"
  mv "$work/prefix" "$dir"
  rm -rf "$work"
}
