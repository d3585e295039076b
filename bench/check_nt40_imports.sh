#!/usr/bin/env bash
# Fails when a program of the win32 build imports a function that Windows NT 4.0 does not
# export: every import of the five programs (and of the start-up baseline of bench/) must be
# on the list in bench/nt40_imports.txt, as "<DLL> <function>".
#
#   check_nt40_imports.sh [build-dir]      (default: $QL_WIN32_BUILD_DIR or build/win32)
#   check_nt40_imports.sh --list [build-dir]  prints "<program> <DLL> <function>" lines only
#
# Exit 0 when every import is on the list, 1 when one is not, 2 when nothing can be checked.
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/.." && pwd)
LIST_ONLY=0
if [ "${1:-}" = --list ]; then
  LIST_ONLY=1
  shift
fi
BUILD=${1:-${QL_WIN32_BUILD_DIR:-$REPO/build/win32}}
OBJDUMP=${OBJDUMP:-i686-w64-mingw32-objdump}
ALLOWED="$HERE/nt40_imports.txt"
PROGRAMS="Pactview.exe QlConfig.exe QlAllSrv.exe QlStats.exe QlTune.exe qlbasedlg.exe"

command -v "$OBJDUMP" >/dev/null || {
  echo "check_nt40_imports: $OBJDUMP not found" >&2
  exit 2
}

# "<DLL> <function>" for every import by name; an import by ordinal reads "#<n>".
imports_of() {
  "$OBJDUMP" -p "$1" | awk '
    /^\tDLL Name: / { dll = toupper($3); sub(/\.DLL$/, "", dll); table = 0; next }
    dll != "" && /^\tvma: / { table = 1; next }
    table && NF == 0 { table = 0; dll = ""; next }
    table && NF >= 3 { print dll, $3; next }
    table && NF == 2 { print dll, "#" $2 }'
}

found=0
failures=0
for name in $PROGRAMS; do
  exe=$(find "$BUILD" -type f -iname "$name" -not -path '*/CMakeFiles/*' 2>/dev/null | head -n 1)
  [ -n "$exe" ] || continue
  found=$((found + 1))
  if [ "$LIST_ONLY" = 1 ]; then
    imports_of "$exe" | sed -e "s/^/$name /"
    continue
  fi
  missing=$(imports_of "$exe" | sort -u | grep -vxF -f <(grep -v '^#' "$ALLOWED" | grep .))
  count=$(imports_of "$exe" | sort -u | wc -l)
  if [ -n "$missing" ]; then
    failures=$((failures + 1))
    echo "$name: $count imports, NOT on the Windows NT 4.0 list:"
    sed -e 's/^/    /' <<<"$missing"
  else
    echo "$name: $count imports, all on the Windows NT 4.0 list"
  fi
done
[ "$found" -gt 0 ] || {
  echo "check_nt40_imports: no program below $BUILD (build the win32 preset first)" >&2
  exit 2
}
[ "$LIST_ONLY" = 1 ] && exit 0
if [ "$failures" -gt 0 ]; then
  echo "check_nt40_imports: $failures of $found programs import functions Windows NT 4.0 lacks"
  exit 1
fi
echo "check_nt40_imports: all $found programs import only functions of Windows NT 4.0"
