#!/usr/bin/env bash
# Runs a test program under 32-bit Wine in a throwaway prefix of its own:
#   run_under_wine.sh WORK_DIR PROGRAM [ARGUMENTS...]
# The prefix is made under WORK_DIR, used once and removed again. No display
# is needed: the programs run this way open no window.
set -euo pipefail
work_dir=$1
shift
prefix=$work_dir/prefix
rm -rf "$prefix"
mkdir -p "$work_dir"
# TMPDIR: Debian's Wine makes its server's folder there; in the prefix, it is
# removed with it.
export WINEARCH=win32 WINEPREFIX=$prefix TMPDIR=$prefix WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
trap cleanup EXIT
wineboot -i >"$work_dir/wineboot.log" 2>&1
wine "$@"
