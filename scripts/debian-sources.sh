# Sourced by the scripts that cross-build third-party libraries (windows-deps.sh, web-deps.sh): Debian's
# own source packages fetched through a private apt folder under $deps (the system's apt sources are
# never touched) and extracted with Debian's patches applied. The caller sets `deps` (an absolute
# folder) and `packages` (entries "<source package>:<folder prefix>").

apt_dir=$deps/apt
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources"
  -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" -o Dir::State::status=/var/lib/dpkg/status
  -o Debug::NoLocking=1 -o APT::Sandbox::User=root)

fetch_sources() {
  mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$deps/src"
  if [ ! -f "$apt_dir/.updated" ]; then
    rm -f "$apt_dir/sources"/*
    # The system's sources, as source sources: deb822 files get Types: deb-src, one-line lists deb-src.
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && sed -E 's/^Types:.*/Types: deb-src/' "$f" >"$apt_dir/sources/$(basename "$f")"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -f "$f" ] && sed -nE 's/^deb[[:space:]]+/deb-src /p' "$f" >"$apt_dir/sources/$(basename "$f" .list)-src.list"
    done
    apt-get "${apt_opts[@]}" update -qq
    touch "$apt_dir/.updated"
  fi
  for entry in "${packages[@]}"; do
    local name=${entry%%:*} version fetched=
    [ -f "$deps/src/.$name.fetched" ] && continue
    # The newest version first; a mirror may lack it (a security update not mirrored yet), then the
    # next one.
    for version in $(apt-cache "${apt_opts[@]}" showsrc "$name" | sed -n 's/^Version: //p' | sort -u | sort -rV); do
      if (cd "$deps/src" && apt-get "${apt_opts[@]}" source --download-only -qq "$name=$version" >/dev/null 2>&1); then
        fetched=$version
        break
      fi
    done
    [ -n "$fetched" ] || { echo "cannot fetch the source package $name" >&2; exit 1; }
    echo "$fetched" >"$deps/src/.$name.fetched"
  done
}

# Extracts a fetched source package (Debian's patches applied) and prints the folder.
extract() {
  local name=$1 dsc
  local version
  version=$(cat "$deps/src/.$name.fetched")
  dsc="$deps/src/${name}_${version#*:}.dsc"
  [ -f "$dsc" ] || dsc=$(ls "$deps/src/${name}"_*.dsc | head -1)
  local dir=$deps/src/$name
  if [ ! -d "$dir" ]; then
    # Into a fresh folder first, so an interrupted extraction is never taken for a whole one.
    rm -rf "$dir.part"
    dpkg-source --no-check -x "$dsc" "$dir.part" >/dev/null
    mv "$dir.part" "$dir"
  fi
  echo "$dir"
}

all_built() {
  for entry in "${packages[@]}"; do [ -f "$prefix/.${entry%%:*}.stamp" ] || return 1; done
}
