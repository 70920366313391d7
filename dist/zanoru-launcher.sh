#!/bin/sh
# Starts an installed Zanoru in the player's own folder: the game reads and writes records.vyx and
# PlayerN.cgm in its working directory, so that folder must belong to the player, while the pictures
# and the engine stay read-only in the install, linked from there.
set -eu
here=$(CDPATH= cd "$(dirname "$0")" && pwd)
prefix=$(dirname "$here")
libdir="$prefix/lib/zanoru"
datadir="$prefix/share/zanoru"
player="${XDG_DATA_HOME:-${HOME:?}/.local/share}/zanoru"
mkdir -p "$player"
ln -sfn "$datadir/Data" "$player/Data"
ln -sfn "$libdir/DX" "$player/DX"
cd "$player"
exec "$libdir/zanoru" "$@"
