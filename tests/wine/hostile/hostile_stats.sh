#!/usr/bin/env bash
# QlStats.exe against hostile machine states: every value it reads missing, of the wrong type
# and of 0, 1, 3, 5, 9 and 4096 bytes, its keys denied, and a driver that fails, answers
# short, answers more than asked or takes 30 s. One machine, the stand-in loaded at boot for
# S:; the registry is laid down afresh for every case. Prints the table of cases.
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
HX_CORE="stats-start-sz stats-dosdevice-4096 stats-deny-parameters stats-driver-fails"

PROGRAM=QlStats.exe
WINDOW="Quillon-NT Statistics"
K='HKLM\SYSTEM\CurrentControlSet\Services\QlDrv'
P="$K\\Parameters"
STANDIN='HKLM\SYSTEM\CurrentControlSet\Services\QlStandIn'
NOT_INSTALLED="Quillon-NT not installed"
NOT_RUNNING="Quillon-NT not running"
CANNOT="Cannot connect to driver"

# The driver as the wizard leaves it for S:, laid down afresh.
BASE=(del "$K" set "$K" Type 4 01000000 set "$K" Start 4 00000000 set "$K" ErrorControl 4 01000000
  set "$K" Group 1 text:Orvel set "$P" DosDevice 1 text:S: set "$P" PageSize 4 00800000
  set "$P" MaxLRU 4 00080000 set "$P" MinLRU 4 20000000 set "$P" LazyWrite 4 01000000)
# The stand-in behaves again. It keeps a status it read once until it reads another, so the
# statuses are set to success rather than removed.
CALM=(set "$STANDIN" CreateStatus 4 00000000 set "$STANDIN" GetStatsStatus 4 00000000
  unset "$STANDIN" GetStatsDelay unset "$STANDIN" GetStatsReturned)

# A start-up refusal: the box and exit code 1.
refusal() {
  hx_expect_box "$1" "$CANNOT"
  hx_expect_exit 1
}

registry_case() {
  local id=$1 input=$2 known=${3:-}
  hx_case "$id" "$PROGRAM" "$input" "$known"
  hx_setup "${BASE[@]}"
  hx_keys "$K"
}

# Window actions for the driver cases: print what was seen, fail on a wrong reaction.
text_of() { ql_robot get-text "$WINDOW" "$1" -t 30 | tr -d '\r'; }

figures() { printf '"%s" "%s" "%s" "%s"' "$(text_of 1001)" "$(text_of 1002)" "$(text_of 1003)" \
  "$(text_of 1004)"; }

# Run with a rate of 1 s until figures show, then Stop.
run_for_figures() {
  local t0=$SECONDS shown
  ql_robot set-text "$WINDOW" 1005 1 >/dev/null || return 1
  ql_robot click "$WINDOW" 1000 >/dev/null || return 1
  while [ "$(text_of 1001)" = "********" ]; do
    [ $((SECONDS - t0)) -ge 30 ] && {
      echo "no figures after 30 s"
      return 1
    }
    sleep 1
  done
  shown=$(figures)
  ql_robot click "$WINDOW" 1000 >/dev/null
  echo "figures $shown"
}

# Run, expecting a box; the window stays.
run_for_box() {
  local caption=$1 want=$2 text
  ql_robot click "$WINDOW" 1000 >/dev/null || return 1
  text=$(hx_answer_box "$caption" 20)
  echo "after Run: box \"$caption\": \"$text\"; button \"$(text_of 1000)\""
  [ "$text" = "$want" ]
}
create_fails() { run_for_box "Error Connecting to Driver" "Could not get device handle"; }
stats_fails() { run_for_box "Driver Connection Failed" "IOCTL_OV_GET_STATS failed, code 21"; }

# A rate of an hour, so only the connection's own request runs; it takes 30 s.
slow_driver() {
  local t0=$SECONDS button
  ql_robot set-text "$WINDOW" 1005 3600 >/dev/null || return 1
  ql_robot click "$WINDOW" 1000 >/dev/null || return 1
  button=$(text_of 1000)
  echo "Run answered after $((SECONDS - t0)) s, button \"$button\", figures $(figures)"
  [ "$button" = Stop ]
}

ql_require_wine || exit "$QL_SKIP"
ql_find_exe "$PROGRAM" >/dev/null && hx_helper >/dev/null || exit "$QL_SKIP"
ql_machine_create || exit 1
trap ql_machine_destroy EXIT
ql_machine_install "$PROGRAM" || exit 1
ql_machine_install_standin || exit 1
# Counters per interval: 3 reads with 2 hits, 1234 writes with 617 behind.
ql_machine_run "$(hx_helper)" "${BASE[@]}" set "$STANDIN" ReadCountStep 4 03000000 \
  set "$STANDIN" ReadHitCountStep 4 02000000 set "$STANDIN" WriteCountStep 4 d2040000 \
  set "$STANDIN" WriteBehindCountStep 4 69020000 >/dev/null || exit 1
ql_machine_reboot || exit 1
ql_reg_wait_value "$STANDIN\\Record" Letter "S:" 60 || exit 1
t0=$SECONDS

