#!/usr/bin/env bash
# QlAllSrv.exe (the service QlAlloc) against hostile machine states: Start and DosDevice
# missing, of the wrong type and of 0, 1, 3, 5, 9 and 4096 bytes, its keys denied, and a
# driver that fails each control code, answers short, answers more than asked or takes 30 s.
# One machine with the stand-in loaded at boot for Q:; the service is registered to start on
# demand and started once per case, its process ended after it (it accepts no stop). Prints
# the table of cases.
#
# Exit 0 passed, 1 failed, 77 skipped (no Wine or no win32 build).
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/../../.." && pwd)
# shellcheck source=../../../tools/wine/machine.sh
source "$REPO/tools/wine/machine.sh"
# shellcheck source=hostile_lib.sh
source "$HERE/hostile_lib.sh"
# The core cases: one of each kind of input (HX_CORE_ONLY=1, see hostile_lib.sh).
# shellcheck disable=SC2034
HX_CORE="alloc-start-4096 alloc-deny-parameters alloc-size-fails alloc-size-short"

PROGRAM=QlAllSrv.exe
CAPTION="Quillon-NT Initialization Error"
FINAL="Error during driver initialization"
K='HKLM\SYSTEM\CurrentControlSet\Services\QlDrv'
P="$K\\Parameters"
STANDIN='HKLM\SYSTEM\CurrentControlSet\Services\QlStandIn'
SERVICE='HKLM\SYSTEM\CurrentControlSet\Services\QlAlloc'

BASE=(del "$K" set "$K" Type 4 01000000 set "$K" Start 4 00000000 set "$K" ErrorControl 4 01000000
  set "$K" Group 1 text:Orvel set "$P" DosDevice 1 text:Q: set "$P" PageSize 4 00800000
  set "$P" MaxLRU 4 00080000 set "$P" MinLRU 4 20000000 set "$P" LazyWrite 4 01000000)
# A buffer of 1 MiB, a driver that behaves. Statuses are set to success rather than removed:
# the stand-in keeps a status it read once until it reads another.
CALM=(set "$STANDIN" BufferSize 4 00001000 set "$STANDIN" QuerySizeStatus 4 00000000
  set "$STANDIN" FinalInitStatus 4 00000000 set "$STANDIN" FinalInitDelay 4 00000000
  unset "$STANDIN" QuerySizeDelay unset "$STANDIN" QuerySizeReturned
  unset "$STANDIN" FinalInitReturned)

service_case() {
  local id=$1 input=$2 known=${3:-}
  hx_case "$id" "$PROGRAM" "$input" "$known"
  hx_setup "${BASE[@]}" "${CALM[@]}"
  hx_keys "$K"
  hx_run_with start-service QlAlloc 120
  hx_after end-service QlAlloc
}
# RUNNING with exit code 0 and no message: an idle service or a finished hand-over.
runs_quietly() {
  hx_expect_quiet "$CAPTION"
  hx_expect_exit 4/0
}
# The specific message, then the closing one, and STOPPED with 31.
fails_with() {
  hx_expect_box "$CAPTION" "$1"
  hx_expect_box "$CAPTION" "$FINAL"
  hx_expect_exit 1/31
}

ql_require_wine || exit "$QL_SKIP"
ql_find_exe "$PROGRAM" >/dev/null && hx_helper >/dev/null || exit "$QL_SKIP"
ql_machine_create || exit 1
trap ql_machine_destroy EXIT
ql_machine_install "$PROGRAM" || exit 1
ql_machine_install_standin || exit 1
ql_machine_reg_import "$REPO/tests/wine/allocsvc/qlalloc_registered.reg" || exit 1
# Started by the cases, not by the boot.
ql_machine_run "$(hx_helper)" "${BASE[@]}" "${CALM[@]}" set "$SERVICE" Start 4 03000000 \
  >/dev/null || exit 1
ql_machine_reboot || exit 1
ql_reg_wait_value "$STANDIN\\Record" Letter "Q:" 60 || exit 1
t0=$SECONDS

# Keys and values missing: the service runs idle without a word.
service_case alloc-no-key "no driver key"
hx_setup del "$K"
runs_quietly
hx_run
service_case alloc-no-parameters "no Parameters key"
hx_setup del "$P"
runs_quietly
hx_run
service_case alloc-start-missing "Start missing"
hx_setup unset "$K" Start
runs_quietly
hx_run
service_case alloc-dosdevice-missing "DosDevice missing"
hx_setup unset "$P" DosDevice
runs_quietly
hx_run

# Start: type not examined; short data fills the low bytes, longer data does not read.
service_case alloc-start-sz "Start REG_SZ \"0\" (1 byte, 0x30: above 3)"
hx_setup set "$K" Start 1 text:0
runs_quietly
hx_run
for n in 0 1 3; do
  service_case "alloc-start-$n" "Start REG_DWORD of $n zero bytes (reads 0: hand-over)"
  hx_setup set "$K" Start 4 "fill:$n:00"
  runs_quietly
  hx_run
