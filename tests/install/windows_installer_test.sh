#!/usr/bin/env bash
# The Windows packages: cpack makes the portable zip and the installer from the x86-64
# cross build; the installer, run silently under Wine (/S) over a system and a user PATH
# of 2,000 characters each, finishes without waiting for a click, puts the tree into
# Program Files, the prompt, the guide and the uninstaller into the Start menu and the
# uninstaller into Windows' list, and leaves both PATHs as they were; qoru-gbtxt, found
# in the Start menu's prompt (the installed bin\qoru-gbtxt-prompt.cmd, its commands
# typed on its input), converts the sample; the silent uninstaller then removes all of
# it, the PATHs still untouched.
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
expected=(bin/qoru-gbtxt.exe bin/qoru_ERP_GBtxt.dll bin/qoru-gendata.exe bin/qoru-gbtxt-prompt.cmd
          include/qoru_ERP_GBtxt.h doc/README.md doc/使用说明.md examples/sample/GSSM.txt)
if grep -q '^QORU_PLUGIN_X86_DLL:FILEPATH=.\+' "$build/CMakeCache.txt"; then
  expected+=(plugin/x86/qoru_ERP_GBtxt.dll)
fi
for file in "${expected[@]}"; do
  grep -qxF "$top/$file" <<<"$listing" || fail "压缩包中没有 $top/$file"
done

