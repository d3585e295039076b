#!/usr/bin/env bash
# QlStats.exe on a Wine test machine: the stand-in driver loaded at boot for drive S:, its
# counters scripted through its own key, and the UI robot reading the monitor's boxes.
#
#   qlstats_wine_test.sh figures|lost|stats-fails|startup|log
#
# Exit 0 passed, 1 failed, 77 skipped (no Wine or no win32 build).
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/../../.." && pwd)
# shellcheck source=../../../tools/wine/machine.sh
source "$REPO/tools/wine/machine.sh"

SCENARIO=${1:-}
WINDOW="Quillon-NT Statistics"
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

text_of() { ql_robot get-text "$WINDOW" "$1" -t 30 | tr -d '\r'; }

expect_text() {
  local id=$1 want=$2 got
  got=$(text_of "$id") || fail "cannot read control $id"
  [ "$got" = "$want" ] || fail "control $id: wanted '$want', got '$got'"
}

# enabled=0 or enabled=1 of one control, from the robot's list.
enabled_of() {
  ql_robot list "$WINDOW" -t 30 | tr -d '\r' | awk -v id="id=$1" '$1 == id {
      for (i = 2; i <= NF; ++i) if ($i ~ /^enabled=/) print substr($i, 9) }'
}

expect_placeholders() {
  expect_text 1001 "********"
  expect_text 1002 "****"
  expect_text 1003 "********"
  expect_text 1004 "****"
}

# Waits for a message box with this caption, checks its text and answers OK.
expect_box() {
  local caption=$1 want=$2 out
  out=$(ql_robot msgbox -c "$caption" -a ok -t "${3:-120}" | tr -d '\r') ||
    fail "no box '$caption' ($want)"
  grep -qxF "text: $want" <<<"$out" || fail "box '$caption': wanted '$want', got: $out"
}

# Waits until box 1001 shows a figure instead of its placeholder.
wait_figures() {
  local t0=$SECONDS got
  while :; do
    got=$(text_of 1001) || fail "cannot read the reads box"
    [ "$got" != "********" ] && return 0
    [ $((SECONDS - t0)) -ge 120 ] && fail "no figures after 120 s"
    sleep 1
  done
}

standin_value() { ql_reg_value "$RECORD" "$1"; }

# Starts the monitor (with its arguments) as a child of this shell, so that its exit code can
# be waited for.
start_monitor() {
  (QL_RUN_TIMEOUT=600 ql_machine_run QlStats.exe "$@" >/dev/null) &
  MONITOR_PID=$!
}

# Waits for a message box without answering it, so that the window under it can be read.
wait_box() {
  local caption=$1 want=$2 out
  out=$(ql_robot msgbox -c "$caption" -a none -t "${3:-120}" | tr -d '\r') ||
    fail "no box '$caption' ($want)"
  grep -qxF "text: $want" <<<"$out" || fail "box '$caption': wanted '$want', got: $out"
}

# While a connection message is up, the window already reads Stop over its placeholders.
expect_connecting_state() {
  expect_text 1000 "Stop"
  [ "$(enabled_of 1005)" = 0 ] || fail "the rate box is enabled while connecting"
  expect_placeholders
}

# Waits for the monitor to end and checks its exit code.
expect_exit() {
  local want=$1 code
  wait "$MONITOR_PID"
  code=$?
  [ "$code" = "$want" ] || fail "exit code $code, wanted $want"
}

case "$SCENARIO" in
  figures | lost | stats-fails | startup | log) ;;
  *)
    echo "usage: $0 figures|lost|stats-fails|startup|log" >&2
    exit 2
    ;;
esac

ql_require_wine || exit "$QL_SKIP"
ql_find_exe QlStats.exe >/dev/null || exit "$QL_SKIP"
ql_machine_create || exit 1
trap ql_machine_destroy EXIT
ql_machine_install QlStats.exe || fail "install QlStats.exe"

