# Shared by the commands in scripts/: their --help and their refusal of what
# they do not know. A command's usage is the comment at its top, from the line
# after "#!" to the first line that is not a comment; source this file from the
# checkout's root (where every command changes to first), then call:
#
#   show_usage            prints that comment without its "# "
#   refuse_argument TEXT  prints "error: TEXT" and the usage on stderr and
#                         exits with status 2

show_usage() {
  awk 'NR == 1 { next } /^#/ { sub(/^# ?/, ""); print; next } { exit }' \
    "scripts/$(basename "$0")"
}

refuse_argument() {
  {
    echo "error: $1"
    show_usage
  } >&2
  exit 2
}