done
for n in 5 9 4096; do
  service_case "alloc-start-$n" "Start REG_DWORD of $n zero bytes"
  hx_setup set "$K" Start 4 "fill:$n:00"
  runs_quietly
  hx_run
done

# DosDevice: the first byte names the drive; more than 8 bytes do not read.
service_case alloc-dosdevice-dword "DosDevice REG_DWORD 0x3a51 (\"Q:\" in its bytes)"
hx_setup set "$P" DosDevice 4 513a0000
runs_quietly
hx_run
service_case alloc-dosdevice-0 "DosDevice REG_SZ of 0 bytes"
hx_setup set "$P" DosDevice 1 -
fails_with "Could not get Quillon-NT device handle"
hx_run
for text in q Q:x Q:xyz; do
  service_case "alloc-dosdevice-${#text}" "DosDevice REG_SZ \"$text\" (${#text} bytes)"
  hx_setup set "$P" DosDevice 1 "text:$text"
  runs_quietly
  hx_run
done
for n in 9 4096; do
  service_case "alloc-dosdevice-$n" "DosDevice REG_SZ of $n bytes"
  hx_setup set "$P" DosDevice 1 "fill:$n:51"
  runs_quietly
  hx_run
done

# Keys denied to the user: a refused open counts as a missing key.
service_case alloc-deny-driver "driver key denied (security descriptor)"
hx_deny "$K"
runs_quietly
hx_run
service_case alloc-deny-parameters "Parameters key denied (security descriptor)"
hx_deny "$P"
runs_quietly
hx_run

# The driver misbehaves. What the stand-in received shows after each case: the count of
# hand-overs since the boot and the last hand-over record (size, address, handle).
handover() {
  local dump
  dump=$(ql_reg_dump "$STANDIN\\Record") || return 0
  printf 'stand-in: %s hand-overs, last record %s' "$(ql_reg_pick "$dump" FinalInitCount)" \
    "$(ql_reg_pick "$dump" FinalInitRecord | tr -d ' ,')"
}
driver_case() {
  service_case "$@"
  hx_probe handover
}
driver_case alloc-size-fails "IOCTL_OV_QUERY_SIZE fails (STATUS_UNSUCCESSFUL)"
hx_setup set "$STANDIN" QuerySizeStatus 4 010000c0
fails_with "IOCTL_OV_QUERY_SIZE failed"
hx_run
driver_case alloc-handover-fails "IOCTL_OV_FINAL_INIT fails (STATUS_UNSUCCESSFUL)"
hx_setup set "$STANDIN" FinalInitStatus 4 010000c0
fails_with "IOCTL_OV_FINAL_INIT failed"
hx_run
driver_case alloc-zero-handover-fails "size 0, IOCTL_OV_FINAL_INIT fails"
hx_setup set "$STANDIN" BufferSize 4 00000000 set "$STANDIN" FinalInitStatus 4 010000c0
fails_with "IOCTL_OV_FINAL_INIT failed"
hx_run
driver_case alloc-size-short "IOCTL_OV_QUERY_SIZE answers 4 of 8 bytes"
hx_setup set "$STANDIN" QuerySizeReturned 4 04000000
runs_quietly
hx_run
driver_case alloc-size-empty "IOCTL_OV_QUERY_SIZE answers 0 bytes (size reads 0)"
hx_setup set "$STANDIN" QuerySizeReturned 4 00000000
runs_quietly
hx_run
driver_case alloc-size-long "IOCTL_OV_QUERY_SIZE claims 12 bytes for 8 asked"
hx_setup set "$STANDIN" QuerySizeReturned 4 0c000000
runs_quietly
hx_run
driver_case alloc-handover-long "IOCTL_OV_FINAL_INIT claims 16 bytes for none asked"
hx_setup set "$STANDIN" FinalInitReturned 4 10000000
runs_quietly
hx_run
# The working-set limit (size + 2 MiB) wraps in 32 bits to under 2 MiB and is granted; the
# commit of almost 4 GiB is then refused.
driver_case alloc-size-huge "IOCTL_OV_QUERY_SIZE answers 4 GiB - 4 KiB"
hx_setup set "$STANDIN" BufferSize 4 00f0ffff
fails_with "Buffer allocation attempt failed"
hx_run
driver_case alloc-size-slow "IOCTL_OV_QUERY_SIZE takes 30 s"
hx_setup set "$STANDIN" QuerySizeDelay 4 30750000
runs_quietly
hx_run
driver_case alloc-handover-slow "IOCTL_OV_FINAL_INIT takes 30 s"
hx_setup set "$STANDIN" FinalInitDelay 4 30750000
runs_quietly
hx_run

hx_check_crash_dialog
hx_check_crash_log "$QL_BOOT_LOG" "the service's standard error (the boot log)"
echo "QlAllSrv cases took $((SECONDS - t0)) s"
hx_print_table
