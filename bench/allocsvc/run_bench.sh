#!/usr/bin/env bash
# Start-up cost of QlAllSrv.exe on a Wine machine with the stand-in driver.
#
#   run_bench.sh [runs per figure]      (default 7)
#
# 1. Time from StartService to RUNNING, for buffers of 64 and 256 MiB, against qlallocbase,
#    a minimal service that does the same reads, commit, lock and hand-over on its service
#    thread alone. Target: median ratio at most 1.10.
# 2. With a driver that takes 7 s to accept the buffer: the longest time between two
#    START_PENDING check points as the manager sees them. Target: at most 2.1 s.
#
# Both services are registered for demand start here (the wizard registers QlAlloc for
# automatic start), so that the probe starts them; the probe ends each one after it runs.
# Figures go to standard output; exit 0 when both targets are met, 1 when not, 77 skipped.
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/../.." && pwd)
# shellcheck source=../../tools/wine/machine.sh
source "$REPO/tools/wine/machine.sh"
RUNS=${1:-7}

ql_require_wine || exit "$QL_SKIP"
for exe in QlAllSrv.exe qlallocbase.exe qlsvcprobe.exe; do
  ql_find_exe "$exe" >/dev/null || exit "$QL_SKIP"
done
ql_machine_create || exit 1
trap ql_machine_destroy EXIT
ql_machine_install QlAllSrv.exe qlallocbase.exe qlsvcprobe.exe || exit 1
ql_machine_install_standin || exit 1

services="$QL_MACHINE_DIR/bench_services.reg"
cat >"$services" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QlAlloc]
"Type"=dword:00000110
"Start"=dword:00000003
"ErrorControl"=dword:00000001
"ImagePath"="C:\\windows\\system32\\QlAllSrv.exe"
"ObjectName"="LocalSystem"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\QlAllocBase]
"Type"=dword:00000110
"Start"=dword:00000003
"ErrorControl"=dword:00000001
"ImagePath"="C:\\windows\\system32\\qlallocbase.exe"
"ObjectName"="LocalSystem"
REG
ql_machine_reg_import "$REPO/tests/wine/allocsvc/driver_q.reg" "$services" || exit 1

# Boots with the stand-in set up as given ("name"=dword:... lines).
boot_with() {
  local reg="$QL_MACHINE_DIR/standin.reg"
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlStandIn]\n'
    printf '%s\n' "$@"
  } >"$reg"
  ql_machine_reg_import "$reg" && ql_machine_reboot
}

# One probe run; prints the field asked for ("running_ms", "max_gap_ms").
probe() {
  local service=$1 field=$2 line
  line=$(ql_machine_run qlsvcprobe.exe "$service" 180 | tr -d '\r') || {
    echo "qlsvcprobe $service: $line" >&2
    return 1
  }
  echo "  $service: $line" >&2
  sed -n "s/.*$field=\([0-9.]*\).*/\1/p" <<<"$line"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

status=0
for mib in 64 256; do
  boot_with "\"BufferSize\"=dword:$(printf '%08x' $((mib * 1048576)))" || exit 1
  service_times=() base_times=()
  for ((i = 0; i < RUNS; i++)); do
    # Alternate, so that drifts of the machine's load fall on both alike.
    service_times+=("$(probe QlAlloc running_ms)") || exit 1
    base_times+=("$(probe QlAllocBase running_ms)") || exit 1
  done
  s=$(printf '%s\n' "${service_times[@]}" | median)
  b=$(printf '%s\n' "${base_times[@]}" | median)
  # Each run of the service is paired with the baseline's run right after it; the median of
  # those ratios is the figure, the ratio of the two medians is shown beside it.
  ratios=()
  for ((i = 0; i < RUNS; i++)); do
    ratios+=("$(awk -v s="${service_times[$i]}" -v b="${base_times[$i]}" 'BEGIN { printf "%.4f", s / b }')")
  done
  ratio=$(printf '%s\n' "${ratios[@]}" | median)
  ratio=$(awk -v r="$ratio" 'BEGIN { printf "%.3f", r }')
  echo "start to RUNNING, $mib MiB, $RUNS runs: QlAllSrv median $s ms, minimal one-thread service median $b ms;" \
    "median of the pair ratios $ratio, ratio of the medians $(awk -v s="$s" -v b="$b" 'BEGIN { printf "%.3f", s / b }') (target <= 1.10)"
  awk -v r="$ratio" 'BEGIN { exit !(r <= 1.10) }' || status=1
done

boot_with '"BufferSize"=dword:04000000' '"FinalInitDelay"=dword:00001b58' || exit 1
gaps=()
for ((i = 0; i < RUNS; i++)); do gaps+=("$(probe QlAlloc max_gap_ms)") || exit 1; done
worst=$(printf '%s\n' "${gaps[@]}" | sort -n | tail -n 1)
echo "7 s hand-over: longest gap between START_PENDING check points $worst ms over $RUNS runs (target <= 2100)"
awk -v g="$worst" 'BEGIN { exit !(g <= 2100) }' || status=1

exit "$status"
