#!/usr/bin/env bash
# The manual page: groff formats it without a warning (every Chinese sentence has its
# break points), its title line carries the program's version, its synopsis and its
# section of each subcommand name every long option that the subcommand's --help lists,
# and it gives each subcommand's exit codes.
#   man_page_test.sh QORU_GBTXT MAN_PAGE
set -uo pipefail
CLI=$1
page=$2
. "$(dirname "$0")/help_words.sh"
failed=0

warnings=$(LC_ALL=C.UTF-8 groff -man -k -Tutf8 -ww -z "$page" 2>&1)
[ -z "$warnings" ] || fail "groff 排版 $page 时有警告（中文长句要在标点后加 \\: 作为断行点）：
$warnings"

text=$(LC_ALL=C.UTF-8 groff -man -k -Tutf8 -P-cbou -rLL=200n "$page" 2>/dev/null)
[ -n "$text" ] || fail "groff 没有排出 $page"

# The lines of subsection "SUB：…" (up to the next subsection or section).
subsection() {
  awk -v head="^   $1：" '$0 ~ head { on = 1; next } on && /^ ? ? ?[^ ]/ { on = 0 } on' <<<"$text"
}
# The lines of section NAME.
section() {
  awk -v head="^$1" '$0 ~ head { on = 1; next } on && /^[^ ]/ { on = 0 } on' <<<"$text"
}

version=$("$CLI" --version | awk '{ print $2 }')
grep -qF "\"qoru\\-gbtxt $version\"" "$page" ||
  fail "手册页的 .TH 行没有当前的版本 qoru\\-gbtxt $version：$(grep '^\.TH' "$page")"

subcommands=$(help_subcommands)
[ -n "$subcommands" ] || fail "$CLI --help 没有列出子命令"
for sub in $subcommands check; do
  grep -qE "^ +qoru-gbtxt $sub " <<<"$(section 用法)" || fail "用法中没有 qoru-gbtxt $sub"
  body=$(subsection "$sub")
  [ -n "$body" ] || { fail "没有子命令 $sub 的一节"; continue; }
  if grep -qx "$sub" <<<"$subcommands"; then
    for option in $(help_options "$sub"); do
      [ "$option" = --help ] && continue
      grep -qE -- "(^| )$option( |$)" <<<"$body" || fail "$sub 一节没有说明选项 $option"
    done
  fi
  codes=$(awk -v head="^   $sub\$" '$0 ~ head { on = 1; next } on && /^ ? ? ?[^ ]/ { on = 0 } on' \
    <<<"$(section 退出状态)")
  for code in 0 1 2; do
    grep -qE "^ +$code +" <<<"$codes" || fail "退出状态中没有 $sub 的退出码 $code"
  done
done
grep -q -- "--version" <<<"$(section 用法)" || fail "用法中没有 --version"

[ $failed -eq 0 ] && echo "手册页检查通过：$(wc -w <<<"$subcommands") 个子命令"
exit $failed
