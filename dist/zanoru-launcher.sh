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

# Made by the launcher, the folder is closed to others whatever the umask.
(umask 022 && mkdir -p -- "$player")
cd -- "$player"
# The game saves its records here: in a folder another user made (first, in a shared folder such as
# /tmp) or may write to, records.vyx could be their link, and a save would cut one of the player's files
# through it. As ssh does with its own folder, the game plays only in one that is the player's (or
# root's) and that no one else may write to. The folder is looked at once the launcher stands in it: a
# name changed meanwhile cannot lead the game elsewhere.
me=$(id -u)
owner=$(stat -c %u -- .)
mode=$(stat -c %a -- .)
if [ "$owner" != "$me" ] && [ "$owner" != 0 ]; then
  echo "zanoru: $player belongs to another user (uid $owner); the game plays only in a folder of" \
    "your own: remove it or set XDG_DATA_HOME elsewhere (nothing was changed)" >&2
  exit 1
fi
if [ $((0$mode & 022)) -ne 0 ]; then
  echo "zanoru: others may write to $player (mode $mode); the game plays only in a folder no one" \
    "else may change: chmod go-w it (nothing was changed)" >&2
  exit 1
fi
# A link in place of the records is the player's choice only when the player made it.
if [ -L records.vyx ] && [ "$(stat -c %u -- records.vyx)" != "$me" ]; then
  echo "zanoru: $player/records.vyx is a link another user made; remove it (nothing was changed)" >&2
  exit 1
fi
for pair in "Data:$datadir/Data" "DX:$libdir/DX"; do
  name=${pair%%:*}
  target=${pair#*:}
  # A link that is already right is left alone, so a read-only folder set up once keeps working.
  if [ -L "$name" ] && [ "$(readlink -- "$name")" = "$target" ]; then
    continue
  fi
  ln -sfn -- "$target" "$name"
done
exec "$libdir/zanoru" "$@"