# Keys and values missing.
hx_case stats-no-key "$PROGRAM" "no driver key"
hx_setup del "$K"
hx_keys "$K"
refusal "$NOT_INSTALLED"
hx_run
registry_case stats-no-parameters "no Parameters key"
hx_setup del "$P"
refusal "$NOT_INSTALLED"
hx_run
registry_case stats-start-missing "Start missing"
hx_setup unset "$K" Start
refusal "$NOT_INSTALLED"
hx_run
registry_case stats-dosdevice-missing "DosDevice missing"
hx_setup unset "$P" DosDevice
refusal "$NOT_INSTALLED"
hx_run

# Start of the wrong type: the type is not examined, the bytes are.
registry_case stats-start-sz "Start REG_SZ \"0\" (1 byte, 0x30)"
hx_setup set "$K" Start 1 text:0
refusal "$NOT_RUNNING"
hx_run
registry_case stats-start-binary "Start REG_BINARY 00000000"
hx_setup set "$K" Start 3 00000000
hx_expect_window "$WINDOW"
hx_expect_exit 0
hx_run
# Start of other lengths: short data fills the low bytes of a zeroed number; longer than
# 4 bytes does not read.
for n in 0 1 3; do
  registry_case "stats-start-$n" "Start REG_DWORD of $n zero bytes"
  hx_setup set "$K" Start 4 "fill:$n:00"
  hx_expect_window "$WINDOW"
  hx_expect_exit 0
  hx_run
done
for n in 5 9 4096; do
  registry_case "stats-start-$n" "Start REG_DWORD of $n zero bytes"
  hx_setup set "$K" Start 4 "fill:$n:00"
  refusal "$NOT_INSTALLED"
  hx_run
done

# DosDevice of the wrong type and of every length.
registry_case stats-dosdevice-dword "DosDevice REG_DWORD 0x3a53 (\"S:\" in its bytes)"
hx_setup set "$P" DosDevice 4 533a0000
hx_expect_window "$WINDOW"
hx_expect_exit 0
hx_run
registry_case stats-dosdevice-0 "DosDevice REG_SZ of 0 bytes"
hx_setup set "$P" DosDevice 1 -
hx_expect_window "$WINDOW" create_fails
hx_expect_exit 0
hx_run
registry_case stats-dosdevice-1 "DosDevice REG_SZ \"S\" (1 byte)"
hx_setup set "$P" DosDevice 1 text:S
hx_expect_window "$WINDOW" create_fails
hx_expect_exit 0
hx_run
registry_case stats-dosdevice-3 "DosDevice REG_SZ \"S:x\" (3 bytes)"
hx_setup set "$P" DosDevice 1 text:S:x
hx_expect_window "$WINDOW" create_fails
hx_expect_exit 0
hx_run
registry_case stats-dosdevice-5 "DosDevice REG_SZ \"S:xyz\" (5 bytes)"
hx_setup set "$P" DosDevice 1 text:S:xyz
refusal "$NOT_INSTALLED"
hx_run
registry_case stats-dosdevice-9 "DosDevice REG_SZ of 9 bytes"
hx_setup set "$P" DosDevice 1 fill:9:53
refusal "$NOT_INSTALLED"
hx_run
registry_case stats-dosdevice-4096 "DosDevice REG_SZ of 4096 bytes"
hx_setup set "$P" DosDevice 1 fill:4096:53
refusal "$NOT_INSTALLED"
hx_run

# Keys denied to the user.
registry_case stats-deny-driver "driver key denied (security descriptor)"
hx_deny "$K"
refusal "$NOT_INSTALLED"
hx_run
registry_case stats-deny-parameters "Parameters key denied (security descriptor)"
hx_deny "$P"
refusal "$NOT_INSTALLED"
hx_run

# The driver misbehaves; the registry is as the wizard leaves it.
driver_case() {
  local id=$1 input=$2 action=$3 known=""
  [[ $id == *-wine ]] && known=wine
  registry_case "${id%-wine}" "$input" "$known"
  hx_setup "${CALM[@]}"
  shift 3
  hx_setup "$@"
  hx_expect_window "$WINDOW" "$action"
  hx_expect_exit 0
  hx_run
}
# Wine 8 does not carry a failed IRP_MJ_CREATE back to the caller: the open succeeds. A
# device that does not open is shown by the DosDevice cases above instead.
driver_case stats-driver-open-fails-wine "device open fails (STATUS_ACCESS_DENIED)" create_fails \
  set "$STANDIN" CreateStatus 4 220000c0
driver_case stats-driver-fails "IOCTL_OV_GET_STATS fails (STATUS_DEVICE_NOT_READY)" stats_fails \
  set "$STANDIN" GetStatsStatus 4 a30000c0
driver_case stats-driver-short "IOCTL_OV_GET_STATS answers 16 of 48 bytes" run_for_figures \
  set "$STANDIN" GetStatsReturned 4 10000000
driver_case stats-driver-empty "IOCTL_OV_GET_STATS answers 0 bytes" run_for_figures \
  set "$STANDIN" GetStatsReturned 4 00000000
driver_case stats-driver-long "IOCTL_OV_GET_STATS claims 64 bytes for 48 asked" run_for_figures \
  set "$STANDIN" GetStatsReturned 4 40000000
driver_case stats-driver-slow "IOCTL_OV_GET_STATS takes 30 s" slow_driver \
  set "$STANDIN" GetStatsDelay 4 30750000

hx_check_crash_dialog
echo "QlStats cases took $((SECONDS - t0)) s"
hx_print_table
