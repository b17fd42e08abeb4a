# Shared by the commands in scripts/: everything they build or fetch goes to
# build/ in the checkout. Source it from the checkout's root, then call:
#
#   ensure_build_writable
#
# before any work. A build/ that a run as another user (root, or through sudo)
# left behind holds folders and files this user cannot write, and every later
# step would fail on them one by one; this stops at once instead, with one line
# saying how to give the folder back or start afresh. Files of the user's own
# without write permission (Wine keeps one in every prefix) are fine: their
# owner may replace them.

ensure_build_writable() {
  [ -d build ] || return 0
  local blocked
  blocked=$(find build \( -type d ! -writable -o ! -type d ! -writable ! -user "$(id -u)" \) \
    -print -quit 2>/dev/null) || true
  [ -n "$blocked" ] || return 0
  local user owner
  user=$(id -un)
  owner=$(stat -c %U "$blocked")
  if [ "$owner" = "$user" ]; then
    echo "error: $blocked is read-only: make build/ writable again with" \
      "\"chmod -R u+w build\", then run again" >&2
  else
    echo "error: $blocked belongs to $owner and $user cannot write it (an earlier run as" \
      "another user?): give build/ back with \"sudo chown -R $user: build\", or remove it" \
      "with \"sudo rm -rf build\", then run again" >&2
  fi
  return 1
}
