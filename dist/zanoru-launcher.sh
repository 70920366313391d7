#!/bin/sh
# Starts an installed Zanoru in the player's own folder: the game reads and writes records.vyx and
# PlayerN.cgm in its working directory, so that folder must belong to the player, while the pictures
# and the engine stay read-only in the install, linked from there.
set -eu

# The install is found from where this script really lives: a link to it (in ~/bin, say) leads there.
self=$(readlink -f -- "$0")
prefix=$(dirname -- "$(dirname -- "$self")")
libdir="$prefix/lib/zanoru"
datadir="$prefix/@ZANORU_INSTALL_DATADIR@"
if [ ! -x "$libdir/zanoru" ]; then
  echo "zanoru: the game is not installed beside this launcher ($libdir/zanoru is missing)" >&2
  exit 1
fi

# A relative XDG_DATA_HOME is invalid and is ignored, as the XDG base directory rules say.
case "${XDG_DATA_HOME:-}" in
  /*) player="$XDG_DATA_HOME/zanoru" ;;
  *) player="${HOME:?}/.local/share/zanoru" ;;
esac

# Data and DX in the player's folder must be our links. Anything else there is the player's own and
# is left as it is; it is looked at before anything is changed.
for pair in "Data:$datadir/Data" "DX:$libdir/DX"; do
  name=${pair%%:*}
  if [ -e "$player/$name" ] && [ ! -L "$player/$name" ]; then
    echo "zanoru: $player/$name is not the game's link but a file or folder of its own;" \
      "move it away and start again (nothing was changed)" >&2
    exit 1
  fi
done

mkdir -p -- "$player"
for pair in "Data:$datadir/Data" "DX:$libdir/DX"; do
  name=${pair%%:*}
  target=${pair#*:}
  # A link that is already right is left alone, so a read-only folder set up once keeps working.
  if [ -L "$player/$name" ] && [ "$(readlink -- "$player/$name")" = "$target" ]; then
    continue
  fi
  ln -sfn -- "$target" "$player/$name"
done
cd -- "$player"
exec "$libdir/zanoru" "$@"