if [ "$SCENARIO" = startup ]; then
  # No driver key at all.
  start_monitor
  expect_box "Quillon-NT not installed" "Cannot connect to driver"
  expect_exit 1

  # Registered, but to start automatically rather than at boot: not running, no window.
  ql_machine_reg_import "$HERE/driver_s.reg" || fail "fixture"
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlDrv]\n"Start"=dword:00000002\n' \
    >"$QL_MACHINE_DIR/start2.reg"
  ql_machine_reg_import "$QL_MACHINE_DIR/start2.reg" || fail "Start 2"
  start_monitor
  expect_box "Quillon-NT not running" "Cannot connect to driver"
  expect_exit 1
  if ql_robot wait-window "$WINDOW" -t 2 >/dev/null 2>&1; then fail "the window appeared"; fi
  echo "PASS [$SCENARIO]"
  exit 0
fi

ql_machine_install_standin || fail "install the stand-in"
ql_machine_reg_import "$HERE/driver_s.reg" || fail "fixture"
case "$SCENARIO" in
  # Per interval: 3 reads with 2 hits, 1234 writes with 617 behind.
  figures | lost | log)
    standin_settings '"ReadCount"=dword:000003e8' '"ReadHitCount"=dword:00000384' \
      '"WriteCount"=dword:00000064' '"WriteBehindCount"=dword:00000032' \
      '"ReadCountStep"=dword:00000003' '"ReadHitCountStep"=dword:00000002' \
      '"WriteCountStep"=dword:000004d2' '"WriteBehindCountStep"=dword:00000269'
    ;;
  # STATUS_DEVICE_NOT_READY, which the caller sees as error 21.
  stats-fails) standin_settings '"GetStatsStatus"=dword:c00000a3' ;;
esac || fail "stand-in settings"
ql_machine_reboot || fail "reboot"
ql_reg_wait_value "$RECORD" Letter "S:" 60 || fail "the stand-in does not serve S:"

