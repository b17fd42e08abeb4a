#!/usr/bin/env bash
# The commands in scripts/ as a newcomer tries them: each answers --help and -h
# with its usage (status 0) and refuses an argument it does not know with its
# usage on stderr (status 2), and in all three cases does nothing else. They
# run from a copy of scripts/ alone, where any work would leave files beside
# it, with every installing, building and Wine tool replaced by a stand-in that
# records its call and fails. And a build/ that a run as another user left,
# which this user cannot write, stops a command before any work with one line
# saying what to do.
set -euo pipefail
cd "$(dirname "$0")/../.."

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
. tests/scripts/checks.sh

checkout=$work/checkout
mkdir "$checkout"
cp -a scripts "$checkout/"
calls=$work/calls
: >"$calls"
stand_ins=$work/bin
mkdir "$stand_ins"
for tool in sudo apt-get apt dpkg dpkg-query cmake ctest make wine wine64 wineboot wineserver \
  Xvfb i686-w64-mingw32-g++ i686-w64-mingw32-gcc; do
  printf '#!/bin/sh\necho "%s $*" >>"%s"\nexit 1\n' "$tool" "$calls" >"$stand_ins/$tool"
  chmod +x "$stand_ins/$tool"
done
listing() {
  (cd "$checkout" && find . | sort)
}
before=$(listing)

# Runs a command of the copy with the stand-ins first on the path; sets
# status, out and err.
run() {
  status=0
  PATH=$stand_ins:$PATH "$checkout/scripts/$1" "${@:2}" >"$work/out" 2>"$work/err" || status=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}

commands=$(cd "$checkout/scripts" && find . -maxdepth 1 -type f -perm -u+x -printf '%f\n' | sort)
for expected in bench build-windows demo fleet-report libjpeg-i686 test; do
  check_contains "$expected is among the commands" $'\n'"$expected"$'\n' $'\n'"$commands"$'\n'
done

# What a command needs before an option: argparse names a missing folder
# rather than an unknown option.
declare -A leading=([fleet-report]=$work)

for command in $commands; do
  run "$command" --help
  check "$command --help: status 0" 0 "$status"
  check "$command --help: the usage on stdout" "usage:" "${out:0:6}"
  check "$command --help: nothing on stderr" "" "$err"
  help=$out
  run "$command" -h
  check "$command -h: status 0 and the same text" "0 $help" "$status $out"
  # shellcheck disable=SC2086  # no leading word is one word too many
  run "$command" ${leading[$command]:-} --no-such-option
  check "$command --no-such-option: status 2" 2 "$status"
  check_contains "$command --no-such-option: the usage on stderr" "usage:" "$err"
  check_contains "$command --no-such-option: names what is wrong" "--no-such-option" "$err"
done

# Values the commands would only find wrong after installing and building.
for arguments in "bench --runs" "bench --runs 0" "bench --lines many" "build-windows --log" \
  "build-windows --build-dir" "build-windows stray" "demo --headless extra" \
  "test --native-only --no-such-option" "libjpeg-i686 now"; do
  # shellcheck disable=SC2086  # the words of $arguments are meant to split
  run $arguments
  check "$arguments: status 2" 2 "$status"
  check_contains "$arguments: the usage on stderr" "usage:" "$err"
done

check "no command called an installing, building or Wine tool" "" "$(cat "$calls")"
check "no command left a file" "$before" "$(listing)"

# --- A build/ this user cannot write -----------------------------------------
# As root every folder is writable, so root's side of it runs as nobody.
blocked_run() {
  mkdir -p "$checkout/build/native"
  if [ "$(id -u)" -ne 0 ]; then
    chmod a-w "$checkout/build/native"
    advice="\"chmod -R u+w build\""
    run test --native-only
    chmod u+w "$checkout/build/native"
    return 0
  fi
  command -v setpriv >/dev/null && id nobody >/dev/null 2>&1 || return 1
  chmod 755 "$work"
  chmod 666 "$calls"
  advice="\"sudo chown -R nobody: build\", or remove it with \"sudo rm -rf build\""
  status=0
  setpriv --reuid="$(id -u nobody)" --regid="$(id -g nobody)" --clear-groups \
    env PATH="$stand_ins:$PATH" \
    bash "$checkout/scripts/test" --native-only >"$work/out" 2>"$work/err" || status=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}
if blocked_run; then
  check "a build/ folder this user cannot write: status 1" 1 "$status"
  check "and nothing on stdout" "" "$out"
  check "one line on stderr" 1 "$(wc -l <<<"$err")"
  check_contains "naming the folder" "error: build" "$err"
  check_contains "and what to do" "$advice" "$err"
  check "before any work" "" "$(cat "$calls")"
else
  echo "skip  a build/ folder this user cannot write: running as root without setpriv or" \
    "a user nobody"
fi

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
