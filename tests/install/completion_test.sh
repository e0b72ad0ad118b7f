#!/usr/bin/env bash
# The bash completion: it offers every subcommand and every long option that the
# program's own --help lists (and those of `check`), the faces after --face, directories
# after --source and --work, database files after --db, and no option twice.
#   completion_test.sh QORU_GBTXT COMPLETION_SCRIPT
set -uo pipefail
CLI=$1
script=$2
. "$(dirname "$0")/help_words.sh"
failed=0

. "$script"
complete -p qoru-gbtxt >/dev/null 2>&1 || fail "$script 没有为 qoru-gbtxt 注册补全"

# What the completion offers for a command line whose last word is being typed, one a
# line and sorted. The words are split as bash splits them ("--source=" gives "--source"
# and "=").
offered() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _qoru_gbtxt qoru-gbtxt "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort
}
expect_among() {  # WHAT OFFERED WORD...
  local what=$1 list=$2 word
  shift 2
  for word in "$@"; do grep -qxF -- "$word" <<<"$list" || fail "$what 没有提供 $word"; done
}

subcommands=$(help_subcommands)
[ -n "$subcommands" ] || fail "$CLI --help 没有列出子命令"
expect_among "qoru-gbtxt 之后" "$(offered qoru-gbtxt "")" $subcommands check --help --version
expect_among "qoru-gbtxt c 之后" "$(offered qoru-gbtxt c)" convert check
for sub in $subcommands; do
  expect_among "qoru-gbtxt $sub -- 之后" "$(offered qoru-gbtxt "$sub" --)" $(help_options "$sub")
done
expect_among "qoru-gbtxt check -- 之后" "$(offered qoru-gbtxt check --)" \
  --db --source --json --max-findings --strict --column
[ "$(offered qoru-gbtxt convert --face "")" = "$(printf '%s\n' headless terminal window)" ] ||
  fail "--face 之后应当只提供 headless、terminal、window，实际为：$(offered qoru-gbtxt convert --face "" | xargs)"

# An option already given is not offered again; --column may be given again.
again=$(offered qoru-gbtxt convert --json --source . --)
grep -qxF -- --json <<<"$again" && fail "convert --json 之后又提供了 --json"
grep -qxF -- --source <<<"$again" && fail "convert --source 之后又提供了 --source"
expect_among "convert --json 之后" "$again" --work --face
expect_among "check --column X 之后" "$(offered qoru-gbtxt check --column KMYE.x=y --)" --column

# Values: directories after --source and --work (also as --source=), *.mdb and
# directories after --db, nothing after --max-findings.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/账套一" "$tmp/book set"
touch "$tmp/GBA.mdb" "$tmp/notes.txt"
cd "$tmp" || exit 1
dirs=$(printf '%s\n' "book set" "账套一" | sort)
[ "$(offered qoru-gbtxt convert --source "")" = "$dirs" ] ||
  fail "--source 之后应当提供目录，实际为：$(offered qoru-gbtxt convert --source "" | xargs)"
[ "$(offered qoru-gbtxt convert --work 账)" = "账套一" ] || fail "--work 账 之后应当提供 账套一"
[ "$(offered qoru-gbtxt inspect --source = "")" = "$dirs" ] ||
  fail "--source= 之后应当提供目录，实际为：$(offered qoru-gbtxt inspect --source = "" | xargs)"
[ "$(offered qoru-gbtxt check --db "")" = "$(printf '%s\n' "book set" GBA.mdb "账套一" | sort)" ] ||
  fail "--db 之后应当提供目录和 .mdb 文件，实际为：$(offered qoru-gbtxt check --db "" | xargs)"
[ -z "$(offered qoru-gbtxt check --max-findings "")" ] || fail "--max-findings 之后不应当提供任何词"

[ $failed -eq 0 ] && echo "补全检查通过：$(wc -w <<<"$subcommands") 个子命令"
exit $failed
