#!/usr/bin/env bash
# QlConfig.exe on a Wine test machine, driven by the UI robot; the registry and the service
# manager are Wine's own.
#
#   qlconfig_wine_test.sh finish-twice|finish-stored|cancel
#
#   finish-twice   Next, a click on C:, "On", Finish: every value the wizard writes, the
#                  event source, the group order and the QlAlloc registration; then a second
#                  run whose Finish reports "Error registering QlAlloc service".
#   finish-stored  A machine configured before (qlconfig_enabled.reg): Next, "On", Finish
#                  without a click on the list writes the values read back, puts PageSize and
#                  PendingLimit back and registers QlAlloc; a second run reports the existing
#                  service.
#   cancel         Cancel on the welcome page: no driver keys, but the event source and the
#                  group order entry are in place.
#
# Exit 0 passed, 1 failed, 77 skipped (no Wine or no win32 build).
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/../../.." && pwd)
# shellcheck source=../../../tools/wine/machine.sh
source "$REPO/tools/wine/machine.sh"

SCENARIO=${1:-}
# The welcome page has no title; Wine gives the sheet the page's (empty) title after the
# page's activation, so the sheet is found by an empty caption on that page.
WELCOME=""
OPTIONS="Quillon-NT Options"
SERVICES='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services'
DRIVER_KEY="$SERVICES\\QlDrv"
PARAMETERS_KEY="$SERVICES\\QlDrv\\Parameters"
EVENT_KEY="$SERVICES\\EventLog\\System\\QlDrv"
ALLOC_KEY="$SERVICES\\QlAlloc"
GROUP_KEY='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\ServiceGroupOrder'

fail() {
  echo "FAIL [$SCENARIO]: $*" >&2
  exit 1
}

case "$SCENARIO" in
  finish-twice | finish-stored | cancel) ;;
  *)
    echo "usage: $0 finish-twice|finish-stored|cancel" >&2
    exit 2
    ;;
esac

ql_require_wine || exit "$QL_SKIP"
ql_find_exe QlConfig.exe >/dev/null || exit "$QL_SKIP"
# Set first, so that a machine that comes up only half is taken down as well.
trap ql_machine_destroy EXIT
ql_machine_create || fail "no test machine"
ql_machine_reg_import "$REPO/tests/fixtures/qlconfig_fresh.reg" || fail "fixture not imported"
ql_machine_install QlConfig.exe || fail "QlConfig.exe not installed"

# The values of one key as "name=type:data" lines, sorted, from Wine's regedit export:
# exact bytes for every type that is not plain text or a number.
key_values() {
  local file="$QL_MACHINE_DIR/export-$RANDOM.reg"
  (cd "$QL_MACHINE_DIR/work" && ql_wine_env timeout "$QL_RUN_TIMEOUT" wine regedit /E \
    "$(ql_winpath "$file")" "$1") >/dev/null 2>&1 || return 1
  [ -f "$file" ] || return 1
  # Continued hex lines are joined; the key's own section only.
  iconv -f UTF-16LE -t UTF-8 "$file" | tr -d '\r' | sed -e ':a' -e '/\\$/N; s/\\\n  //; ta' |
    awk -v key="[$1]" '/^\[/ { inside = ($0 == key); next } inside && /^"/ { print }' |
    sed -e 's/^"\([^"]*\)"=/\1=/' | sort
}

# Text as a hex list of its UTF-16LE bytes with a terminating NUL, as regedit writes it.
utf16_hex() {
  printf '%s\0' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -s ' \n' ',' |
    sed -e 's/^,//' -e 's/,$//'
}

expect_values() {
  local key=$1 want=$2 got
  got=$(key_values "$key") || fail "cannot export $key"
  want=$(sort <<<"$want")
  [ "$got" = "$want" ] || fail "$key:"$'\n'"wanted:"$'\n'"$want"$'\n'"got:"$'\n'"$got"
}

# The group order: "Orvel" once, directly before "filter", every other entry in place.
expect_group_order() {
  local list
  list=$(ql_reg_value "$GROUP_KEY" List) || fail "no group order"
  case "$list" in
    *'\0Orvel\0filter\0'*) ;;
    *) fail "group order without Orvel before filter: $list" ;;
  esac
  [ "$(grep -o 'Orvel' <<<"$list" | wc -l)" = 1 ] || fail "Orvel more than once: $list"
  local without=${list/\\0Orvel\\0filter/\\0filter}
  [ "$without" = "$ORIGINAL_ORDER" ] || fail "group order changed otherwise: $list"
}

