# Shared by the scripts: installs Debian packages that are not yet installed.
# Source it, then call: ensure_packages NAME...

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "error: installing packages needs root; run as root or install sudo" >&2
    return 1
  fi
}

# Adds the i386 architecture that 32-bit Wine needs; the next install updates
# the package lists.
ensure_i386_architecture() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    DIZI_APT_UPDATED=
  fi
}

ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  if [ -z "${DIZI_APT_UPDATED:-}" ]; then
    as_root apt-get update -qq
    DIZI_APT_UPDATED=1
  fi
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
}
