#!/usr/bin/env bash
# QlConfig.exe on a Wine test machine, driven by the UI robot; the registry and the service
# manager are Wine's own.
#
#   qlconfig_wine_test.sh finish-twice|finish-stored|cancel|unattended
#
#   finish-twice   Next, a click on C:, "On", Finish: every value the wizard writes, the
#                  event source, the group order and the QlAlloc registration; then a second
#                  run whose Finish reports "Error registering QlAlloc service".
#   finish-stored  A machine configured before (qlconfig_enabled.reg): Next, "On", Finish
#                  without a click on the list writes the values read back, puts PageSize and
#                  PendingLimit back and registers QlAlloc; a second run reports the existing
#                  service.
#   cancel         Next, Back (the welcome page's caption again), Cancel on the welcome page:
#                  no driver keys, but the event source and the group order entry are in
#                  place.
#   unattended     The command line: a letter that is no fixed drive and a bad value are
#                  refused with nothing written, /? shows the usage; /drive:D /lazywrite:on
#                  and /disable leave the registry byte for byte as the wizard's window does
#                  for the same choice from the same start (regedit's exports compared);
#                  the exit codes, and the log's lines read back.
#
# Exit 0 passed, 1 failed, 77 skipped (no Wine or no win32 build).
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/../../.." && pwd)
# shellcheck source=../../../tools/wine/machine.sh
source "$REPO/tools/wine/machine.sh"

SCENARIO=${1:-}
# The caption the welcome page gives the sheet, which stays after the sheet's activation.
WELCOME="Quillon-NT V4.0-1 Configuration Wizard"
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
  finish-twice | finish-stored | cancel | unattended) ;;
  *)
    echo "usage: $0 finish-twice|finish-stored|cancel|unattended" >&2
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
  ql_machine_start QlConfig.exe
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

