#!/usr/bin/env bash
# Windows' paths and file habits, with qoru-gbtxt.exe and qoru-gendata.exe (x86-64)
# under Wine:
#   paths_test.sh WINE_RUN PREFIX QORU_GBTXT_EXE QORU_GENDATA_EXE LINUX_BUILD SOURCE_DIR WORK
#   - a book set and a work area in folders beyond 260 characters under Chinese names:
#     the database equals the Linux build's;
#   - read-only: the book set's files and folder, the work area's empty.mdb and the
#     GBA.mdb an earlier run left there: a correct run, and the new GBA.mdb writable;
#   - a source on a network share that cannot be reached: exit 2, and a message that
#     names the path in readable Chinese;
#   - screen over the Chinese-named book sets of a folder, one workpaper each in a
#     Chinese-named folder, the workpapers named after the book sets;
#   - qoru-gendata.exe writes the sample into a Chinese folder given in UTF-16.
set -euo pipefail
wine_run=$1 prefix=$2 exe=$3 gendata=$4 linux_build=$5 source_dir=$6 work=$7
. "$(dirname "$0")/common.sh"
sample=$source_dir/examples/sample
"$linux_build/qoru-gbtxt" convert --source "$sample" --work "$work/linux" --face headless \
  >/dev/null 2>&1
dump "$work/linux/TemplateTemp/GBA.mdb" >"$work/linux.sql"

# Beyond 260 characters: 18 levels of 16 Chinese characters.
deep=$work/长路径
for _ in $(seq 18); do deep+=/审计底稿二零二四年度账套资料目录; done
mkdir -p "$deep/账套"
cp "$sample"/*.txt "$deep/账套/"
out=$("$wine_run" "$prefix" "$exe" convert --source "$(windows_path "$deep/账套")" \
  --work "$(windows_path "$deep/工作区")" 2>"$work/long.err") ||
  fail "convert in a long path failed: $(cat "$work/long.err")"
[ "${out%$'\r'}" = "$(windows_path "$deep/工作区")\\TemplateTemp\\GBA.mdb" ] ||
  fail "convert in a long path printed \"$out\""
# (copied to a short path: SQLite on Linux takes paths of up to 512 bytes)
if ! cp "$deep/工作区/TemplateTemp/GBA.mdb" "$work/long.mdb" ||
  ! cmp -s <(dump "$work/long.mdb") "$work/linux.sql"; then
  fail "the database in a long path differs from the Linux build's"
fi

# Read-only (Wine shows a file or folder without write permission as read-only).
ro=$work/只读账套
cp -r "$sample" "$ro"
rw=$work/只读工作区
mkdir -p "$rw/DataBase" "$rw/TemplateTemp"
: >"$rw/DataBase/empty.mdb"
cp "$work/linux/TemplateTemp/GBA.mdb" "$rw/TemplateTemp/GBA.mdb"
chmod a-w "$ro"/* "$ro" "$rw/DataBase/empty.mdb" "$rw/TemplateTemp/GBA.mdb"
"$wine_run" "$prefix" "$exe" convert --source "$(windows_path "$ro")" \
  --work "$(windows_path "$rw")" >/dev/null 2>"$work/readonly.err" ||
  fail "convert with read-only files failed: $(cat "$work/readonly.err")"
[ -w "$rw/TemplateTemp/GBA.mdb" ] || fail "the new GBA.mdb is read-only"
cmp -s <(dump "$rw/TemplateTemp/GBA.mdb") "$work/linux.sql" ||
  fail "the database made from read-only files differs from the Linux build's"
chmod -R u+w "$ro" "$rw"

# A network share that cannot be reached: the message names it, readably.
status=0
"$wine_run" "$prefix" "$exe" convert --source '\\qoru-no-such-server\审计\2024年账套' \
  --work "$(windows_path "$work/unc")" >/dev/null 2>"$work/unc.err" || status=$?
[ "$status" = 2 ] || fail "a source on an unreachable share gave exit status $status"
grep -q '//qoru-no-such-server/审计/2024年账套' "$work/unc.err" ||
  fail "the message does not name the share's path: $(cat "$work/unc.err")"

# screen over Chinese-named book sets, a workpaper each in a Chinese-named folder.
mkdir -p "$work/各公司"
cp -r "$sample" "$work/各公司/甲公司"
cp -r "$sample" "$work/各公司/乙公司"
"$wine_run" "$prefix" "$exe" screen --each "$(windows_path "$work/各公司")" \
  --xlsx "$(windows_path "$work/底稿目录")" >"$work/screen.out" 2>"$work/screen.err" || true
for name in 甲公司 乙公司; do
  [ -s "$work/底稿目录/$name.xlsx" ] || fail "screen wrote no workpaper $name.xlsx: $(ls "$work/底稿目录" 2>&1)"
  grep -q "======== 账套 $name" "$work/screen.out" || fail "screen's report does not name $name"
  grep -q "^账套 Z:.*/各公司/$name，" "$work/screen.out" ||
    fail "screen's report does not show the path of $name readably: $(grep '^账套' "$work/screen.out")"
done

# qoru-gendata.exe: a Chinese folder given in UTF-16, the sample as examples/sample.
"$wine_run" "$prefix" "$gendata" sample --out "$(windows_path "$work/示例账套")" \
  >"$work/gendata.out" 2>&1 || fail "qoru-gendata.exe failed: $(cat "$work/gendata.out")"
grep -q '示例账套' "$work/gendata.out" || fail "qoru-gendata.exe did not name the folder readably"
for f in "$sample"/*.txt; do
  cmp -s "$f" "$work/示例账套/$(basename "$f")" ||
    fail "qoru-gendata.exe wrote $(basename "$f") otherwise than examples/sample"
done
finish
