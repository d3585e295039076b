#!/usr/bin/env bash
# Soak benchmark (not a test): does a program that runs for a long time hold on to more and
# more? On a private Wine machine with the stand-in driver:
#   1. QlStats.exe polling the stand-in every second (rate 1, Run) for the soak time;
#   2. QlTune.exe open with its periodic check for the soak time.
# Each program's handles, GDI objects, USER objects and private memory are sampled every
# interval by qlsoak.exe (bench/soak/sampler.cpp, which says how each figure is had under
# Wine), with the resident anonymous memory of its Linux process from /proc beside them.
#
#   bench/soak/run.sh [--minutes N] [--interval SECONDS] [--only stats|tune]
#
# Target: flat from the third sample interval on: from sample 3 to the end no count is
# above its value at sample 3, and private memory ends within 64 KiB of it.
# Prints the samples and a verdict per program. Exit 0 when both are flat, 1 when one grows
# or could not be measured, 77 when nothing could be measured (no Wine, no win32 build).
# Settings: QL_WIN32_BUILD_DIR (default build/win32).
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/../.." && pwd)
# shellcheck source=../../tools/wine/machine.sh
source "$REPO/tools/wine/machine.sh"

MINUTES=10
INTERVAL=60
ONLY=""
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) MINUTES=$2; shift ;;
    --interval) INTERVAL=$2; shift ;;
    --only) ONLY=$2; shift ;;
    *) sed -n '2,/^set -uo/p' "$0" | sed -e '/^set -uo/d' -e 's/^# \{0,1\}//'; exit 2 ;;
  esac
  shift
done

STATS_WINDOW="Quillon-NT Statistics"
TUNE_WINDOW="Quillon - NT Tuning Engine 5.0 ++ by Norvane Systems"
RECORD='HKLM\SYSTEM\CurrentControlSet\Services\QlStandIn\Record'
FLAT_SLACK=65536
FAILED=0


ql_require_wine || exit "$QL_SKIP"
SAMPLER=$(ql_find_exe qlsoak.exe) || exit "$QL_SKIP"
for exe in QlStats.exe QlTune.exe; do ql_find_exe "$exe" >/dev/null || exit "$QL_SKIP"; done

