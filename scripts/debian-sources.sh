# Sourced by scripts/cached-deps.sh: Debian's own source packages, fetched once per machine into the
# user's cache folder through a private apt folder there (the system's apt sources are never touched),
# and extracted with Debian's patches applied. The caller sets `cache` (an absolute folder).

sources=$cache/debian-sources
apt_dir=$sources/apt
apt_opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources"
  -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" -o Dir::State::status=/var/lib/dpkg/status
  -o Debug::NoLocking=1 -o APT::Sandbox::User=root)

# The package lists, read again once a day so that a Debian update reaches the libraries' keys; when
# they cannot be read (no network), the lists at hand serve.
update_source_lists() {
  [ -n "$(find "$apt_dir/.updated" -mmin -1440 2>/dev/null)" ] && return 0
  mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  rm -f "$apt_dir/sources"/*
  # The system's sources, as source sources: deb822 files get Types: deb-src, one-line lists deb-src.
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sed -E 's/^Types:.*/Types: deb-src/' "$f" >"$apt_dir/sources/$(basename "$f")"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && sed -nE 's/^deb[[:space:]]+/deb-src /p' "$f" >"$apt_dir/sources/$(basename "$f" .list)-src.list"
  done
  if apt-get "${apt_opts[@]}" update -qq; then
    touch "$apt_dir/.updated"
    rm -f "$sources"/*/*.unavailable
  elif [ -f "$apt_dir/.updated" ]; then
    echo "the source package lists could not be read again; those of $(date -r "$apt_dir/.updated") serve" >&2
  else
    echo "cannot read the source package lists (apt-get update)" >&2
    return 1
  fi
}

# Prints "<package> <version>" for each source package named: the newest version a mirror holds (a
# mirror may lack the newest, a security update not mirrored yet: then the next one), fetched into
# $sources/<package>/<version>/ unless it is there already. One clone at a time (a lock).
fetch_sources() {
  mkdir -p "$sources"
  (
    flock 9
    update_source_lists || exit 1
    local name version fetched dir
    for name; do
      fetched=
      for version in $(apt-cache "${apt_opts[@]}" showsrc "$name" | sed -n 's/^Version: //p' | sort -u | sort -rV); do
        dir=$sources/$name/$version
        [ -f "$dir.unavailable" ] && continue
        if [ ! -f "$dir/.complete" ]; then
          # Into a fresh folder first, so an interrupted download is never taken for a whole one; a
          # version the mirror lacks is not asked for again until the lists are read again.
          rm -rf "$dir.part" && mkdir -p "$dir.part"
          if ! (cd "$dir.part" && apt-get "${apt_opts[@]}" source --download-only -qq "$name=$version" >/dev/null 2>&1); then
            rm -rf "$dir.part" && touch "$dir.unavailable"
            continue
          fi
          touch "$dir.part/.complete"
          rm -rf "$dir" && mv "$dir.part" "$dir"
        fi
        fetched=$version
        break
      done
      [ -n "$fetched" ] || { echo "cannot fetch the source package $name" >&2; exit 1; }
      echo "$name $fetched"
    done
  ) 9>"$sources/.lock"
}

# Extracts a fetched source package (Debian's patches applied) into a folder that must not exist yet.
extract() {
  local name=$1 version=$2 into=$3
  dpkg-source --no-check -x "$sources/$name/$version/${name}_${version#*:}.dsc" "$into" >/dev/null
}
