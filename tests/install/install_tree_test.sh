#!/usr/bin/env bash
# The install tree: `cmake --install` puts every file in its place under a temporary
# prefix; the prefix is then moved elsewhere, and from there the installed host
# converts the sample, loading the installed library and nothing of the build tree;
# a C host compiles against the installed header and links the installed library.
#   install_tree_test.sh BUILD_DIR SOURCE_DIR [sanitized]
set -uo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
sanitized=${3:-}
failed=0
fail() {
  echo "失败：$*" >&2
  failed=1
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
if ! cmake --install "$build" --prefix "$tmp/prefix" >"$tmp/install.log" 2>&1; then
  cat "$tmp/install.log" >&2
  fail "cmake --install $build 失败"
  exit 1
fi
# Out of the build tree's reach: the prefix lives elsewhere than where it was installed.
mv "$tmp/prefix" "$tmp/moved"
p=$tmp/moved

library=$(find "$p/lib" -name 'libqoru_ERP_GBtxt.so.*.*.*' -type f -exec readlink -f {} +)
libdir=$(dirname "${library:-$p/lib/none}")
for file in bin/qoru-gbtxt bin/qoru-gendata include/qoru_ERP_GBtxt.h share/man/man1/qoru-gbtxt.1 \
  share/man/man1/qoru-gendata.1 \
  share/bash-completion/completions/qoru-gbtxt share/doc/qoru-gbtxt/README.md \
  share/doc/qoru-gbtxt/guide.zh_CN.md share/doc/qoru-gbtxt/window-face.png \
  share/doc/qoru-gbtxt/ARCHITECTURE.md; do
  [ -f "$p/$file" ] || fail "安装目录中没有 $file"
done
# Every relative link of the installed documents leads to an installed file.
for doc in README.md guide.zh_CN.md; do
  while IFS= read -r target; do
    [ -e "$p/share/doc/qoru-gbtxt/$target" ] ||
      fail "安装的 $doc 链接到 $target，安装目录中没有它"
  done < <(grep -oE '\]\([^)#:]+\)' "$p/share/doc/qoru-gbtxt/$doc" 2>/dev/null | sed 's/^](//; s/)$//')
done
[ -n "$library" ] || fail "安装目录的 lib/ 下没有带版本号的插件库 libqoru_ERP_GBtxt.so.X.Y.Z"
[ "$(readlink "$libdir/libqoru_ERP_GBtxt.so.0")" = "$(basename "$library")" ] ||
  fail "libqoru_ERP_GBtxt.so.0 没有指向 $(basename "$library")"
[ -e "$libdir/libqoru_ERP_GBtxt.so" ] || fail "没有开发用的链接 libqoru_ERP_GBtxt.so"
grep -q 'SONAME.*\[libqoru_ERP_GBtxt\.so\.0\]' <<<"$(readelf -d "$library")" ||
  fail "插件库的 SONAME 不是 libqoru_ERP_GBtxt.so.0"
for binary in "$p/bin/qoru-gbtxt" "$p/bin/qoru-gendata" "$library"; do
  if grep -qE 'RPATH|RUNPATH' <<<"$(readelf -d "$binary")"; then
    fail "$binary 带有 RPATH：$(readelf -d "$binary" | grep -E 'RPATH|RUNPATH')"
  fi
done

# The installed host, found through PATH and run from elsewhere, converts the sample.
unset QORU_LIBRARY LD_LIBRARY_PATH
cd "$tmp" || exit 1
export PATH="$p/bin:$PATH"
[ "$(qoru-gbtxt --version)" = "$("$build/qoru-gbtxt" --version)" ] ||
  fail "安装的 qoru-gbtxt --version 不对：$(qoru-gbtxt --version)"
result=$(LD_DEBUG=files LD_DEBUG_OUTPUT="$tmp/ld" qoru-gbtxt convert \
  --source "$source_dir/examples/sample" --work "$tmp/work" --face headless 2>"$tmp/stderr")
status=$?
[ $status -eq 0 ] || fail "安装的 qoru-gbtxt 转换示例账套以 $status 退出：$(cat "$tmp/stderr")"
[ "$result" = "$tmp/work/TemplateTemp/GBA.mdb" ] || fail "转换结果不对：$result"
rows=$(sqlite3 "$tmp/work/TemplateTemp/GBA.mdb" "select count(*) from aidVour" 2>&1)
[ "$rows" = 17 ] || fail "aidVour 应有 17 行，实际为 $rows"
loaded=$(cat "$tmp"/ld.* 2>/dev/null | grep -oE 'file=[^ ]*libqoru_ERP_GBtxt[^ ]*' | sort -u)
[ -n "$loaded" ] || fail "LD_DEBUG 没有记下插件库的加载"
while read -r line; do
  path=${line#file=}
  case $(readlink -f "$path" 2>/dev/null) in
    "$library") ;;
    *) fail "加载的插件库不是安装的那一个：$path" ;;
  esac
done <<<"$loaded"
grep -qF "$build" "$tmp"/ld.* && fail "运行时打开了构建目录中的文件：$(grep -F "$build" "$tmp"/ld.* | head -3)"

# The installed generator makes the guide's book sets there.
qoru-gendata consistent --out "$tmp/books" --postings 100 >/dev/null 2>"$tmp/gendata.log" ||
  fail "安装的 qoru-gendata 不能生成账套：$(cat "$tmp/gendata.log")"
[ -f "$tmp/books/GSSM.txt" ] || fail "安装的 qoru-gendata 没有写出 GSSM.txt"

# A host author's C program: the installed header, linked with -lqoru_ERP_GBtxt.
# (A sanitized library needs its runtime loaded first, which a plain C host is not.)
if [ "$sanitized" != sanitized ]; then
  if ! cc -std=c11 -pedantic-errors -I"$p/include" "$source_dir/tests/plugin/c_host.c" \
    -L"$libdir" -lqoru_ERP_GBtxt -rdynamic -o "$tmp/c_host" 2>"$tmp/cc.log"; then
    fail "C 宿主不能用安装的头文件和库编译链接：$(cat "$tmp/cc.log")"
  elif ! LD_LIBRARY_PATH=$libdir "$tmp/c_host" "$tmp/missing/" "$tmp/missing" >"$tmp/c_host.log" 2>&1; then
    fail "C 宿主调用安装的库失败：$(cat "$tmp/c_host.log")"
  fi
fi

[ $failed -eq 0 ] && echo "安装检查通过：$p 中的 qoru-gbtxt 加载了 $library"
exit $failed
