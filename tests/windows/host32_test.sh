#!/usr/bin/env bash
# The 32-bit plug-in under 32-bit Wine, called by our own host (host32.c), against the
# Linux build's conversion of the same book sets:
#
#   host32_test.sh WINE_RUN PREFIX HOST32_EXE PLUGIN_DLL LINUX_BUILD SOURCE_DIR WORK
#
#   1. the sample book set and a generated one with auxiliary items, commas and quotes
#      and foreign currencies, each converted in a work directory whose path holds
#      Chinese (GBK in the ANSI code page): the result is the path of GBA.mdb, and the
#      database equals the Linux build's, table for table and row for row (sqlite3
#      dumps compared);
#   2. a book set without GSSM.txt: the result is "0";
#   3. a book set whose description names a reserved file name (NUL.txt): "0", with a
#      message that names the file;
#   4. a source folder, then a work folder, whose names the ANSI code page cannot hold:
#      "0", with a message that names the path as the host gave it.
# host32 itself checks the export, the stack, the host's window and COM on every call.
set -euo pipefail
wine_run=$1 prefix=$2 host32=$3 dll=$4 linux_build=$5 source_dir=$6 work=$7

. "$(dirname "$0")/common.sh"
fresh_work_area() {
  rm -rf "$1"
  mkdir -p "$1/DataBase" "$1/TemplateTemp"
  : >"$1/DataBase/empty.mdb"
}

run_host32() {  # WORKDIR SOURCEDIR EXPECT
  local log=$work/host32.log
  if ! "$wine_run" "$prefix" "$host32" "$(windows_path "$dll")" "$(windows_path "$1")\\" \
    "$(windows_path "$2")" "$3" >"$log.out" 2>"$log"; then
    echo "host32 failed for $2:" >&2
    cat "$log" "$log.out" >&2
    return 1
  fi
}

# A book set converted by the 32-bit plug-in and by the Linux build: the same rows.
compare_with_linux() {  # NAME SOURCEDIR
  local name=$1 src=$2
  local win_work=$work/审计/$name/2024年账套 linux_work=$work/linux-$name
  fresh_work_area "$win_work"
  run_host32 "$win_work" "$src" path || {
    failures=$((failures + 1))
    return
  }
  "$linux_build/qoru-gbtxt" convert --source "$src" --work "$linux_work" --face headless \
    >/dev/null 2>"$work/linux-$name.log"
  dump "$win_work/TemplateTemp/GBA.mdb" >"$work/$name.windows.sql"
  dump "$linux_work/TemplateTemp/GBA.mdb" >"$work/$name.linux.sql"
  if ! cmp -s "$work/$name.windows.sql" "$work/$name.linux.sql"; then
    echo "$name: the database made under Wine differs from the Linux build's:" >&2
    diff "$work/$name.linux.sql" "$work/$name.windows.sql" | head -20 >&2
    failures=$((failures + 1))
  else
    echo "$name: $(grep -c '^INSERT' "$work/$name.linux.sql") rows equal to the Linux build's"
  fi
}

compare_with_linux sample "$source_dir/examples/sample"
"$linux_build/qoru-gendata" dataset --out "$work/generated" --seed 27 --postings 3000 \
  --balances 400 --currencies --commas >/dev/null
compare_with_linux generated "$work/generated"

# The failing runs: the plug-in's dialog would show its error box and wait for a click
# that no one gives here, so they run with the headless face (the modal phase, the result
# and the stack are checked as for the others).
# A book set without its description: "0".
mkdir -p "$work/no-description"
cp "$source_dir/examples/sample/KJKM.txt" "$work/no-description/"
fresh_work_area "$work/failing"
QORU_FACE=headless run_host32 "$work/failing" "$work/no-description" 0 || failures=$((failures + 1))

# A description naming a reserved name: "0", and the message names it.
mkdir -p "$work/reserved"
cp "$source_dir"/examples/sample/*.txt "$work/reserved/"
sed -i 's/KJKM\.txt/NUL.txt/' "$work/reserved/GSSM.txt"
cp "$work/reserved/KJKM.txt" "$work/reserved/NUL.txt" 2>/dev/null || true
fresh_work_area "$work/reserved-work"
QORU_FACE=headless run_host32 "$work/reserved-work" "$work/reserved" 0 || failures=$((failures + 1))
if ! grep -q 'NUL.txt' "$work/host32.log"; then
  echo "the refusal of NUL.txt does not name the file:" >&2
  cat "$work/host32.log" >&2
  failures=$((failures + 1))
fi

# Paths that the ANSI code page cannot hold (Thai): the host's ANSI strings carry "?" in
# their place, as Windows converts them. "0", and a message that names the path.
mkdir -p "$work/ไทย账套"
cp "$source_dir"/examples/sample/*.txt "$work/ไทย账套/"
fresh_work_area "$work/unholdable-work"
QORU_FACE=headless run_host32 "$work/unholdable-work" "$work/ไทย账套" 0 || failures=$((failures + 1))
if ! grep -q '???账套' "$work/host32.log"; then
  echo "the refusal of a source that the code page cannot hold does not name it:" >&2
  cat "$work/host32.log" >&2
  failures=$((failures + 1))
fi
fresh_work_area "$work/ไทย工作区"
QORU_FACE=headless run_host32 "$work/ไทย工作区" "$source_dir/examples/sample" 0 ||
  failures=$((failures + 1))
if ! grep -q '???工作区' "$work/host32.log"; then
  echo "the refusal of a work folder that the code page cannot hold does not name it:" >&2
  cat "$work/host32.log" >&2
  failures=$((failures + 1))
fi

finish