# What the wizard touches, as regedit exports it: the sections of the driver's keys, its
# event source and QlAlloc (each with its subkeys), and the group order. One export of the
# control set, not one per key: every program start is slow under the emulator.
registry_state() {
  local file="$QL_MACHINE_DIR/state-$RANDOM.reg"
  (cd "$QL_MACHINE_DIR/work" &&
    ql_wine_env timeout "$QL_RUN_TIMEOUT" wine regedit /E "$(ql_winpath "$file")" \
      'HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet') >/dev/null 2>&1 || return 1
  # Key names in any letter case (Wine names the event log key "Eventlog"), and through the
  # environment: awk -v would take their backslashes for escapes.
  iconv -f UTF-16LE -t UTF-8 "$file" | tr -d '\r' | S=$SERVICES awk '
    BEGIN { s = tolower(ENVIRON["S"]) }
    /^\[/ {
      key = tolower(substr($0, 2, length($0) - 2))
      inside = key == s "\\qldrv" || index(key, s "\\qldrv\\") == 1 ||
        key == s "\\qlalloc" || index(key, s "\\qlalloc\\") == 1 ||
        key == s "\\eventlog\\system\\qldrv" || key ~ /\\servicegrouporder$/
    }
    inside && NF { print }'
}

# The state must be what it was ($1), byte for byte.
expect_state() {
  local got
  got=$(registry_state) || fail "cannot export the registry"
  [ "$got" = "$1" ] || fail "$2:"$'\n'"$(diff <(echo "$1") <(echo "$got"))"
}

# QlConfig.exe with arguments, in the foreground: its exit code must be $1.
unattended_run() {
  local want=$1 got
  shift
  ql_machine_run QlConfig.exe "$@"
  got=$?
  [ "$got" = "$want" ] || fail "QlConfig.exe $*: exit $got, wanted $want"
}

# The entry of the options page whose text starts with $1: its index.
list_entry() {
  ql_robot list "$OPTIONS" -t 30 | tr -d '\r' |
    sed -n "s/^ *item\[\([0-9]*\)\]=\"$1.*/\1/p" | head -n 1
}

# Takes the machine back to where the unattended scenario started: no driver keys, no
# event source, no QlAlloc, the group order of the fixture.
back_to_start() {
  ql_machine_run reg delete "$DRIVER_KEY" /f >/dev/null 2>&1
  ql_machine_run reg delete "$EVENT_KEY" /f >/dev/null 2>&1
  ql_machine_run sc delete QlAlloc >/dev/null 2>&1
  ql_machine_reg_import "$REPO/tests/fixtures/qlconfig_fresh.reg" || fail "fixture not imported"
}

ORIGINAL_ORDER=$(ql_reg_value "$GROUP_KEY" List) || fail "no group order before the run"

case "$SCENARIO" in
  finish-twice)
    start_wizard
    choose_c_lazy_and_finish OFF
    ql_machine_wait "$WIZARD_PID" 120 || fail "the wizard did not end after Finish"

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
  unattended)
    # A fixed drive D: besides C:; Wine takes a new letter in at a boot.
    ql_machine_map_drive D
    ql_machine_reboot || fail "no reboot"
    mkdir -p "$QL_MACHINE_DIR/prefix/drive_c/Quillon logs"
    LOG_FILE="$QL_MACHINE_DIR/prefix/drive_c/Quillon logs/config.log"
    # One argument with a blank: Wine's launcher quotes it on the command line.
    LOG_SWITCH='/log:C:\Quillon logs\config.log'
    START=$(registry_state) || fail "cannot export the registry"
    [ "$(grep -c '^\[' <<<"$START")" = 1 ] || fail "keys before the runs: $START"

    # Refused before anything is written.
    unattended_run 4 /drive:Q /lazywrite:on "$LOG_SWITCH"
    unattended_run 1 /drive:D /lazywrite:maybe "$LOG_SWITCH"
    expect_state "$START" "a refused run changed the registry"

    # The usage, in a box.
    ql_machine_start QlConfig.exe '/?'
    USAGE_PID=$QL_LAST_PID
    out=$(ql_robot msgbox -c QlConfig -a ok -t 120 | tr -d '\r') || fail "no usage box"
    grep -qF 'QlConfig /drive:D /lazywrite:on|off [/log:FILE]' <<<"$out" || fail "usage: $out"
    ql_machine_wait "$USAGE_PID" 120 || fail "/? ended with $?"

    # A drive with lazy writing, first from the command line...
    unattended_run 0 /drive:D /lazywrite:on "$LOG_SWITCH"
    BY_COMMAND=$(registry_state) || fail "cannot export the registry"
    # The driver's two keys, its event source, QlAlloc and the group order.
    [ "$(grep -c '^\[' <<<"$BY_COMMAND")" = 5 ] || fail "keys written: $BY_COMMAND"
    grep -qF '"DosDevice"' <<<"$BY_COMMAND" || fail "nothing written: $BY_COMMAND"
    back_to_start
    expect_state "$START" "the machine is not back at its start"
    # ...then through the window, from the same start.
    start_wizard
    next_page
    row=$(list_entry ' D:') || fail "cannot read the drive list"
    [ -n "$row" ] || fail "D: is not listed"
    ql_robot lv-click "$OPTIONS" 1000 "$row" || fail "list not clicked"
    wait_summary $'Quillon-NT enabled, Drive D:\nLazy Write is OFF'
    ql_robot click "$OPTIONS" 1004 || fail "On not pressed"
    wait_summary $'Quillon-NT enabled, Drive D:\nLazy Write is ON'
    ql_robot sheet "$OPTIONS" finish || fail "Finish not pressed"
    ql_machine_wait "$WIZARD_PID" 120 || fail "the wizard did not end after Finish"
    expect_state "$BY_COMMAND" "the window wrote otherwise than the command line"

    # Disable over that configuration, first from the command line (QlAlloc is there)...
    awk '/^\[/ { inside = tolower($0) ~ /\\services\\qldrv(\\parameters)?\]$/ } inside' \
      <<<"$BY_COMMAND" | { printf 'REGEDIT4\r\n\r\n'; sed 's/$/\r/'; } >"$QL_MACHINE_DIR/enabled.reg"
    unattended_run 7 /disable "$LOG_SWITCH"
    BY_COMMAND=$(registry_state) || fail "cannot export the registry"
    grep -qF '"Start"=dword:00000004' <<<"$BY_COMMAND" || fail "not disabled: $BY_COMMAND"
    ql_machine_run reg delete "$DRIVER_KEY" /f >/dev/null 2>&1
    ql_machine_reg_import "$QL_MACHINE_DIR/enabled.reg" || fail "configuration not restored"
    # ...then through the window.
    start_wizard
    next_page
    wait_summary $'Quillon-NT enabled, Drive D:\nLazy Write is ON'
    row=$(list_entry 'Disable Quillon-NT') || fail "cannot read the drive list"
    [ -n "$row" ] || fail "no disable entry"
    ql_robot lv-click "$OPTIONS" 1000 "$row" || fail "list not clicked"
    wait_summary 'Quillon-NT disabled'
    ql_robot sheet "$OPTIONS" finish || fail "Finish not pressed"
    expect_registration_refused
    expect_state "$BY_COMMAND" "the window disabled otherwise than the command line"

    # One line per run with arguments, in order.
    [ -f "$LOG_FILE" ] || fail "no log file"
    mapfile -t lines < <(tr -d '\r' <"$LOG_FILE")
    [ "${#lines[@]}" = 4 ] || fail "log lines: ${#lines[@]}"$'\n'"$(cat "$LOG_FILE")"
    want_line() {
      [[ "${lines[$1]}" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}\ QlConfig\ .*$2 ]] ||
        fail "log line $1: ${lines[$1]}"
    }
    want_line 0 ': exit 4, nothing written: Q: is not a fixed drive$'
    want_line 1 ': exit 1, nothing done: lazy writing is on or off: /lazywrite:maybe$'
    want_line 2 ': exit 0, written: Start 0, .*DosDevice "D:", .*LazyWrite 1, .*; QlAlloc registered$'
    want_line 3 ': exit 7, written: Start 4, .*DosDevice "D:", .*; QlAlloc was registered already: '
    ;;
  cancel)
    start_wizard
    # Back from the options page: the welcome page names the wizard again.
    next_page
    ql_robot sheet "$OPTIONS" back || fail "Back not pressed"
    ql_robot wait-window "$WELCOME" -t 120 >/dev/null || fail "no caption back on the welcome page"
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
