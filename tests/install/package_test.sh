#!/usr/bin/env bash
# The Debian package: cpack makes qoru-gbtxt_<version>_<arch>.deb holding the install
# tree under /usr with stripped binaries, the library's shlibs file, and a Depends that
# names the package of every shared library the binaries need; unpacked, its host
# converts the sample.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
failed=0
fail() {
  echo "失败：$*" >&2
  failed=1
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  echo "失败：cpack 没有做出软件包" >&2
  exit 1
fi
version=$("$build/qoru-gbtxt" --version | awk '{ print $2 }')
deb=$tmp/out/qoru-gbtxt_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || {
  echo "失败：没有 $(basename "$deb")，cpack 做出的是：$(ls "$tmp/out")" >&2
  exit 1
}

[ "$(dpkg-deb -f "$deb" Package)" = qoru-gbtxt ] || fail "软件包名不是 qoru-gbtxt"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "软件包版本不是 $version"
files=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
for file in ./usr/bin/qoru-gbtxt ./usr/bin/qoru-gendata ./usr/share/man/man1/qoru-gendata.1 "./usr/lib/$multiarch/libqoru_ERP_GBtxt.so.$version" \
  "./usr/lib/$multiarch/libqoru_ERP_GBtxt.so.0" "./usr/lib/$multiarch/libqoru_ERP_GBtxt.so" \
  ./usr/include/qoru_ERP_GBtxt.h ./usr/share/man/man1/qoru-gbtxt.1 \
  ./usr/share/bash-completion/completions/qoru-gbtxt ./usr/share/doc/qoru-gbtxt/README.md \
  ./usr/share/doc/qoru-gbtxt/guide.zh_CN.md ./usr/share/doc/qoru-gbtxt/window-face.png \
  ./usr/share/doc/qoru-gbtxt/ARCHITECTURE.md; do
  grep -qxF -- "$file" <<<"$files" || fail "软件包中没有 $file"
done
# The list is read whole first: grep -q stops reading at its match, and tar, cut off,
# would fail the pipeline.
control_files=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t)
grep -qx './shlibs' <<<"$control_files" || fail "软件包没有 shlibs 文件"

dpkg-deb -x "$deb" "$tmp/root"
depends=$(dpkg-deb -f "$deb" Depends)
# Every shared library that a binary needs comes from a package that Depends names.
for binary in "$tmp/root/usr/bin/qoru-gbtxt" "$tmp/root/usr/lib/$multiarch/libqoru_ERP_GBtxt.so.$version"; do
  grep -q '\.debug_info' <<<"$(readelf -S "$binary")" && fail "$(basename "$binary") 没有去掉调试信息"
  for needed in $(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    [ "$needed" = libqoru_ERP_GBtxt.so.0 ] && continue
    path=$(ldconfig -p | awk -v n="$needed" '$1 == n { print $NF; exit }')
    owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -1 | cut -d: -f1)
    [ -n "$owner" ] || owner=$(dpkg -S "$path" 2>/dev/null | head -1 | cut -d: -f1)
    if [ -z "$owner" ]; then
      fail "找不到提供 $needed 的软件包"
    elif ! grep -qxF "$owner" <<<"$(tr ',|' '\n\n' <<<"$depends" | awk '{ print $1 }')"; then
      fail "$(basename "$binary") 需要 $needed（软件包 $owner），Depends 中没有：$depends"
    fi
  done
done

# Unpacked anywhere, the package's host finds the package's library and converts.
unset QORU_LIBRARY LD_LIBRARY_PATH
result=$("$tmp/root/usr/bin/qoru-gbtxt" convert --source "$source_dir/examples/sample" \
  --work "$tmp/work" --face headless 2>"$tmp/stderr")
status=$?
[ $status -eq 0 ] || fail "软件包中的 qoru-gbtxt 转换示例账套以 $status 退出：$(cat "$tmp/stderr")"
[ "$result" = "$tmp/work/TemplateTemp/GBA.mdb" ] || fail "转换结果不对：$result"

[ $failed -eq 0 ] && echo "软件包检查通过：$(basename "$deb")，Depends: $depends"
exit $failed
