#!/usr/bin/env bash
# Checks that every tracked C and C++ source is formatted as the repository's .clang-format
# says. Resource scripts (.rc) are not C++ and are left alone.
#
# Usage: scripts/check-format.sh          (run scripts/check-format.sh --fix to format in place)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
clang_format=${CLANG_FORMAT:-clang-format}

if ! command -v "$clang_format" >/dev/null 2>&1; then
  echo "check-format: $clang_format not found (package clang-format)" >&2
  exit 2
fi

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.h' '*.hpp' '*.cpp' '*.c')
else
  mapfile -t files < <(find . -path ./build -prune -o -path ./dist -prune -o -type f \
    \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.c' \) -print | sed 's|^\./||' | sort)
fi
# A tracked file deleted in the work tree is not there to check.
present=()
for f in "${files[@]}"; do [[ -f $f ]] && present+=("$f"); done

if [[ ${#present[@]} -eq 0 ]]; then
  echo "check-format: no sources found"
  exit 0
fi

if [[ ${1:-} == --fix ]]; then
  "$clang_format" -i "${present[@]}"
  echo "check-format: formatted ${#present[@]} files"
  exit 0
fi

if ! "$clang_format" --dry-run -Werror "${present[@]}"; then
  echo
  echo "check-format: files above differ from .clang-format; fix with: scripts/check-format.sh --fix"
  exit 1
fi
echo "check-format: ${#present[@]} files formatted as .clang-format says"
