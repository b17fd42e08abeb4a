#!/usr/bin/env bash
# Tests of scripts/steps.sh (one line per step, the output in the log, a
# failure shown with the end of its output) and scripts/debian_sources.sh
# (deb-src twins of both formats of Debian's source lists).
set -euo pipefail
cd "$(dirname "$0")/../.."
. scripts/steps.sh
. scripts/debian_sources.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. tests/scripts/checks.sh

# The line with its seconds, which vary, as "N s".
any_time() {
  sed -E 's/[0-9]+ s$/N s/'
}

noisy() {
  echo "unpacking $1"
  echo "warning about $1" >&2
  return "${2:-0}"
}

# --- Steps -------------------------------------------------------------------
log=$work/logs/steps.log
out=$(run_step "$log" "Installing a" noisy a 2>"$work/err" | any_time)
check "a step prints one line: what, then how long" "Installing a ... N s" "$out"
check "a step that succeeds prints nothing on stderr" "" "$(cat "$work/err")"
check_contains "the step's output and errors go to the log" \
  $'$ noisy a\nunpacking a\nwarning about a' "$(cat "$log")"

out=$({ step_start "$log" "Installing b"; step_run noisy b; step_done "3 packages"; } | any_time)
check "a step can end its line with a result" "Installing b ... 3 packages, N s" "$out"

status=0
run_step "$log" "Installing c" noisy c 7 >"$work/out" 2>"$work/err" || status=$?
check "a failed step returns the command's status" 7 "$status"
check "a failed step ends its line without a time of success" \
  "Installing c ... failed after N s" "$(any_time <"$work/out")"
err=$(cat "$work/err")
check_contains "a failure shows the end of that step's output" \
  $'  unpacking c\n  warning about c' "$err"
check_contains "a failure names the log" "The whole output is in $log" "$err"
check "a failure shows none of the earlier steps' output" "" \
  "$(grep -e 'unpacking a' -e 'unpacking b' <<<"$err" || true)"

# --- Debian's source lists as deb-src ---------------------------------------
etc=$work/etc/apt
mkdir -p "$etc/sources.list.d"
cat >"$etc/sources.list" <<'LIST'
# deb http://deb.debian.org/debian bookworm contrib
deb http://deb.debian.org/debian bookworm main
  deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://security.debian.org/debian-security bookworm-security main
deb-src http://deb.debian.org/debian bookworm main
LIST
write_debian_source_lists "$etc" "$work/one-line"
check "one-line lists: each binary entry once, as deb-src, options kept" \
  "deb-src http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://security.debian.org/debian-security bookworm-security main" \
  "$(cat "$work/one-line/debian-src.list")"
check "no deb822 list is made from a one-line one" "" "$(ls "$work/one-line" | grep sources || true)"

rm "$etc/sources.list"
cat >"$etc/sources.list.d/debian.sources" <<'LIST'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

types: deb deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Enabled: no
LIST
write_debian_source_lists "$etc" "$work/deb822"
check "deb822 lists: every stanza turned to deb-src, the rest as it was" \
  "$(sed -e 's/^Types: deb$/Types: deb-src/' -e 's/^types: deb deb-src$/Types: deb-src/' \
      "$etc/sources.list.d/debian.sources")" \
  "$(cat "$work/deb822/debian-src.sources")"

rm "$etc/sources.list.d/debian.sources"
echo "# deb http://deb.debian.org/debian bookworm main" >"$etc/sources.list"
status=0
err=$(write_debian_source_lists "$etc" "$work/none" 2>&1) || status=$?
check "no Debian entry at all fails" 1 "$status"
check_contains "and says where it looked" "no Debian package source in $etc/sources.list" "$err"
check "and leaves no list behind" "" "$(ls "$work/none")"

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
