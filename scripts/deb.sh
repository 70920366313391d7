#!/usr/bin/env bash
# `make deb`: the game as a Debian package, build/deb/zanoru_<version>_<arch>.deb, built by Debian's own
# tools (dpkg-buildpackage, debhelper) from a copy of the source tree with dist/debian as its debian/
# folder, then checked by lintian.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/deb
version=$(sed -nE 's/^project\(zanoru VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "deb.sh: no version in CMakeLists.txt" >&2; exit 1; }
src=$out/zanoru-$version

rm -rf "$out"
mkdir -p "$src"
# The sources without the build folders, the version control and any debian/ of their own.
tar -C "$root" --exclude=./build --exclude=./.git --exclude=./debian -cf - . | tar -C "$src" -xf -
cp -a "$root/dist/debian" "$src/debian"
for f in changelog zanoru.6; do
  in=$src/debian/$f; [ -f "$in.in" ] && in=$in.in
  sed "s/@PROJECT_VERSION@/$version/g" "$in" >"$src/debian/$f.tmp"
  rm -f "$src/debian/$f.in"
  mv "$src/debian/$f.tmp" "$src/debian/$f"
done

(cd "$src" && nice dpkg-buildpackage -b -us -uc -j"${JOBS:-$(nproc)}" >"$out/build.log" 2>&1) || {
  tail -40 "$out/build.log" >&2
  echo "deb.sh: dpkg-buildpackage failed; the whole log is $out/build.log" >&2
  exit 1
}
deb=$(ls "$out"/zanoru_"$version"_*.deb)
echo "built $deb"
# Errors and warnings fail the build; the tags overridden are listed, with their reasons, in
# dist/debian/zanoru.lintian-overrides.
lintian --fail-on error,warning --display-info --show-overrides "$deb"