# The prefix as it is before, for the comparison after the uninstall.
"$wine_run" "$prefix" cmd /c exit 0 >/dev/null 2>&1 || true
programs=$prefix/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
system_env='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
user_env='HKCU\Environment'
# The PATH value of a key and its type, "TYPE VALUE" ("" when there is none).
reg_value() {
  "$wine_run" "$prefix" reg query "$1" /v PATH 2>/dev/null |
    tr -d '\r' |
    sed -n 's/^[[:space:]]*[Pp][Aa][Tt][Hh][[:space:]]\+\(REG_[A-Z_]*SZ\)[[:space:]]\+\(.*\)$/\1 \2/p'
}
reg_set() { # KEY TYPE VALUE
  "$wine_run" "$prefix" reg add "$1" /v PATH /t "$2" /d "$3" /f >/dev/null 2>&1
}
uninstall_keys() {
  for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\qoru-gbtxt' \
    'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\qoru-gbtxt'; do
    "$wine_run" "$prefix" reg query "$key" >/dev/null 2>&1 && echo "$key"
  done
}
system_before=$(reg_value "$system_env")
user_before=$(reg_value "$user_env")
# Both PATHs put back as they were, whatever happens below.
restore_paths() {
  if [ -n "$system_before" ]; then
    reg_set "$system_env" "${system_before%% *}" "${system_before#* }"
  fi
  if [ -n "$user_before" ]; then
    reg_set "$user_env" "${user_before%% *}" "${user_before#* }"
  else
    "$wine_run" "$prefix" reg delete "$user_env" /v PATH /f >/dev/null 2>&1 || true
  fi
}
trap 'restore_paths; rm -rf "$tmp"' EXIT
# PATHs of 2,000 characters: the system's own folders first, so that Wine still finds its
# programs, then folders that do not exist.
long_path() { # START
  local path=$1 n=0
  while [ ${#path} -lt 2000 ]; do
    n=$((n + 1))
    path+=";C:\\qoru-padding\\folder-$(printf '%04d' $n)"
  done
  printf '%s' "${path:0:2000}"
}
system_type=${system_before%% *}
[ -n "$system_before" ] || system_type=REG_EXPAND_SZ
system_long=$(long_path "${system_before#* }")
user_long=$(long_path 'C:\qoru-user')
reg_set "$system_env" "$system_type" "$system_long" || fail "无法设置系统的 PATH"
reg_set "$user_env" REG_EXPAND_SZ "$user_long" || fail "无法设置用户的 PATH"
[ "$(reg_value "$system_env")" = "$system_type $system_long" ] ||
  fail "系统的 PATH 没有设成 2000 个字符：$(reg_value "$system_env" | head -c 200)"
[ ${#system_long} -eq 2000 ] && [ ${#user_long} -eq 2000 ] || fail "PATH 不是 2000 个字符"
paths_intact() { # WHEN
  [ "$(reg_value "$system_env")" = "$system_type $system_long" ] ||
    fail "$1系统的 PATH 变了：$(reg_value "$system_env" | head -c 300)"
  [ "$(reg_value "$user_env")" = "REG_EXPAND_SZ $user_long" ] ||
    fail "$1用户的 PATH 变了：$(reg_value "$user_env" | head -c 300)"
}
files_before=$(cd "$prefix/drive_c" && find . -path ./windows -prune -o -path ./users -prune -o -print | sort)

# Install silently: it must finish on its own, asking nothing.
status=0
timeout 300 "$wine_run" "$prefix" "$installer" /S >"$tmp/install.log" 2>&1 || status=$?
[ $status -eq 124 ] && fail "静默安装 300 秒仍未结束（在等待点击？）"
[ $status -eq 0 ] || fail "安装程序退出码不是 0（$status）"
home=$prefix/drive_c/Program\ Files/qoru-gbtxt
for file in "${expected[@]}" Uninstall.exe; do
  [ -f "$home/$file" ] || fail "安装后没有 Program Files\\qoru-gbtxt\\${file//\//\\}"
done
prompt=$(ls "$programs"/qoru-gbtxt*/'qoru-gbtxt 命令提示符.lnk' 2>/dev/null | head -1)
[ -n "$prompt" ] || fail "开始菜单中没有 qoru-gbtxt 命令提示符"
ls "$programs"/qoru-gbtxt*/使用说明.lnk >/dev/null 2>&1 || fail "开始菜单中没有使用说明"
ls "$programs"/qoru-gbtxt*/Uninstall.lnk >/dev/null 2>&1 || fail "开始菜单中没有卸载程序"
[ -n "$(uninstall_keys)" ] || fail "Windows 的程序列表中没有 qoru-gbtxt"
paths_intact "安装后"

# The Start menu's prompt is the installed prompt script (the shortcut names it, in its
# counted UTF-16 strings).
if [ -n "$prompt" ]; then
  python3 - "$prompt" <<'PY' || fail "开始菜单的 qoru-gbtxt 命令提示符不是 bin\\qoru-gbtxt-prompt.cmd"
import sys
data = open(sys.argv[1], "rb").read()
sys.exit(0 if "qoru-gbtxt\\bin\\qoru-gbtxt-prompt.cmd" in data.decode("utf-16-le", "replace") +
         data[1:].decode("utf-16-le", "replace") + data.decode("latin-1") else 1)
PY
fi

# The installed host, found in that prompt (its commands read from stdin, as typed),
# converts the sample given by its full path.
mkdir -p "$tmp/run"
cp -r "$source_dir/examples/sample" "$tmp/run/sample"
run_dir="Z:${tmp//\//\\}\\run"
out=$(printf 'qoru-gbtxt convert --source %s\\sample --work %s\\work\r\nexit\r\n' "$run_dir" "$run_dir" |
  QORU_FACE=headless "$wine_run" "$prefix" cmd /c \
    "C:\\Program Files\\qoru-gbtxt\\bin\\qoru-gbtxt-prompt.cmd" 2>"$tmp/convert.err" | tr -d '\r')
status=$?
grep -q "^qoru-gbtxt [0-9]" <<<"$out" || fail "qoru-gbtxt 命令提示符没有显示版本：$out"
if [ $status -ne 0 ] || [ ! -s "$tmp/run/work/TemplateTemp/GBA.mdb" ]; then
  cat "$tmp/convert.err" >&2
  fail "安装的 qoru-gbtxt 没有在它的命令提示符中转换示例账套（退出码 $status，输出：$out）"
else
  tables=$(sqlite3 "$tmp/run/work/TemplateTemp/GBA.mdb" \
    "select count(*) from sqlite_master where type = 'table' and name in ('aidInfo', 'aidVour', 'aidBal')")
  [ "$tables" = 3 ] || fail "转换结果中缺少 aidInfo、aidVour、aidBal（只有 $tables 张）"
fi

# Uninstall silently: it copies itself to the temporary folder (~nsu*.tmp) and runs
# from there, while the program that was started returns at once.
status=0
timeout 300 "$wine_run" "$prefix" "C:\\Program Files\\qoru-gbtxt\\Uninstall.exe" /S \
  >"$tmp/uninstall.log" 2>&1 || status=$?
[ $status -eq 0 ] || fail "卸载程序退出码不是 0（$status）"
for _ in $(seq 120); do
  pgrep -f '~nsu.*\.tmp' >/dev/null || break
  sleep 0.5
done
[ -e "$home" ] && fail "卸载后仍有 Program Files\\qoru-gbtxt：$(cd "$home" && find . | head)"
ls -d "$programs"/qoru-gbtxt* >/dev/null 2>&1 && fail "卸载后开始菜单中仍有 qoru-gbtxt"
[ -z "$(uninstall_keys)" ] || fail "卸载后注册表中仍有 $(uninstall_keys)"
paths_intact "卸载后"
files_after=$(cd "$prefix/drive_c" && find . -path ./windows -prune -o -path ./users -prune -o -print | sort)
[ "$files_after" = "$files_before" ] ||
  fail "卸载后 C: 盘多出或少了：$(diff <(echo "$files_before") <(echo "$files_after") | grep '^[<>]' | head)"
exit $failed
