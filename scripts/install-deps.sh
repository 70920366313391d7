#!/usr/bin/env bash
# Installs the Debian packages one target of the Makefile needs, only when some are missing, so a fresh
# machine needs nothing else and a prepared one pays only for a dpkg query.
#   scripts/install-deps.sh [target]          installs for the target (play when none is named)
#   scripts/install-deps.sh --print [target]  prints the target's packages, one a line, and installs nothing
# Each target's list is its purpose's own packages on top of the lists it builds on: `make play` gets
# only the compiler, the libraries and the font it builds and plays with.
set -euo pipefail

# Building the game, its engine and its data, and playing it (the headless tour needs no X server).
# The engine shows its first frame through Xlib's own types (libx11-dev, which libsdl2-dev pulls in too).
play=(cmake make pkg-config g++
  libsdl2-dev libsdl2-image-dev libjpeg62-turbo-dev libx11-dev
  libcairo2-dev libfreetype-dev libstb-dev fonts-dejavu-core)
# The tests' own: GoogleTest, the test support's zlib, the real windows under Xvfb driven by xdotool
# and read back by xwd, the desktop files' and the manifest's validators, and the Windows build with
# Wine (make test runs the Wine tests after the Linux ones).
test_own=(libgtest-dev libgmock-dev googletest zlib1g-dev
  xvfb xdotool x11-apps x11-utils libx11-dev libxfixes-dev
  xfonts-base  # the X fonts SDL's message box draws with
  desktop-file-utils appstream libxml2-utils)
# The Windows build: the cross compiler (windres comes with its binutils), dpkg-source for the
# libraries' Debian source packages, Wine to run it, ccache to rebuild it quickly.
windows_own=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 dpkg-dev wine wine64 ccache)
# libFuzzer and its sanitizers come with clang.
fuzz_own=(clang libclang-rt-14-dev zlib1g-dev)
# The Debian package: Debian's own tools to build it and to check it.
deb_own=(debhelper dpkg-dev fakeroot lintian appstream desktop-file-utils)
# The benchmarks (-DZANORU_BENCH=ON).
bench_own=(libbenchmark-dev zlib1g-dev)
# The browser build and its tests (make web, label web): Debian's Emscripten (its system libraries come
# prebuilt), dpkg-source for the libraries' Debian source packages, Chromium run headless by the tests,
# python3 for the export list, and npm for the tests' driver (tests/web/package.json), unless the node
# on PATH brings its own npm.
web_own=(emscripten dpkg-dev chromium python3)
command -v npm >/dev/null || web_own+=(npm)

packages_for() {
  case $1 in
    play) echo "${play[@]}" ;;
    test) echo "${play[@]} ${test_own[@]} ${windows_own[@]} ${web_own[@]}" ;;
    test-linux) echo "${play[@]} ${test_own[@]}" ;;
    tsan) echo "${play[@]} libgtest-dev libgmock-dev googletest zlib1g-dev" ;;
    windows) echo "${play[@]} ${windows_own[@]}" ;;
    fuzz) echo "${play[@]} ${fuzz_own[@]}" ;;
    deb) echo "${play[@]} ${test_own[@]} ${deb_own[@]}" ;;  # its install test is one of the tests
    bench) echo "${play[@]} ${bench_own[@]}" ;;
    web) echo "${play[@]} ${web_own[@]}" ;;
    *) echo "install-deps.sh: no target '$1' (play, test, test-linux, tsan, windows, fuzz, deb, bench, web)" >&2; return 1 ;;
  esac
}

print=0
if [ "${1:-}" = "--print" ]; then
  print=1
  shift
fi
target=${1:-play}
list=$(packages_for "$target")
# One of each, in the order first named.
mapfile -t packages < <(tr ' ' '\n' <<<"$list" | awk 'NF && !seen[$0]++')

if [ $print -eq 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing for $target: ${missing[*]}"
sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
$sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
