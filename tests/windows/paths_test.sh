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
#   - qoru-gendata.exe writes the sample into a Chinese folder given in UTF-16;
#   - book sets and work areas in folders named 誠 and 衆, whose GBK spelling ends in the
#     byte of "\\" (0xD5 0x5C, 0xB1 0x5C): converted as any other, given with and
#     without a separator at the end;
#   - a copy of qoru-gbtxt.exe without its plug-in, run in a folder where a
#     qoru_ERP_GBtxt.dll waits, does not load that DLL: exit 2 naming the DLL it looked
#     for beside itself; nor a plug-in named by a relative QORU_LIBRARY.
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

# Folders whose GBK name ends in the byte of "\\": a separator must be a character. The
# book set sits in a folder of that name, and so does the work area.
for name in 誠 衆; do
  mkdir -p "$work/src-$name" "$work/wk-$name"
  cp -r "$sample" "$work/src-$name/$name"
  for end in '' '\'; do
    out=$("$wine_run" "$prefix" "$exe" convert --source "$(windows_path "$work/src-$name/$name")$end" \
      --work "$(windows_path "$work/wk-$name/$name")$end" 2>"$work/trail.err") ||
      fail "convert in folders named $name (\"$end\" at the end) failed: $(cat "$work/trail.err")"
    [ "${out%$'\r'}" = "$(windows_path "$work/wk-$name/$name")\\TemplateTemp\\GBA.mdb" ] ||
      fail "convert in folders named $name printed \"$out\""
    cmp -s <(dump "$work/wk-$name/$name/TemplateTemp/GBA.mdb") "$work/linux.sql" ||
      fail "the database in folders named $name differs from the Linux build's"
  done
  [ "$(ls "$work/wk-$name")" = "$name" ] || fail "folders made beside $name: $(ls "$work/wk-$name")"
done

# A planted DLL in the current folder is not loaded by a copy of the program without its
# plug-in; neither is a plug-in named by a relative QORU_LIBRARY.
mkdir -p "$work/程序" "$work/账套文件夹"
cp "$exe" "$work/程序/"
cp "$(dirname "$exe")/qoru_ERP_GBtxt.dll" "$work/账套文件夹/"
cp -r "$sample" "$work/账套文件夹/sample"
status=0
(cd "$work/账套文件夹" && "$wine_run" "$prefix" "$(windows_path "$work/程序")\\qoru-gbtxt.exe" \
  convert --source sample --work w >/dev/null 2>"$work/planted.err") || status=$?
[ "$status" = 2 ] || fail "with a DLL planted in the current folder, exit status $status"
[ -e "$work/账套文件夹/w/TemplateTemp/GBA.mdb" ] && fail "the planted DLL converted the book set"
grep -q '程序.qoru_ERP_GBtxt.dll' "$work/planted.err" ||
  fail "the message does not name the DLL beside the program: $(cat "$work/planted.err")"
status=0
(cd "$work/账套文件夹" && QORU_LIBRARY=qoru_ERP_GBtxt.dll "$wine_run" "$prefix" "$exe" \
  convert --source sample --work w2 >/dev/null 2>"$work/relative.err") || status=$?
[ "$status" = 2 ] || fail "with a relative QORU_LIBRARY, exit status $status"
grep -q 'QORU_LIBRARY' "$work/relative.err" ||
  fail "the message does not name QORU_LIBRARY: $(cat "$work/relative.err")"

# qoru-gendata.exe: a Chinese folder given in UTF-16, the sample as examples/sample.
"$wine_run" "$prefix" "$gendata" sample --out "$(windows_path "$work/示例账套")" \
  >"$work/gendata.out" 2>&1 || fail "qoru-gendata.exe failed: $(cat "$work/gendata.out")"
grep -q '示例账套' "$work/gendata.out" || fail "qoru-gendata.exe did not name the folder readably"
for f in "$sample"/*.txt; do
  cmp -s "$f" "$work/示例账套/$(basename "$f")" ||
    fail "qoru-gendata.exe wrote $(basename "$f") otherwise than examples/sample"
done
finish
