#!/usr/bin/env bash
# Checks every .exe of the win32 build against what Windows NT 4.0 can load:
#   - it imports only DLLs that NT 4.0 ships with the system;
#   - it is not linked large-address aware (the tuning engine's figures are signed 32-bit, and
#     such a program would be told of up to 4 GiB - 1 bytes of memory);
#   - its subsystem version is at most 4.0 (a newer one is refused by the NT 4.0 loader);
#   - it imports none of the few newer kernel functions a toolchain can slip in (the posix
#     thread model's runtime, for one).
# The kernel-mode stand-in driver (.sys) is not a program and is not checked here.
#
# Usage: scripts/check-imports.sh [build-dir]     (default: build/win32)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-$root/build/win32}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

allowed_dlls="KERNEL32 USER32 GDI32 ADVAPI32 COMCTL32 SHELL32 COMDLG32 MSVCRT WINMM VERSION"
newer_functions="GetTickCount64 AddVectoredExceptionHandler RemoveVectoredExceptionHandler
  InitializeCriticalSectionEx InitializeConditionVariable SleepConditionVariableCS
  WakeConditionVariable WakeAllConditionVariable InitializeSRWLock AcquireSRWLockExclusive
  AcquireSRWLockShared InitOnceExecuteOnce FlsAlloc FlsGetValue FlsSetValue
  GetSystemTimePreciseAsFileTime CreateEventExA CreateEventExW CreateMutexExA CreateMutexExW
  GetLogicalProcessorInformation"

if ! command -v "$objdump" >/dev/null 2>&1; then
  echo "check-imports: $objdump not found (package binutils-mingw-w64-i686)" >&2
  exit 2
fi
if [[ ! -d $build_dir ]]; then
  echo "check-imports: no build directory $build_dir (build the win32 preset first)" >&2
  exit 2
fi

# The compiler's own probes under CMakeFiles are not our programs.
mapfile -t programs < <(find "$build_dir" -path '*/CMakeFiles' -prune -o -type f -iname '*.exe' -print | sort)
if [[ ${#programs[@]} -eq 0 ]]; then
  echo "check-imports: no .exe under $build_dir" >&2
  exit 1
fi

failures=0
for exe in "${programs[@]}"; do
  name=${exe#"$build_dir"/}
  dump=$("$objdump" -p "$exe")
  problems=()

  dlls=$(awk '/DLL Name:/ {print $3}' <<<"$dump" | sort -u)
  for dll in $dlls; do
    base=$(tr '[:lower:]' '[:upper:]' <<<"${dll%.*}")
    if [[ " $allowed_dlls " != *" $base "* ]]; then
      problems+=("imports $dll, which Windows NT 4.0 does not ship")
    fi
  done

  characteristics=$(awk '/^Characteristics/ {print $2; exit}' <<<"$dump")
  if [[ -z $characteristics ]]; then
    problems+=("no PE header found")
  elif (( characteristics & 0x20 )); then
    problems+=("linked large-address aware")
  fi

  major=$(awk '/^MajorSubsystemVersion/ {print $2; exit}' <<<"$dump")
  minor=$(awk '/^MinorSubsystemVersion/ {print $2; exit}' <<<"$dump")
  if [[ -n $major ]] && (( major > 4 || (major == 4 && minor > 0) )); then
    problems+=("subsystem version $major.$minor (NT 4.0 loads 4.0 at most)")
  fi

  # Imported function names: the hint/ordinal table lines under each DLL.
  functions=$(awk '/DLL Name:/ {in_dll=1; next} in_dll && NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print $3}' <<<"$dump")
  for fn in $newer_functions; do
    if grep -qx "$fn" <<<"$functions"; then
      problems+=("imports $fn, which is newer than Windows NT 4.0")
    fi
  done

  size=$(stat -c %s "$exe")
  printf '%-44s %9s bytes  %s\n' "$name" "$size" "$(tr '\n' ' ' <<<"$dlls")"
  for problem in "${problems[@]}"; do
    printf '    FAIL: %s\n' "$problem"
  done
  if [[ ${#problems[@]} -gt 0 ]]; then failures=$((failures + 1)); fi
done

echo
if [[ $failures -gt 0 ]]; then
  echo "check-imports: $failures of ${#programs[@]} programs would not run on Windows NT 4.0"
  exit 1
fi
echo "check-imports: all ${#programs[@]} programs import only Windows NT 4.0 system DLLs"
