# What the shell tests of scripts/ share: `check` and `check_contains` print
# one line a case and count the failures in $failures.
failures=0

check() {
  local what=$1 expected=$2 actual=$3
  if [ "$expected" = "$actual" ]; then
    echo "ok    $what"
  else
    printf 'FAIL  %s\n      expected: %q\n      actual:   %q\n' "$what" "$expected" "$actual"
    failures=$((failures + 1))
  fi
}

check_contains() {
  local what=$1 part=$2 text=$3
  if [[ $text == *"$part"* ]]; then
    echo "ok    $what"
  else
    printf 'FAIL  %s\n      %q not in:\n%s\n' "$what" "$part" "$text"
    failures=$((failures + 1))
  fi
}
