# Shared by the scripts: the source-package twin of the system's Debian package
# sources, for an apt configuration of one's own. Source it, then call:
#
#   write_debian_source_lists ETC_APT DIR
#
# Reads Debian's own lists in ETC_APT (normally /etc/apt): sources.list, one
# entry a line, as the installer writes it, and sources.list.d/debian.sources,
# in the deb822 format of Debian's container images. Writes their entries as
# deb-src entries of the same mirrors, suites and keys into
# DIR/debian-src.list and DIR/debian-src.sources. Fails, saying so, when
# neither holds an entry. Other lists (third-party archives, which often
# publish no source packages) are left out.

write_debian_source_lists() {
  local etc=$1 dir=$2
  local one_line=$etc/sources.list deb822=$etc/sources.list.d/debian.sources
  mkdir -p "$dir"
  rm -f "$dir/debian-src.list" "$dir/debian-src.sources"
  if [ -f "$one_line" ]; then
    # "deb [options] URI suite components": only the binary entries, so that a
    # deb-src entry already there is not listed twice.
    sed -n -E 's/^[[:space:]]*deb([[:space:]])/deb-src\1/p' "$one_line" >"$dir/debian-src.list"
    [ -s "$dir/debian-src.list" ] || rm "$dir/debian-src.list"
  fi
  if [ -f "$deb822" ] && grep -qi '^Types:' "$deb822"; then
    sed -E 's/^Types:.*/Types: deb-src/I' "$deb822" >"$dir/debian-src.sources"
  fi
  if [ ! -f "$dir/debian-src.list" ] && [ ! -f "$dir/debian-src.sources" ]; then
    echo "error: no Debian package source in $one_line or $deb822 to take the source" \
      "packages from" >&2
    return 1
  fi
}
