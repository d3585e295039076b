#!/usr/bin/env bash
# Benchmarks of the five programs, printed as a table and written to docs/benchmarks.md.
#
#   bench/run.sh [--runs N | --no-start] [--idle SECONDS] [--no-alloc | --alloc-runs N]
#                [--out FILE]
#
# 1. Start-up: for each window program the time from process start to its first window
#    under Wine, against qlbasedlg (the smallest dialog program, built the same way), in the
#    same run and on the same machine: every program start is paired with a baseline start
#    right before it, and the median of the N pair ratios is the figure (default 7 runs).
#    Target: ratio at most 1.2. The first window is the first visible X window of the
#    program's own class, after every window of its previous run is gone.
# 2. Each .exe's size, the DLLs it imports, and whether every import is on the list of
#    Windows NT 4.0 functions (bench/check_nt40_imports.sh).
# 3. The allocator's time to RUNNING against its baseline (bench/allocsvc/run_bench.sh,
#    when it is there; --no-alloc leaves it out).
# 4. Idle CPU (user + system time from /proc of the program's process) over 60 s
#    (--idle): QlStats.exe polling the stand-in at 1 s, QlTune.exe with its 3000 ms check.
#
# Settings: QL_WIN32_BUILD_DIR (default build/win32). Exit 0 when every target is met, 1
# when one is not, 77 when nothing could be measured (no Wine or no win32 build).
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/.." && pwd)
# shellcheck source=../tools/wine/machine.sh
source "$REPO/tools/wine/machine.sh"
# shellcheck source=../tools/sandbox/road.sh
source "$REPO/tools/sandbox/road.sh"

RUNS=7
IDLE=60
ALLOC=1
START=1
ALLOC_RUNS=7
OUT="$REPO/docs/benchmarks.md"
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) RUNS=$2; shift ;;
    --idle) IDLE=$2; shift ;;
    --no-alloc) ALLOC=0 ;;
    --no-start) START=0 ;;
    --alloc-runs) ALLOC_RUNS=$2; shift ;;
    --out) OUT=$2; shift ;;
    *) sed -n '2,/^set -uo/p' "$0" | sed -e '/^set -uo/d' -e 's/^# \{0,1\}//'; exit 2 ;;
  esac
  shift
done

TARGETS_MISSED=0
TABLE=""
add() { TABLE+="$*"$'\n'; echo "$*"; }
note() { echo "[bench] $*" >&2; }

ql_require_wine || exit "$QL_SKIP"
ql_find_exe qlbasedlg.exe >/dev/null || exit "$QL_SKIP"
CLK=$(getconf CLK_TCK)

# Visible X windows of one program: Wine names each top-level window's X class after the
# program's file ("qlbasedlg.exe"), so a window of another program, or one the X server still
# shows of an earlier run, is never taken for this program's first window.
program_windows() {
  DISPLAY="$QL_DISPLAY" xdotool search --onlyvisible --class "^${1,,}\$" 2>/dev/null
}

# Milliseconds from the start of a program to its first visible window, in TTW_MS; the
# program is left running, its pid in QL_LAST_PID. Before the start, no window of that
# program may be visible (the previous run's are waited for until they are gone).
time_to_window() {
  local exe=$1 t0 now waited=0
  TTW_MS=""
  while [ -n "$(program_windows "$exe")" ]; do
    [ "$waited" -ge 200 ] && {
      note "$exe: a window of an earlier run is still visible"
      return 1
    }
    sleep 0.05
    waited=$((waited + 1))
  done
  t0=$(date +%s%N)
  ql_machine_start "$exe"
  while :; do
    now=$(date +%s%N)
    [ -n "$(program_windows "$exe")" ] && break
    [ $(((now - t0) / 1000000)) -gt 300000 ] && return 1
    sleep 0.02
  done
  TTW_MS=$(((now - t0) / 1000000))
}

# User + system CPU time of a process, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null; }

# Waits until the machine is quiet: no process of its prefix (wineserver, the desktop,
# services) has used CPU time for half a second, for at most 10 s. After a program has been
# ended Wine goes on tearing it down (its windows, its tray icon) for a while, and a start
# measured meanwhile would carry that work.
settle() {
  local before after pid quiet=0 tries=0
  before=""
  while [ "$quiet" -lt 5 ] && [ "$tries" -lt 100 ]; do
    after=0
    for pid in $(ql_machine_pids "$QL_MACHINE_DIR/prefix"); do
      after=$((after + $(cpu_ticks "$pid" || echo 0)))
    done
    if [ "$after" = "$before" ]; then quiet=$((quiet + 1)); else quiet=0; fi
    before=$after
    sleep 0.1
    tries=$((tries + 1))
  done
}

# Ends a program this benchmark started: its own process, then its launcher.
stop_program() {
  local launcher=$1 name=$2 pid
  pid=$(ql_program_pid "$name") && kill "$pid" 2>/dev/null
  ql_machine_wait "$launcher" 30 >/dev/null 2>&1 || kill "$launcher" 2>/dev/null
}

median() { sort -n | awk '{ a[NR] = $1 } END { if (NR) print a[int((NR + 1) / 2)] }'; }