# RssAnon of a Linux process, in KiB.
rss_anon() { awk '/^RssAnon:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }

# One row: minute, the sampler's figures, the Linux figure and (for the monitor) how many
# statistics requests the stand-in has answered so far. Fields of the last row in SAMPLE.
sample() {
  local name=$1 minute=$2 line linux polls="" field
  line=$(ql_machine_run "$SAMPLER" "$name" 2>/dev/null | tr -d '\r')
  linux=$(rss_anon "$(ql_program_pid "$name")")
  [ "$name" = QlStats.exe ] && polls=$(($(ql_reg_value "$RECORD" GetStatsCount 2>/dev/null || echo 0)))
  declare -gA SAMPLE=()
  for field in $line; do SAMPLE[${field%%=*}]=${field#*=}; done
  printf '| %s | %s | %s | %s | %s | %s | %s |%s\n' "$minute" "${SAMPLE[handles]:-?}" \
    "${SAMPLE[gdi]:-?}" "${SAMPLE[user]:-?}" "${SAMPLE[windows]:-?}" \
    "$((${SAMPLE[private]:-0} / 1024))" "${linux:-?}" "${polls:+ $polls |}"
}

# Samples a running program every interval; prints the table and its verdict.
soak() {
  local name=$1 label=$2 m handles=() gdi=() user=() private=() verdict=flat i how=""
  echo
  echo "### $name: $label, $MINUTES × $INTERVAL s"
  echo
  if [ "$name" = QlStats.exe ]; then
    echo "| min | handles | GDI | USER | windows | private KiB | RssAnon KiB | requests |"
    echo "|---:|---:|---:|---:|---:|---:|---:|---:|"
  else
    echo "| min | handles | GDI | USER | windows | private KiB | RssAnon KiB |"
    echo "|---:|---:|---:|---:|---:|---:|---:|"
  fi
  for ((m = 0; m <= MINUTES; m++)); do
    [ "$m" -gt 0 ] && sleep "$INTERVAL"
    sample "$name" "$m"
    handles+=("${SAMPLE[handles]:--1}")
    gdi+=("${SAMPLE[gdi]:--1}")
    user+=("${SAMPLE[user]:--1}")
    private+=("${SAMPLE[private]:--1}")
    [ -z "$how" ] && [ -n "${SAMPLE[pid]:-}" ] &&
      how="handles by ${SAMPLE[handles_by]}, GDI by ${SAMPLE[gdi_by]}, USER by ${SAMPLE[user_by]}"
  done
  echo
  [ -n "$how" ] && echo "Figures: $how."
  if [ "$MINUTES" -lt 3 ]; then
    verdict="not judged (fewer than 3 intervals)"
  else
    for ((i = 3; i <= MINUTES; i++)); do
      for series in handles gdi user; do
        local -n s=$series
        if [ "${s[i]}" -lt 0 ] || [ "${s[3]}" -lt 0 ]; then
          verdict="not measured ($series)"
        elif [ "${s[i]}" -gt "${s[3]}" ]; then
          verdict="GROWS ($series ${s[3]} at 3, ${s[i]} at $i)"
        fi
      done
      [ "${private[i]}" -lt 0 ] && verdict="not measured (private)"
    done
    if [ "$verdict" = flat ] && [ $((private[MINUTES] - private[3])) -gt "$FLAT_SLACK" ]; then
      verdict="GROWS (private $((private[3] / 1024)) KiB at 3, $((private[MINUTES] / 1024)) KiB at $MINUTES)"
    fi
  fi
  echo "Verdict: $verdict."
  [ "$verdict" = flat ] || FAILED=1
}

ql_machine_create || exit 1
trap ql_machine_destroy EXIT
ql_machine_install QlStats.exe QlTune.exe || exit 1
ql_machine_install_standin || exit 1
ql_machine_reg_import "$REPO/tests/wine/stats/driver_s.reg" || exit 1
# The stand-in answers every statistics request with a few more reads and writes.
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlStandIn]\n%s\n' \
  '"ReadCountStep"=dword:00000003' '"ReadHitCountStep"=dword:00000002' \
  '"WriteCountStep"=dword:00000005' '"WriteBehindCountStep"=dword:00000002' \
  >"$QL_MACHINE_DIR/standin.reg"
ql_machine_reg_import "$QL_MACHINE_DIR/standin.reg" || exit 1
ql_machine_reboot || exit 1
ql_reg_wait_value "$RECORD" Letter "S:" 60 || exit 1

echo "## Soak under $(wine --version), $(date -u '+%Y-%m-%d %H:%M') UTC"
if [ "$ONLY" != tune ]; then
  ql_machine_start QlStats.exe
  launcher=$QL_LAST_PID
  if ql_robot wait-window "$STATS_WINDOW" -t 180 >/dev/null &&
    ql_robot set-text "$STATS_WINDOW" 1005 1 >/dev/null &&
    ql_robot click "$STATS_WINDOW" 1000 >/dev/null &&
    ql_robot_wait_text "$STATS_WINDOW" 1000 Stop 30; then
    soak QlStats.exe "Run, polling the stand-in every 1 s"
    ql_robot click "$STATS_WINDOW" 1000 >/dev/null
    ql_robot click "$STATS_WINDOW" 2 >/dev/null
  else
    echo "QlStats.exe: the monitor could not be started polling; not measured."
    FAILED=1
  fi
  ql_machine_wait "$launcher" 60 >/dev/null || kill "$(ql_program_pid QlStats.exe)" 2>/dev/null
fi
if [ "$ONLY" != stats ]; then
  ql_machine_start QlTune.exe
  launcher=$QL_LAST_PID
  if ql_robot wait-window "$TUNE_WINDOW" -t 180 >/dev/null; then
    soak QlTune.exe "window open, its periodic check running"
  else
    echo "QlTune.exe: no main window; not measured."
    FAILED=1
  fi
  # The machine's tear-down ends it.
fi
exit "$FAILED"
