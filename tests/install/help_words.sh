# Reads the command-line host's help: the subcommands and each one's long options, so
# that the tests of the man page and of the completion follow the program itself.
# Sourced by the tests of tests/install; CLI is the qoru-gbtxt to ask.

# The subcommands listed under "子命令:" in `qoru-gbtxt --help`.
help_subcommands() {
  "$CLI" --help | awk '/^子命令:/ { on = 1; next } on && /^$/ { on = 0 } on && /^  [a-z]/ { print $1 }'
}

# The long options of `qoru-gbtxt SUB --help`, one a line ("-h,--help" gives "--help").
help_options() {
  "$CLI" "$1" --help | grep -oE '^  (-[a-zA-Z],)?--[a-z][a-z-]*' | sed 's/^  //; s/^-[a-zA-Z],//'
}

fail() {
  echo "失败：$*" >&2
  failed=1
}
