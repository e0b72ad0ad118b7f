#!/usr/bin/env bash
# The shipped Windows binaries import only DLLs that every Windows has: the C and C++
# runtimes, winpthread and SQLite are linked in, nothing of the build machine is needed.
#   system_dlls_test.sh OBJDUMP BINARY...
set -euo pipefail
objdump=$1
shift
allowed='^(KERNEL32|USER32|GDI32|OLEAUT32|OLE32|COMCTL32|COMDLG32|SHELL32|SHLWAPI|ADVAPI32|WINDOWSCODECS|UXTHEME|VERSION|msvcrt)\.dll$'
failures=0
for binary in "$@"; do
  mapfile -t dlls < <("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p')
  if [ ${#dlls[@]} -eq 0 ]; then
    echo "$binary: no imports found" >&2
    failures=$((failures + 1))
  fi
  for dll in "${dlls[@]}"; do
    if ! [[ "$dll" =~ $allowed ]] && ! [[ "${dll^^}" =~ ${allowed^^} ]]; then
      echo "$(basename "$binary") imports $dll, which Windows does not bring" >&2
      failures=$((failures + 1))
    fi
  done
  echo "$(basename "$binary"): ${dlls[*]}"
done
exit $((failures > 0))
