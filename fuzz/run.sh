#!/usr/bin/env bash
# Builds the fuzz targets (CMake preset `fuzz`) and runs each one, then prints a table:
# target, executions, crashes, time.
#
#   fuzz/run.sh --runs N [--max-seconds S] [--only a,b,...] [--no-build]
#                                                        N executions per target (or S seconds)
#   fuzz/run.sh --short  [--only a,b,...] [--no-build]   a few seconds per target (CI)
#   fuzz/run.sh --list                                   the target names
#
# Each target starts from its committed seeds (fuzz/corpus/<target>/, never written to) and
# keeps what it finds in build/fuzz/work/<target>/. A crash (any sanitizer report, a failed
# property, a leak, a timeout) leaves its input in build/fuzz/artifacts/<target>/ and the
# run's log in build/fuzz/logs/<target>.log (short-<target>.log for --short); reproduce it with
#   build/fuzz/fuzz/fuzz_<target> build/fuzz/artifacts/<target>/crash-...
# Exit 0 when no target crashed, 1 when one did (or did not build), 77 when clang or its
# libFuzzer runtime is not installed.
# Settings: QL_JOBS (build jobs, default 2), QL_FUZZ_SHORT_RUNS (default 20000, with seed 1),
# ASAN_OPTIONS (default: short allocation stacks and a small quarantine, for speed).
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/.." && pwd)
BUILD="$REPO/build/fuzz"
TARGETS=(group_order device_target drive_strings registry_values tune_number remembered_fields
  stats_rate reg_file)

RUNS=""
SHORT=0
BUILD_FIRST=1
ONLY=""
MAX_SECONDS=""
usage() { sed -n '2,/^set -uo/p' "$0" | sed -e '/^set -uo/d' -e 's/^# \{0,1\}//'; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) RUNS=${2:-}; shift ;;
    --short) SHORT=1 ;;
    --only) ONLY=${2:-}; shift ;;
    --max-seconds) MAX_SECONDS=${2:-}; shift ;;
    --no-build) BUILD_FIRST=0 ;;
    --list) printf '%s\n' "${TARGETS[@]}"; exit 0 ;;
    *) usage ;;
  esac
  shift
done
[ "$SHORT" = 1 ] || [[ "$RUNS" =~ ^[0-9]+$ ]] || usage
if [ -n "$ONLY" ]; then
  IFS=, read -r -a TARGETS <<<"$ONLY"
  for t in "${TARGETS[@]}"; do
    [ -f "$HERE/$t.cpp" ] || { echo "fuzz: no target $t" >&2; exit 2; }
  done
fi

# Per-target libFuzzer options: the REGEDIT4 reader's cost grows with the text, and a text
# of a few lines reaches every rule of the format.
extra_options() {
  case "$1" in
    reg_file) echo "-max_len=256" ;;
  esac
}

if ! command -v clang++ >/dev/null 2>&1 ||
  ! ls "$(clang++ -print-resource-dir 2>/dev/null)"/lib/linux/libclang_rt.fuzzer-x86_64.a \
    >/dev/null 2>&1; then
  echo "fuzz: skipped: clang with its libFuzzer runtime is not installed (Debian: clang)" >&2
  exit 77
fi

if [ "$BUILD_FIRST" = 1 ]; then
  mkdir -p "$BUILD"
  launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  (cd "$REPO" && cmake --preset fuzz "${launcher[@]}" >"$BUILD/configure.log" 2>&1) || {
    echo "fuzz: configure failed (see $BUILD/configure.log)" >&2
    exit 1
  }
  (cd "$REPO" && cmake --build --preset fuzz -j"${QL_JOBS:-2}" >"$BUILD/build.log" 2>&1) || {
    echo "fuzz: build failed (see $BUILD/build.log)" >&2
    tail -n 20 "$BUILD/build.log" >&2
    exit 1
  }
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=2:quarantine_size_mb=16}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$BUILD/logs"
FAILED=0
printf '| target | executions | crashes | time (s) | exec/s |\n|---|---:|---:|---:|---:|\n'
for t in "${TARGETS[@]}"; do
  exe="$BUILD/fuzz/fuzz_$t"
  log="$BUILD/logs/$t.log"
  # A short run never writes over the log of a long one that may be going on.
  [ "$SHORT" = 1 ] && log="$BUILD/logs/short-$t.log"
  if [ ! -x "$exe" ]; then
    printf '| %s | not built | | | |\n' "$t"
    FAILED=1
    continue
  fi
  work="$BUILD/work/$t"
  artifacts="$BUILD/artifacts/$t"
  mkdir -p "$work" "$artifacts"
  before=$(find "$artifacts" -type f | wc -l)
  if [ "$SHORT" = 1 ]; then
    # Only the committed seeds, a fixed random seed and a fixed number of runs: the short
    # pass does the same on every machine, so what it finds is found again by anyone.
    work=$(mktemp -d "$BUILD/work/short.XXXXXX")
    budget=(-seed=1 -runs="${QL_FUZZ_SHORT_RUNS:-20000}")
  else
    budget=(-runs="$RUNS")
    [ -n "$MAX_SECONDS" ] && budget+=(-max_total_time="$MAX_SECONDS")
  fi
  t0=$(date +%s.%N)
  # shellcheck disable=SC2046
  "$exe" "${budget[@]}" $(extra_options "$t") -timeout=25 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$work" "$HERE/corpus/$t" >"$log" 2>&1
  rc=$?
  t1=$(date +%s.%N)
  [ "$SHORT" = 1 ] && rm -rf "$work"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  crashes=$(($(find "$artifacts" -type f | wc -l) - before))
  [ "$rc" != 0 ] && [ "$crashes" = 0 ] && crashes=1
  seconds=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.0f", b - a }')
  rate=$(awk -v r="${runs:-0}" -v s="$t0" -v e="$t1" 'BEGIN { d = e - s; printf "%.0f", (d > 0 ? r / d : 0) }')
  printf '| %s | %s | %s | %s | %s |\n' "$t" "${runs:-?}" "$crashes" "$seconds" "$rate"
  if [ "$crashes" != 0 ]; then
    FAILED=1
    grep -m 3 -E 'ERROR|property failed|SUMMARY' "$log" | sed 's/^/    /' >&2
    echo "    log: $log; inputs: $artifacts/" >&2
  fi
done
exit "$FAILED"