ql_machine_create || exit 1
trap ql_machine_destroy EXIT
ROAD_OUT=""
road_prepare >/dev/null || exit 1
ql_machine_install qlbasedlg.exe || exit 1

# ---- 1. Start-up
# Each program's start is paired with a start of the baseline right before it, so that both
# see the same state of the machine; the ratio of each pair is kept and the median of the
# ratios reported, beside the median times.
declare -A STARTS RATIOS
PROGRAMS="Pactview.exe QlConfig.exe QlStats.exe"
ql_find_exe QlTune.exe >/dev/null 2>&1 && PROGRAMS="$PROGRAMS QlTune.exe"
[ "$START" = 1 ] || RUNS=0
start_once() {  # start_once <exe>: its time in START_MS, or empty
  START_MS=""
  if time_to_window "$1"; then START_MS=$TTW_MS; else note "$1: no window"; fi
  stop_program "$QL_LAST_PID" "$1"
  # The next start begins only once this program has gone altogether: Wine tears a killed
  # program down (its windows, its tray icon) after its process has ended, and a start made
  # meanwhile was seen to take two seconds longer.
  local waited=0
  while [ -n "$(program_windows "$1")" ] || ql_program_pid "$1" >/dev/null; do
    [ "$waited" -ge 200 ] && break
    sleep 0.05
    waited=$((waited + 1))
  done
  settle
}
# One start of each first: the first start of a program pays for loading its DLLs from disk.
for exe in qlbasedlg.exe $PROGRAMS; do start_once "$exe"; done
for ((run = 1; run <= RUNS; run++)); do
  for exe in $PROGRAMS; do
    start_once qlbasedlg.exe
    base_ms=$START_MS
    start_once "$exe"
    note "run $run: qlbasedlg.exe ${base_ms:-?} ms, $exe ${START_MS:-?} ms"
    [ -n "$base_ms" ] && STARTS[qlbasedlg.exe]+="$base_ms "
    [ -n "$START_MS" ] && STARTS[$exe]+="$START_MS "
    if [ -n "$base_ms" ] && [ -n "$START_MS" ] && [ "$base_ms" -gt 0 ]; then
      RATIOS[$exe]+="$(awk -v a="$START_MS" -v b="$base_ms" 'BEGIN { printf "%.3f", a / b }') "
    fi
  done
done
median_real() { sort -g | awk '{ a[NR] = $1 } END { if (NR) print a[int((NR + 1) / 2)] }'; }
base=$(tr ' ' '\n' <<<"${STARTS[qlbasedlg.exe]:-}" | grep . | median)
base_spread=$(tr ' ' '\n' <<<"${STARTS[qlbasedlg.exe]:-}" | grep . | sort -n | sed -n '1p;$p' | paste -sd '-')
add "## Start-up under Wine: process start to first window ($RUNS runs, each paired with a baseline start)"
add ""
add "| Program | median ms | range ms | median of the pair ratios | target ≤ 1.2 |"
add "|---|---:|---:|---:|---|"
add "| qlbasedlg.exe (baseline) | ${base:-?} | ${base_spread:-?} | 1.00 | |"
for exe in $PROGRAMS; do
  ms=$(tr ' ' '\n' <<<"${STARTS[$exe]:-}" | grep . | median)
  spread=$(tr ' ' '\n' <<<"${STARTS[$exe]:-}" | grep . | sort -n | sed -n '1p;$p' | paste -sd '-')
  ratio=$(tr ' ' '\n' <<<"${RATIOS[$exe]:-}" | grep . | median_real)
  if [ -n "$ratio" ]; then
    ratio=$(awk -v r="$ratio" 'BEGIN { printf "%.2f", r }')
    met=$(awk -v r="$ratio" 'BEGIN { print (r <= 1.2) ? "met" : "MISSED" }')
  else
    ratio="?"
    met="not measured"
  fi
  [ "$met" = met ] || TARGETS_MISSED=1
  add "| $exe | ${ms:-?} | ${spread:-?} | $ratio | $met |"
done
add ""
# ---- 2. Sizes and imports
add "## Programs: size and imported DLLs"
add ""
add "| Program | bytes | imported DLLs | imports | all on the NT 4.0 list |"
add "|---|---:|---|---:|---|"
check=$("$HERE/check_nt40_imports.sh" "$QL_WIN32_BUILD_DIR")
check_rc=$?
for exe in Pactview.exe QlConfig.exe QlAllSrv.exe QlStats.exe QlTune.exe qlbasedlg.exe; do
  path=$(ql_find_exe "$exe" 2>/dev/null) || continue
  dlls=$(i686-w64-mingw32-objdump -p "$path" | awk '/DLL Name:/ { print toupper($3) }' | sort -u | paste -sd ' ')
  line=$(grep "^$exe: " <<<"$check")
  count=$(sed -n 's/^[^:]*: \([0-9]*\) imports.*/\1/p' <<<"$line")
  missing=$(awk -v e="$exe:" '$1 == e { on = 1; next } /^[^ ]/ { on = 0 } on { sub(/^ +/, ""); print }' \
    <<<"$check" | paste -sd ' ')
  verdict=yes
  [ -n "$missing" ] && verdict="NO: $missing"
  add "| $exe | $(stat -c %s "$path") | $dlls | $count | $verdict |"
