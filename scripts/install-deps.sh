#!/usr/bin/env bash
# Installs the Debian packages the build, the tools and the tests need, only when some are missing,
# so a fresh machine needs nothing else and a prepared one pays only for a dpkg query.
set -euo pipefail
packages=(
  cmake make pkg-config g++ clang libclang-rt-14-dev
  libsdl2-dev libsdl2-image-dev libjpeg62-turbo-dev
  libcairo2-dev libfreetype-dev libstb-dev fonts-dejavu-core
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xdotool x11-apps x11-utils libx11-dev libxfixes-dev desktop-file-utils appstream
  xfonts-base  # the X fonts SDL's message box draws with
  g++-mingw-w64-x86-64-posix wine wine64 dpkg-dev ccache
)
# web: the browser build and its tests (make web, label web): Debian's Emscripten (its system libraries
# come prebuilt), Chromium run headless by the tests, and npm for their driver (tests/web/package.json),
# unless the node on PATH brings its own npm.
web_packages=(emscripten chromium python3)
command -v npm >/dev/null || web_packages+=(npm)
packages+=("${web_packages[@]}")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