expect_event_source() {
  expect_values "$EVENT_KEY" "EventMessageFile=hex(2):$(utf16_hex '%SystemRoot%\System32\Drivers\QlDrv.sys')
TypesSupported=dword:00000007"
}

start_wizard() {
  WINEDEBUG=-all,trace+win ql_machine_start QlConfig.exe
  WIZARD_PID=$QL_LAST_PID
  ql_robot wait-window "$WELCOME" -t 300 >/dev/null || fail "no wizard"
}

next_page() {
  ql_robot sheet "$WELCOME" next || fail "Next not pressed"
  ql_robot wait-window "$OPTIONS" -t 120 >/dev/null || fail "no options page"
}

summary() { ql_robot get-text "$OPTIONS" 1002 -t 30 | tr -d '\r'; }

wait_summary() {
  local want=$1 t0=$SECONDS got
  while :; do
    got=$(summary) || fail "cannot read the summary"
    [ "$got" = "$want" ] && return 0
    [ $((SECONDS - t0)) -ge 60 ] && fail "summary: wanted '$want', got '$got'"
    sleep 1
  done
}

# The QlAlloc registration as the service manager stored it.
expect_alloc_registration() {
  [ "$(ql_reg_value "$ALLOC_KEY" Type)" = 0x110 ] || fail "QlAlloc type"
  [ "$(ql_reg_value "$ALLOC_KEY" Start)" = 0x2 ] || fail "QlAlloc start"
  [ "$(ql_reg_value "$ALLOC_KEY" ErrorControl)" = 0x1 ] || fail "QlAlloc error control"
  [ "$(ql_reg_value "$ALLOC_KEY" ImagePath)" = '%SystemRoot%\System32\QlAllSrv.exe' ] ||
    fail "QlAlloc program: $(ql_reg_value "$ALLOC_KEY" ImagePath)"
  [ "$(ql_reg_value "$ALLOC_KEY" ObjectName)" = LocalSystem ] || fail "QlAlloc account"
  [ "$(ql_reg_value "$ALLOC_KEY" DisplayName)" = QlAlloc ] || fail "QlAlloc display name"
  ql_reg_value "$ALLOC_KEY" Group >/dev/null && fail "QlAlloc has a load-order group"
  ql_reg_value "$ALLOC_KEY" DependOnService >/dev/null && fail "QlAlloc has dependencies"
  return 0
}

# The second Finish: the registration fails with its box, the first registration stays.
expect_registration_refused() {
  local out
  out=$(ql_robot msgbox -c QlConfig -a ok -t 120 | tr -d '\r') || fail "no registration box"
  grep -qxF 'text: Error registering QlAlloc service' <<<"$out" || fail "box: $out"
  ql_machine_wait "$WIZARD_PID" 120 || fail "the second run did not end"
  [ "$(ql_reg_value "$ALLOC_KEY" ImagePath)" = '%SystemRoot%\System32\QlAllSrv.exe' ] ||
    fail "the registration changed"
}

# Next and "On" on a stored, enabled configuration (lazy writing as stored: $1), then Finish.
lazy_on_and_finish() {
  next_page
  wait_summary "Quillon-NT enabled, Drive C:"$'\n'"Lazy Write is $1"
  ql_robot click "$OPTIONS" 1004 || fail "On not pressed"
  wait_summary $'Quillon-NT enabled, Drive C:\nLazy Write is ON'
  ql_robot sheet "$OPTIONS" finish || fail "Finish not pressed"
}

# Next, the first entry (C:), "On", Finish. A drive click takes lazy writing from the page's
# button group, which starts from the stored configuration: "OFF" on a machine that never
# had the cache, "ON" once a Finish with lazy writing stored Start 0 and LazyWrite 1.
choose_c_lazy_and_finish() {
  next_page
  ql_robot lv-click "$OPTIONS" 1000 0 || fail "list not clicked"
  wait_summary $'Quillon-NT enabled, Drive C:\nLazy Write is '"$1"
  ql_robot click "$OPTIONS" 1004 || fail "On not pressed"
  wait_summary $'Quillon-NT enabled, Drive C:\nLazy Write is ON'
  ql_robot sheet "$OPTIONS" finish || fail "Finish not pressed"
}

