#!/usr/bin/env bash
# qoru-gbtxt.exe (x86-64, with the 64-bit plug-in beside it) under Wine:
#   cli_test.sh WINE_RUN PREFIX QORU_GBTXT_EXE LINUX_BUILD SOURCE_DIR WORK
#   - converts the sample into a work directory with Chinese and a blank in its name,
#     given in Windows' form: exit 0, the path of GBA.mdb on stdout (UTF-8, "\"), and a
#     database equal to the Linux build's, row for row; qoru.log names the folder in UTF-8;
#   - inspect and check run on the same book set;
#   - screen reports as on Linux and writes its workpaper into the Chinese folder;
#   - a source directory that does not exist: exit 2 and a message naming it.
# (check runs in a scratch area under the user's TEMP.)
set -euo pipefail
wine_run=$1 prefix=$2 exe=$3 linux_build=$4 source_dir=$5 work=$6
. "$(dirname "$0")/common.sh"

win_work="$work/审计 工作"
out=$("$wine_run" "$prefix" "$exe" convert --source "$(windows_path "$source_dir/examples/sample")" \
  --work "$(windows_path "$win_work")\\" 2>"$work/convert.err") || fail "convert failed: $(cat "$work/convert.err")"
expected="$(windows_path "$win_work")\\TemplateTemp\\GBA.mdb"
[ "${out%$'\r'}" = "$expected" ] || fail "convert printed \"$out\", expected \"$expected\""
grep -q '开始转换：.*工作目录 Z:/.*/审计 工作/' "$win_work/qoru.log" ||
  fail "qoru.log does not name the work folder readably: $(head -1 "$win_work/qoru.log")"
"$linux_build/qoru-gbtxt" convert --source "$source_dir/examples/sample" --work "$work/linux" \
  --face headless >/dev/null 2>&1
if ! cmp -s <(sqlite3 "$win_work/TemplateTemp/GBA.mdb" .dump) \
  <(sqlite3 "$work/linux/TemplateTemp/GBA.mdb" .dump); then
  fail "the database of qoru-gbtxt.exe differs from the Linux build's"
fi

"$wine_run" "$prefix" "$exe" inspect --source "$(windows_path "$source_dir/examples/sample")" \
  >"$work/inspect.out" 2>&1 || fail "inspect failed: $(cat "$work/inspect.out")"
# check finds the same as on Linux (the sample has findings: both exit 1).
win_check=0 linux_check=0
"$wine_run" "$prefix" "$exe" check --source "$(windows_path "$source_dir/examples/sample")" \
  >"$work/check.out" 2>"$work/check.err" || win_check=$?
"$linux_build/qoru-gbtxt" check --source "$source_dir/examples/sample" >"$work/check.linux" \
  2>/dev/null || linux_check=$?
[ "$win_check" = "$linux_check" ] || fail "check exited $win_check, on Linux $linux_check"
grep -q '检查结果' "$work/check.out" || fail "check printed no result: $(cat "$work/check.err")"

# screen: the same findings as on Linux (the JSON report but its book set's path), and a
# workpaper written by its name in the Chinese folder whose sheets are the Linux build's.
# The Linux run writes its workpaper at the same place first (then moved aside), so that
# both record the same options; the records differ only in Wine's Z: and the times.
"$linux_build/qoru-gbtxt" screen --source "$source_dir/examples/sample" --json \
  --xlsx "$win_work/底稿.xlsx" >"$work/screen.linux" 2>/dev/null || fail "screen failed on Linux"
mkdir -p "$work/linux" && mv "$win_work/底稿.xlsx" "$work/linux/底稿.xlsx"
"$wine_run" "$prefix" "$exe" screen --source "$(windows_path "$source_dir/examples/sample")" --json \
  --xlsx "$(windows_path "$win_work")\\底稿.xlsx" >"$work/screen.json" 2>"$work/screen.err" ||
  fail "screen failed: $(cat "$work/screen.err")"
# (fractions to 10 digits: the C runtimes' log10 may differ in the last bit)
digits10() { perl -pe 's/(-?\d+\.\d{6,}(?:e[-+]?\d+)?)/sprintf("%.10g", $1)/ge'; }
same_place() { sed -e 's#Z:/#/#g' -e 's/[0-9]\{4\}-[0-9][0-9]-[0-9][0-9] [0-9:]\{8\}/TIME/g'; }
report() { tr -d '\r' <"$1" | grep -v '"book_set":' | same_place | digits10; }
if ! cmp -s <(report "$work/screen.json") <(report "$work/screen.linux"); then
  fail "screen's report differs from the Linux build's: $(diff <(report "$work/screen.json") <(report "$work/screen.linux") | head -5)"
fi
# (the first sheet names the book set, in Wine's form Z: and the Linux path, and the time
# of the run)
sheets() {
  unzip -p "$1" 'xl/worksheets/*.xml' 'xl/workbook.xml' 2>/dev/null | same_place | digits10
}
if [ ! -s "$win_work/底稿.xlsx" ]; then
  fail "screen wrote no workpaper $win_work/底稿.xlsx"
elif [ -z "$(sheets "$win_work/底稿.xlsx")" ] ||
  ! cmp -s <(sheets "$win_work/底稿.xlsx") <(sheets "$work/linux/底稿.xlsx"); then
  fail "the workpaper's sheets differ from the Linux build's"
fi

status=0
"$wine_run" "$prefix" "$exe" convert --source 'Z:\no\such\账套' --work "$(windows_path "$work/w2")\\" \
  >/dev/null 2>"$work/missing.err" || status=$?
[ "$status" = 2 ] || fail "a missing source gave exit status $status, expected 2"
grep -q 'Z:/no/such/' "$work/missing.err" || fail "the message does not name the source: $(cat "$work/missing.err")"
finish
