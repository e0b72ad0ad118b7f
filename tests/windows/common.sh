# What the shell tests of tests/windows share, sourced by each after it has read its
# arguments: `windows_path` (a Linux path as Wine's drive Z: shows it), a fresh `$work`,
# `fail` (says what failed and counts it in `failures`), `dump` (a database as SQL text)
# and `finish`, the exit status.

windows_path() {  # Wine's drive Z: is the root of the Linux file system
  local p
  p=$(realpath -m "$1")
  printf 'Z:%s' "${p//\//\\}"
}

rm -rf "$work"
mkdir -p "$work"
failures=0
fail() {
  echo "$*" >&2
  failures=$((failures + 1))
}
dump() { sqlite3 "$1" .dump; }  # a database as text, for comparison
finish() { exit $((failures > 0)); }