ORIGINAL_ORDER=$(ql_reg_value "$GROUP_KEY" List) || fail "no group order before the run"

case "$SCENARIO" in
  finish-twice)
    start_wizard
    choose_c_lazy_and_finish OFF
    ql_machine_wait "$WIZARD_PID" 120 || fail "the wizard did not end after Finish"
    grep -qF 'Quillon-NT V4.0-1 Configuration Wizard' "$QL_MACHINE_DIR/logs/$WIZARD_PID.err" ||
      fail "the welcome page did not set the sheet's caption"

    expect_values "$DRIVER_KEY" 'ErrorControl=dword:00000001
Group="Orvel"
Start=dword:00000000
Type=dword:00000001'
    # Wine's C: is "\Device\HarddiskVolume1": no disk or partition number at their places.
    # Wine reports 2 GiB of memory, so the budget is capped at 256 MiB: 8192 pages of
    # 32 KiB, with a C: larger than that. DosDevice was given as 2 bytes; the platform
    # counts the NUL that follows them.
    params=$(key_values "$PARAMETERS_KEY") || fail "no parameters key"
    dos=$(grep '^DosDevice=' <<<"$params")
    case "$dos" in
      'DosDevice="C:"' | 'DosDevice=hex(1):43,00,3a,00') ;;
      *) fail "DosDevice: $dos" ;;
    esac
    want=$(sort <<<'BreakOnEntry=dword:00000000
DebugLevel=dword:00000000
Drive=dword:00000000
LazyWrite=dword:00000001
MaxLRU=dword:00002000
MinLRU=dword:00000020
PageSize=dword:00008000
Partition=dword:00000000
PendingLimit=dword:00000010
SystemDevice=dword:00000001')
    [ "$(grep -v '^DosDevice=' <<<"$params")" = "$want" ] ||
      fail "parameters:"$'\n'"wanted:"$'\n'"$want"$'\n'"got:"$'\n'"$params"
    expect_event_source
    expect_group_order

    expect_alloc_registration

    # Again: the settings are written, then the registration fails.
    start_wizard
    choose_c_lazy_and_finish ON
    expect_registration_refused
    ;;
  finish-stored)
    ql_machine_reg_import "$HERE/qlconfig_enabled.reg" || fail "stored settings not imported"
    start_wizard
    lazy_on_and_finish OFF
    ql_machine_wait "$WIZARD_PID" 120 || fail "the wizard did not end after Finish"
    expect_values "$DRIVER_KEY" 'ErrorControl=dword:00000001
Group="Orvel"
Start=dword:00000000
Type=dword:00000001'
    # Drive, Partition, MaxLRU and DosDevice as read back; MinLRU derived from MaxLRU 123;
    # PageSize and PendingLimit back to 32768 and 16.
    params=$(key_values "$PARAMETERS_KEY") || fail "no parameters key"
    dos=$(grep '^DosDevice=' <<<"$params")
    case "$dos" in
      'DosDevice="C:"' | 'DosDevice=hex(1):43,00,3a,00') ;;
      *) fail "DosDevice: $dos" ;;
    esac
    want=$(sort <<<'BreakOnEntry=dword:00000000
DebugLevel=dword:00000000
Drive=dword:00000002
LazyWrite=dword:00000001
MaxLRU=dword:0000007b
MinLRU=dword:0000001e
PageSize=dword:00008000
Partition=dword:00000003
PendingLimit=dword:00000010
SystemDevice=dword:00000001')
    [ "$(grep -v '^DosDevice=' <<<"$params")" = "$want" ] ||
      fail "parameters:"$'\n'"wanted:"$'\n'"$want"$'\n'"got:"$'\n'"$params"
    expect_event_source
    expect_group_order
    expect_alloc_registration

    start_wizard
    lazy_on_and_finish ON
    expect_registration_refused
    ;;
  cancel)
    start_wizard
    ql_robot sheet "$WELCOME" cancel || fail "Cancel not pressed"
    ql_machine_wait "$WIZARD_PID" 120 || fail "the wizard did not end after Cancel"
    ql_reg_value "$DRIVER_KEY" Start >/dev/null && fail "a driver key was written"
    key_values "$DRIVER_KEY" | grep -q . && fail "the driver key has values"
    expect_event_source
    expect_group_order
    ql_reg_value "$ALLOC_KEY" Type >/dev/null && fail "QlAlloc was registered"
    ;;
esac
echo "PASS [$SCENARIO]"