if [ "$SCENARIO" = log ]; then
  # A switch the program does not know: the usage, no window, exit code 2.
  start_monitor /bogus
  out=$(ql_robot msgbox -c "QlStats" -a ok -t 120 | tr -d '\r') || fail "no usage box"
  grep -qF 'text: Unknown switch: /bogus\n\nUsage: QlStats.exe [/log:FILE [/rate:N]]' \
    <<<"$out" || fail "usage box: $out"
  expect_exit 2

  # A log that cannot be opened: the message, no window, nothing polled, exit code 3.
  start_monitor '/log:C:\no such folder\qlstats.csv'
  expect_box "QlStats" 'Could not open the log file C:\\no such folder\\qlstats.csv (error 3).'
  expect_exit 3
  if standin_value Creates >/dev/null 2>&1; then fail "the device was opened"; fi

  # Twenty seconds of log at rate 1. Polling starts at once over the window.
  LOG="$QL_MACHINE_DIR/prefix/drive_c/qlstats.csv"
  t_start=$(date +%s)
  start_monitor '/log:C:\qlstats.csv' /rate:1
  ql_robot wait-window "$WINDOW" -t 180 >/dev/null || fail "no monitor window"
  expect_text 1000 "Stop"
  expect_text 1005 "1"
  [ "$(enabled_of 1005)" = 0 ] || fail "the rate box is enabled while logging"
  t0=$SECONDS
  while [ "$(grep -c . "$LOG" 2>/dev/null || echo 0)" -lt 21 ]; do
    [ $((SECONDS - t0)) -ge 180 ] && fail "fewer than 20 rows after 180 s"
    sleep 1
  done
  # Another program reads the file while the monitor still writes it (copy reads as most
  # programs do, sharing the file with its writer; cmd's type insists on being the only one).
  ql_machine_run cmd /c copy 'C:\qlstats.csv' 'C:\copy.csv' >/dev/null ||
    fail "the log cannot be read while it is written: $(tail -n 2 "$(ql_last_log)")"
  header=$(head -n 1 "$QL_MACHINE_DIR/prefix/drive_c/copy.csv" | tr -d '\r')
  [ "$header" = "Time,Interval (s),Reads,Cache Hit %,Writes,Write Behind %,Note" ] ||
    fail "read while written: '$header'"
  expect_text 1001 "          3"
  ql_robot click "$WINDOW" 2 >/dev/null || fail "click Exit"
  expect_exit 0
  t_end=$(date +%s)

  # Read back: the header once, then one row per answer after the baseline, each with the
  # figures the stand-in's steps give (3 reads, 2 hits; 1234 writes, 617 behind).
  ql_reg_wait_value "$RECORD" Closes 0x1 10 || fail "device not closed once"
  order=$(standin_value Order) || fail "no request order"
  [[ "$order" =~ ^CS+X$ ]] || fail "requests: $order"
  polls=$((${#order} - 3))
  mapfile -t lines < <(tr -d '\r' <"$LOG")
  [ "${lines[0]}" = "Time,Interval (s),Reads,Cache Hit %,Writes,Write Behind %,Note" ] ||
    fail "header: '${lines[0]}'"
  rows=$((${#lines[@]} - 1))
  [ "$rows" -ge 20 ] || fail "$rows rows"
  [ "$rows" = "$polls" ] || fail "$rows rows for $polls polls after the baseline ($order)"
  [ "$(grep -c $'\r$' "$LOG")" = "${#lines[@]}" ] || fail "a line without its CR LF"
  previous=$t_start
  for ((i = 1; i <= rows; ++i)); do
    row=${lines[$i]}
    [[ "$row" =~ ^([0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}),1,3,66\.7,1234,50\.0,$ ]] ||
      fail "row $i: '$row'"
    # Local time, as this machine's clock reads it; never going back.
    stamp=$(date -d "${BASH_REMATCH[1]}" +%s) || fail "row $i: time stamp"
    if [ "$stamp" -lt "$previous" ] || [ "$stamp" -gt "$t_end" ]; then
      fail "row $i: time ${BASH_REMATCH[1]} outside the run or out of order"
    fi
    previous=$stamp
  done
  echo "log: $rows rows at rate 1, $polls polls after the baseline"
  echo "PASS [$SCENARIO]"
  exit 0
fi

start_monitor
ql_robot wait-window "$WINDOW" -t 180 >/dev/null || fail "no monitor window"
expect_text 1000 "Run"
expect_text 1005 "2"
expect_placeholders

case "$SCENARIO" in
  figures)
    # A refused rate leaves the window stopped and asks nothing of the driver.
    ql_robot set-text "$WINDOW" 1005 "0" >/dev/null || fail "set the rate"
    ql_robot click "$WINDOW" 1000 >/dev/null || fail "click Run"
    expect_box "QlStats" "Please enter an integer between 1 and 3600."
    expect_text 1000 "Run"
    if standin_value Creates >/dev/null 2>&1; then fail "the device was opened"; fi
    # A pasted text longer than the monitor reads is no number, even when its first 63
    # characters would read as one (62 zeros and a 1).
    ql_robot set-text "$WINDOW" 1005 "$(printf '0%.0s' {1..62})15" >/dev/null ||
      fail "set the rate"
    ql_robot click "$WINDOW" 1000 >/dev/null || fail "click Run"
    expect_box "QlStats" "Please enter an integer."
    expect_text 1000 "Run"
    if standin_value Creates >/dev/null 2>&1; then fail "the device was opened"; fi
    ql_robot set-text "$WINDOW" 1005 "1" >/dev/null || fail "set the rate"

    ql_robot click "$WINDOW" 1000 >/dev/null || fail "click Run"
    expect_text 1000 "Stop"
    [ "$(enabled_of 1005)" = 0 ] || fail "the rate box is enabled while running"
    wait_figures
    expect_text 1001 "          3"
    expect_text 1002 " 66.7"
    expect_text 1003 "       1234"
    expect_text 1004 " 50.0"

    ql_robot click "$WINDOW" 1000 >/dev/null || fail "click Stop"
    expect_text 1000 "Run"
    [ "$(enabled_of 1005)" = 1 ] || fail "the rate box is disabled after Stop"
    expect_text 1001 "          3"
    # One open, one close, statistics requests in between.
    ql_reg_wait_value "$RECORD" Closes 0x1 10 || fail "device not closed once"
    order=$(standin_value Order) || fail "no request order"
    [[ "$order" =~ ^CSS+X$ ]] || fail "requests: $order"
    ;;
  lost)
    ql_robot set-text "$WINDOW" 1005 "1" >/dev/null || fail "set the rate"
    ql_robot click "$WINDOW" 1000 >/dev/null || fail "click Run"
    wait_figures
    # The stand-in takes its failure status only when it loads, so the connection is lost
    # the way a real one is: the driver goes away under the open handle. The code is then
    # the platform's, not the stand-in's.
    ql_machine_run sc stop QlDrv >/dev/null || fail "could not stop the driver"
    out=$(ql_robot msgbox -c "Driver Connection Failed" -a ok -t 120 | tr -d '\r') ||
      fail "no failure message"
    grep -qE '^text: IOCTL_OV_GET_STATS failed, code [1-9][0-9]*$' <<<"$out" ||
      fail "failure message: $out"
    echo "lost connection: $(grep '^text:' <<<"$out")"
    # Connection lost: the last figures stay, the button still reads Stop.
    expect_text 1000 "Stop"
    [ "$(enabled_of 1005)" = 0 ] || fail "the rate box is enabled after the loss"
    expect_text 1001 "          3"
    expect_text 1002 " 66.7"
    expect_text 1003 "       1234"
    expect_text 1004 " 50.0"
    # No second message while the window stays in that state.
    if ql_robot msgbox -c "Driver Connection Failed" -a none -t 5 >/dev/null 2>&1; then
      fail "a second failure message"
    fi
    # The next click goes the Stop way.
    ql_robot click "$WINDOW" 1000 >/dev/null || fail "click Stop"
    expect_text 1000 "Run"
    [ "$(enabled_of 1005)" = 1 ] || fail "the rate box is disabled after Stop"
    expect_text 1001 "          3"
    # Run again with the driver gone: the message finds Stop and the placeholders, not the
    # figures of the earlier run.
    ql_robot click "$WINDOW" 1000 >/dev/null || fail "click Run"
    wait_box "Error Connecting to Driver" "Could not get device handle"
    expect_connecting_state
    expect_box "Error Connecting to Driver" "Could not get device handle"
    ;;
  stats-fails)
    ql_robot click "$WINDOW" 1000 >/dev/null || fail "click Run"
    wait_box "Driver Connection Failed" "IOCTL_OV_GET_STATS failed, code 21"
    expect_connecting_state
    expect_box "Driver Connection Failed" "IOCTL_OV_GET_STATS failed, code 21"
    # Connecting failed: the button reads Stop, the rate box stays disabled, nothing shown.
    expect_text 1000 "Stop"
    [ "$(enabled_of 1005)" = 0 ] || fail "the rate box is enabled after a failed connection"
    expect_placeholders
    ql_reg_wait_value "$RECORD" Order "CSX" 10 || fail "requests: $(standin_value Order)"
    # The next click tries to connect again.
    ql_robot click "$WINDOW" 1000 >/dev/null || fail "click again"
    expect_box "Driver Connection Failed" "IOCTL_OV_GET_STATS failed, code 21"
    ql_reg_wait_value "$RECORD" Order "CSXCSX" 10 || fail "requests: $(standin_value Order)"
    expect_text 1000 "Stop"
    ;;
esac

ql_robot click "$WINDOW" 2 >/dev/null || fail "click Exit"
expect_exit 0
echo "PASS [$SCENARIO]"
