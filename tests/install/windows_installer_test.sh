#!/usr/bin/env bash
# The Windows packages: cpack makes the portable zip and the installer from the x86-64
# cross build; the installer, run silently under Wine (/S /ADDTOPATH), puts the tree
# into Program Files, bin\ on the system PATH, the guide and the uninstaller into the
# Start menu and the uninstaller into Windows' list; qoru-gbtxt, found through PATH in
# cmd.exe, converts the sample; the silent uninstaller then removes all of it.
# cpack runs in a UTF-8 locale, which a Chinese file name in the zip needs.
#   windows_installer_test.sh BUILD_DIR SOURCE_DIR [WINE_PREFIX]
# (the prefix of the build's Wine tests, BUILD_DIR/wineprefix by default; the test
# leaves it as it found it)
set -uo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
prefix=${3:-$build/wineprefix}
wine_run=$source_dir/scripts/wine-run
failed=0
fail() {
  echo "失败：$*" >&2
  failed=1
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
if ! LC_ALL=C.UTF-8 cpack -G "ZIP;NSIS" --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  echo "失败：cpack 没有做出 Windows 的软件包" >&2
  exit 1
fi
zip=$(ls "$tmp"/out/qoru-gbtxt-*-win64.zip 2>/dev/null | head -1)
installer=$(ls "$tmp"/out/qoru-gbtxt-*-win64.exe 2>/dev/null | head -1)
[ -n "$zip" ] && [ -n "$installer" ] || {
  echo "失败：cpack 做出的是：$(ls "$tmp/out")" >&2
  exit 1
}

# The zip holds the tree in one folder (unzip lists names as they are only in a UTF-8
# locale; in the C locale it writes the Chinese ones as #Uxxxx).
listing=$(LC_ALL=C.UTF-8 unzip -Z1 "$zip")
top=$(basename "$zip" .zip)
expected=(bin/qoru-gbtxt.exe bin/qoru_ERP_GBtxt.dll bin/qoru-gendata.exe include/qoru_ERP_GBtxt.h
          doc/README.md doc/使用说明.md examples/sample/GSSM.txt)
if grep -q '^QORU_PLUGIN_X86_DLL:FILEPATH=.\+' "$build/CMakeCache.txt"; then
  expected+=(plugin/x86/qoru_ERP_GBtxt.dll)
fi
for file in "${expected[@]}"; do
  grep -qxF "$top/$file" <<<"$listing" || fail "压缩包中没有 $top/$file"
done

# The prefix as it is before, for the comparison after the uninstall.
"$wine_run" "$prefix" cmd /c exit 0 >/dev/null 2>&1 || true
programs=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
reg_path() {
  "$wine_run" "$prefix" reg query \
    'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v PATH 2>/dev/null |
    tr -d '\r' | sed -n 's/.*REG_[A-Z_]*SZ *//p'
}
uninstall_keys() {
  for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\qoru-gbtxt' \
    'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\qoru-gbtxt'; do
    "$wine_run" "$prefix" reg query "$key" >/dev/null 2>&1 && echo "$key"
  done
}
path_before=$(reg_path)
files_before=$(cd "$prefix/drive_c" && find . -path ./windows -prune -o -path ./users -prune -o -print | sort)

# Install silently, bin\ on PATH.
"$wine_run" "$prefix" "$installer" /S /ADDTOPATH >"$tmp/install.log" 2>&1 ||
  fail "安装程序退出码不是 0"
home=$prefix/drive_c/Program\ Files/qoru-gbtxt
for file in "${expected[@]}" Uninstall.exe; do
  [ -f "$home/$file" ] || fail "安装后没有 Program Files\\qoru-gbtxt\\${file//\//\\}"
done
ls "$programs"/qoru-gbtxt*/使用说明.lnk >/dev/null 2>&1 || fail "开始菜单中没有使用说明"
ls "$programs"/qoru-gbtxt*/Uninstall.lnk >/dev/null 2>&1 || fail "开始菜单中没有卸载程序"
[ -n "$(uninstall_keys)" ] || fail "Windows 的程序列表中没有 qoru-gbtxt"
grep -qi 'qoru-gbtxt\\bin' <<<"$(reg_path)" || fail "PATH 中没有 qoru-gbtxt\\bin：$(reg_path)"

# The installed host, found through PATH by cmd.exe, converts the sample.
mkdir -p "$tmp/run"
cp -r "$source_dir/examples/sample" "$tmp/run/sample"
out=$(cd "$tmp/run" && QORU_FACE=headless "$wine_run" "$prefix" cmd /c \
  "qoru-gbtxt convert --source sample --work work" 2>"$tmp/convert.err" | tr -d '\r')
status=$?
if [ $status -ne 0 ] || [ ! -s "$tmp/run/work/TemplateTemp/GBA.mdb" ]; then
  cat "$tmp/convert.err" >&2
  fail "安装的 qoru-gbtxt 没有转换示例账套（退出码 $status，输出：$out）"
else
  tables=$(sqlite3 "$tmp/run/work/TemplateTemp/GBA.mdb" \
    "select count(*) from sqlite_master where type = 'table' and name in ('aidInfo', 'aidVour', 'aidBal')")
  [ "$tables" = 3 ] || fail "转换结果中缺少 aidInfo、aidVour、aidBal（只有 $tables 张）"
fi

# Uninstall silently: it copies itself to the temporary folder (~nsu*.tmp) and runs
# from there, while the program that was started returns at once.
"$wine_run" "$prefix" "C:\\Program Files\\qoru-gbtxt\\Uninstall.exe" /S >"$tmp/uninstall.log" 2>&1 ||
  fail "卸载程序退出码不是 0"
for _ in $(seq 120); do
  pgrep -f '~nsu.*\.tmp' >/dev/null || break
  sleep 0.5
done
[ -e "$home" ] && fail "卸载后仍有 Program Files\\qoru-gbtxt：$(cd "$home" && find . | head)"
ls -d "$programs"/qoru-gbtxt* >/dev/null 2>&1 && fail "卸载后开始菜单中仍有 qoru-gbtxt"
[ -z "$(uninstall_keys)" ] || fail "卸载后注册表中仍有 $(uninstall_keys)"
[ "$(reg_path)" = "$path_before" ] || fail "卸载后 PATH 不同于安装前：$(reg_path)"
files_after=$(cd "$prefix/drive_c" && find . -path ./windows -prune -o -path ./users -prune -o -print | sort)
[ "$files_after" = "$files_before" ] ||
  fail "卸载后 C: 盘多出或少了：$(diff <(echo "$files_before") <(echo "$files_after") | grep '^[<>]' | head)"
exit $failed
