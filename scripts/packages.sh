# Shared by the scripts: installs Debian packages that are not yet installed,
# one line per step on the screen and the package manager's output in
# build/packages.log. Source it, then call:
#
#   ensure_packages [--for "what they are for"] NAME...

. scripts/steps.sh

package_log=build/packages.log

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    sudo "$@"
  fi
}

# Checks that the script can act as root: it runs as root, or sudo is there
# (asking for the password now, on a line of its own, rather than in a step).
ensure_root() {
  [ "$(id -u)" -eq 0 ] && return 0
  if ! command -v sudo >/dev/null 2>&1; then
    echo "error: installing packages needs root; run as root or install sudo" >&2
    return 1
  fi
  sudo -v
}

# Once a run: the scripts a script starts inherit DIZI_APT_UPDATED.
refresh_package_lists() {
  ensure_root || return
  run_step "$package_log" "Refreshing the package lists" as_root apt-get update || return
  export DIZI_APT_UPDATED=1
}

# Adds the i386 architecture that 32-bit Wine needs; the next install updates
# the package lists.
ensure_i386_architecture() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    ensure_root || return
    run_step "$package_log" "Adding the i386 architecture, which 32-bit Wine needs" \
      as_root dpkg --add-architecture i386 || return
    export DIZI_APT_UPDATED=
  fi
}

installed_package_count() {
  dpkg-query -W -f='${db:Status-Status}\n' | grep -cx installed || true
}

ensure_packages() {
  local purpose=
  if [ "${1:-}" = --for ]; then
    purpose=" for $2"
    shift 2
  fi
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  ensure_root || return
  if [ -z "${DIZI_APT_UPDATED:-}" ]; then
    refresh_package_lists || return
  fi
  local before installed
  before=$(installed_package_count)
  step_start "$package_log" "Installing$purpose: ${missing[*]}"
  step_run as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    --no-install-recommends "${missing[@]}" || return
  installed=$(($(installed_package_count) - before))
  step_done "$installed package$([ "$installed" -eq 1 ] || echo s) in all"
}
