#!/usr/bin/env bash
# QlAllSrv.exe on a Wine test machine: the stand-in driver loaded at boot, the service
# registered as the wizard registers it and started by the boot's service control manager.
#
#   qlalloc_wine_test.sh buffer64|zero|query-fails|disabled
#
# Exit 0 passed, 1 failed, 77 skipped (no Wine or no win32 build).
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/../../.." && pwd)
# shellcheck source=../../../tools/wine/machine.sh
source "$REPO/tools/wine/machine.sh"

SCENARIO=${1:-}
CAPTION="Quillon-NT Initialization Error"
DIALOG="Norvane Systems Quillon-NT"
STANDIN='HKLM\SYSTEM\CurrentControlSet\Services\QlStandIn'
RECORD="$STANDIN\\Record"

fail() {
  echo "FAIL [$SCENARIO]: $*" >&2
  exit 1
}

# The stand-in's behaviour for this boot: "name"=dword:... lines of its own key.
standin_settings() {
  local reg="$QL_MACHINE_DIR/standin.reg"
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlStandIn]\n'
    printf '%s\n' "$@"
  } >"$reg"
  ql_machine_reg_import "$reg"
}

# The 16-byte hand-over record the stand-in received, as 32 upper-case hex digits.
handover_record() {
  ql_reg_value "$RECORD" FinalInitRecord | tr -d ' ,' | tr 'a-f' 'A-F'
}

expect_state() {
  local want=$1 line
  line=$(ql_svc_state QlAlloc) || fail "cannot query QlAlloc"
  case " $line " in *" $want "*) ;; *) fail "QlAlloc: wanted $want, got: $line" ;; esac
}

# No error box within a few seconds.
expect_no_box() {
  if ql_robot msgbox -c "$CAPTION" -a none -t "${1:-5}" >/dev/null 2>&1; then
    fail "an error box appeared"
  fi
}

# Waits for the error box that reads the text wanted and answers it (or leaves it open).
box_with_text() {
  local want=$1 answer=$2 limit=${3:-120} t0=$SECONDS out
  while :; do
    out=$(ql_robot msgbox -c "$CAPTION" -a none -t 10 2>/dev/null | tr -d '\r')
    if grep -qxF "text: $want" <<<"$out"; then
      [ "$answer" = none ] || ql_robot msgbox -c "$CAPTION" -a "$answer" -t 5 >/dev/null ||
        fail "could not answer '$want'"
      return 0
    fi
    if [ $((SECONDS - t0)) -ge "$limit" ]; then
      echo "windows on the desktop:" >&2
      ql_robot top-list -t 5 >&2
      fail "no box '$want' after $limit s (last: ${out:-none}; QlAlloc: $(ql_svc_state QlAlloc 2>&1))"
    fi
    sleep 1
  done
}

case "$SCENARIO" in
  buffer64 | zero | query-fails | disabled) ;;
  *)
    echo "usage: $0 buffer64|zero|query-fails|disabled" >&2
    exit 2
    ;;
esac

ql_require_wine || exit "$QL_SKIP"
ql_find_exe QlAllSrv.exe >/dev/null || exit "$QL_SKIP"
ql_machine_create || exit 1
trap ql_machine_destroy EXIT

ql_machine_install QlAllSrv.exe || fail "install QlAllSrv.exe"
ql_machine_install_standin || fail "install the stand-in"
ql_machine_reg_import "$HERE/driver_q.reg" "$HERE/qlalloc_registered.reg" || fail "fixtures"

case "$SCENARIO" in
  buffer64) standin_settings '"BufferSize"=dword:04000000' ;;
  zero) standin_settings '"BufferSize"=dword:00000000' ;;
  # STATUS_UNSUCCESSFUL, which the caller sees as error 31.
  query-fails) standin_settings '"BufferSize"=dword:04000000' '"QuerySizeStatus"=dword:c0000001' ;;
  disabled)
    standin_settings '"BufferSize"=dword:04000000'
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlDrv]\n"Start"=dword:00000004\n' \
      >"$QL_MACHINE_DIR/disabled.reg"
    ql_machine_reg_import "$QL_MACHINE_DIR/disabled.reg"
    ;;
esac || fail "stand-in settings"

ql_machine_reboot || fail "reboot"

case "$SCENARIO" in
  buffer64)
    ql_svc_wait_state QlAlloc 4 180 || fail "QlAlloc did not reach RUNNING"
    expect_state "exit=0"
    record=$(handover_record) || fail "the stand-in got no hand-over"
    # Size 64 MiB (low half, high half 0), then a buffer address and a handle, both set.
    [ "${record:0:16}" = 0000000400000000 ] || fail "hand-over size: $record"
    [ "${record:16:8}" != 00000000 ] || fail "hand-over without address: $record"
    [ "${record:24:8}" != 00000000 ] || fail "hand-over without handle: $record"
    # Create, size query, hand-over, close: the handle is closed after the hand-over.
    ql_reg_wait_value "$RECORD" Order CQFX 30 || fail "requests: $(ql_reg_value "$RECORD" Order)"
    ql_robot wait-gone "$DIALOG" -t 30 >/dev/null || fail "progress dialog still up"
    expect_no_box 3
    expect_state "state=4"
    ;;
  zero)
    ql_svc_wait_state QlAlloc 4 180 || fail "QlAlloc did not reach RUNNING"
    record=$(handover_record) || fail "the stand-in got no hand-over"
    [ "$record" = 00000000000000000000000000000000 ] || fail "zero hand-over: $record"
    # The handle stays open: no close after the hand-over.
    sleep 3
    order=$(ql_reg_value "$RECORD" Order)
    [ "$order" = CQF ] || fail "requests: $order"
    expect_no_box 3
    ;;
  query-fails)
    box_with_text "IOCTL_OV_QUERY_SIZE failed" none
    # The specific message comes while the service still starts, over the progress dialog.
    expect_state "state=2"
    text=$(ql_robot get-text "$DIALOG" 65535 -t 5 | tr -d '\r') || fail "no progress dialog"
    [ "$text" = $'Quillon-NT is initializing.\nPlease wait.' ] || fail "dialog text: $text"
    box_with_text "IOCTL_OV_QUERY_SIZE failed" ok
    box_with_text "Error during driver initialization" none 60
    expect_state "state=1"
    expect_state "exit=31"
    # The service has stopped and its dispatcher has returned; the message stays.
    sleep 5
    box_with_text "Error during driver initialization" ok 5
    ql_robot wait-gone "$DIALOG" -t 30 >/dev/null || fail "progress dialog still up"
    order=$(ql_reg_value "$RECORD" Order)
    [ "$order" = CQX ] || fail "requests: $order"
    ;;
  disabled)
    ql_svc_wait_state QlAlloc 4 180 || fail "QlAlloc did not reach RUNNING"
    expect_no_box 5
    # The disabled driver is not loaded, and nothing was asked of any device.
    if ql_reg_value "$RECORD" Loaded >/dev/null 2>&1; then fail "the disabled driver loaded"; fi
    expect_state "state=4"
    ;;
esac

echo "PASS [$SCENARIO]"