done
[ "$check_rc" = 0 ] || TARGETS_MISSED=1
add ""

# ---- 4. Idle CPU (before the allocator's benchmark, which makes machines of its own)
add "## Idle CPU over $IDLE s (user + system time of the program's process)"
add ""
add "| Program | state | CPU s | % of one core |"
add "|---|---|---:|---:|"
ql_machine_run reg add 'HKLM\SYSTEM\CurrentControlSet\Services\QlDrv' /v Start /t REG_DWORD /d 0 /f >/dev/null 2>&1
ql_machine_run reg add 'HKLM\SYSTEM\CurrentControlSet\Services\QlDrv' /v Type /t REG_DWORD /d 1 /f >/dev/null 2>&1
ql_machine_run reg add 'HKLM\SYSTEM\CurrentControlSet\Services\QlDrv\Parameters' /v DosDevice /t REG_SZ /d "$ROAD_LETTER:" /f >/dev/null 2>&1
# The stand-in makes its device link on a letter Wine has not mapped (see tools/sandbox/road.sh).
rm -f "$QL_MACHINE_DIR/prefix/dosdevices/${ROAD_LETTER,,}:"
ql_machine_reboot >/dev/null 2>&1 || note "reboot failed"
measure_idle() {
  local label=$1 name=$2 proc t0 t1
  proc=$(ql_program_pid "$name")
  t0=$(cpu_ticks "$proc")
  sleep "$IDLE"
  t1=$(cpu_ticks "$proc")
  if [ -n "$t0" ] && [ -n "$t1" ]; then
    add "| $name | $label | $(awk -v d=$((t1 - t0)) -v c="$CLK" 'BEGIN { printf "%.2f", d / c }') | $(awk -v d=$((t1 - t0)) -v c="$CLK" -v s="$IDLE" 'BEGIN { printf "%.1f", 100 * d / c / s }') |"
  else
    add "| $name | $label | ? | ? |"
  fi
}
if ql_reg_wait_value "$ROAD_RECORD_KEY" Loaded 0x1 120 >/dev/null 2>&1; then
  ql_machine_start QlStats.exe
  stats_pid=$QL_LAST_PID
  if ql_robot wait-window "$ROAD_MONITOR" -t 180 >/dev/null &&
    ql_robot set-text "$ROAD_MONITOR" 1005 1 >/dev/null &&
    ql_robot click "$ROAD_MONITOR" 1000 >/dev/null; then
    measure_idle "Run, polling every 1 s" QlStats.exe
    note "QlStats answered $(($(ql_reg_value "$ROAD_RECORD_KEY" GetStatsCount))) requests"
  else
    add "| QlStats.exe | polling at 1 s | not measured | |"
  fi
  stop_program "$stats_pid" QlStats.exe
else
  add "| QlStats.exe | polling at 1 s | not measured (the stand-in did not load) | |"
fi
if ql_find_exe QlTune.exe >/dev/null 2>&1; then
  ql_machine_start QlTune.exe
  tune_pid=$QL_LAST_PID
  t0=$SECONDS
  until [ -n "$(road_tune_caption)" ] || [ $((SECONDS - t0)) -ge 180 ]; do sleep 0.5; done
  measure_idle "window open, 3000 ms check" QlTune.exe
  stop_program "$tune_pid" QlTune.exe
else
  add "| QlTune.exe | 3000 ms check | not measured: not in the win32 build yet | |"
fi
add ""

# ---- 3. The allocator
if [ -f "$HERE/allocsvc/run_bench.sh" ]; then
  if [ "$ALLOC" = 1 ]; then
    add "## Allocator: time to RUNNING (bench/allocsvc/run_bench.sh $ALLOC_RUNS)"
    add ""
    # Its own machine: this one is ended first, the two would only slow each other down.
    ql_machine_destroy
    alloc=$(bash "$HERE/allocsvc/run_bench.sh" "$ALLOC_RUNS" 2>/dev/null)
    alloc_rc=$?
    add '```'
    add "$alloc"
    add '```'
    [ "$alloc_rc" = 0 ] || [ "$alloc_rc" = 77 ] || TARGETS_MISSED=1
    add ""
  fi
fi

{
  echo "# Benchmarks"
  echo
  # The emulator counts only when it is registered for i386 programs: unpacked but not
  # registered, it runs nothing.
  if grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
    kind="under the i386 emulator"
  else
    kind="where 32-bit programs run natively (no emulator)"
  fi
  echo "Measured by \`bench/run.sh\` on $(date -u '+%Y-%m-%d') with $(wine --version 2>/dev/null)" \
    "$kind, on $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at the end."
  echo "Times under Wine include Wine's own start of a process; compare ratios, not figures."
  echo
  printf '%s' "$TABLE"
} >"$OUT"
note "table written to $OUT"
exit "$TARGETS_MISSED"
