#!/usr/bin/env bash
# QlConfig.exe against hostile machine states: the memory-management value and the group
# order's List missing, of the wrong type and of 0, 1, 3, 5, 9 and 4096 bytes, the List
# without its terminator and longer than the 1024 bytes it is read into, the driver's values
# of the wrong length, and its keys denied. One machine; the state is laid down afresh for
# every case, and a wizard that opens is cancelled. Prints the table of cases.
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
HX_CORE="config-npp-9 config-deny-memory config-list-1025 config-list-unterminated"

PROGRAM=QlConfig.exe
CAPTION="Quillon-NT Not Configured"
K='HKLM\SYSTEM\CurrentControlSet\Services\QlDrv'
P="$K\\Parameters"
MM='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Memory Management'
GO='HKLM\SYSTEM\CurrentControlSet\Control\ServiceGroupOrder'
# The wizard sets its caption on the welcome page (Wine would leave it empty otherwise).
WIZARD="Quillon-NT V4.0-1 Configuration Wizard"

# Hex digits of a text with \0 escapes.
hex_of() { printf '%b' "$1" | od -An -tx1 -v | tr -d ' \n'; }
# A list of n bytes of two-byte entries "a\0", then "filter\0\0" at its end.
list_ending_in_filter() {
  local n=$1 fill
  fill=$(((n - 8) / 2))
  printf '61%.0s00' $(seq "$fill")
  [ $(((n - 8) % 2)) = 1 ] && printf '61'
  hex_of 'filter\0\0'
}

LIST=$(hex_of 'Base\0filter\0Event log\0\0')
BASE=(set "$MM" NonPagedPoolSize 4 00000000 set "$GO" List 7 "$LIST"
  del "$K" set "$K" Type 4 01000000 set "$K" Start 4 00000000 set "$K" ErrorControl 4 01000000
  set "$K" Group 1 text:Orvel set "$P" DosDevice 1 text:C: set "$P" Drive 4 00000000
  set "$P" Partition 4 01000000 set "$P" MaxLRU 4 00080000 set "$P" LazyWrite 4 01000000)

config_case() {
  local id=$1 input=$2 known=${3:-}
  hx_case "$id" "$PROGRAM" "$input" "$known"
  hx_setup "${BASE[@]}"
  hx_keys "$K" "$MM"
  hx_expect_exit 0
}
# The group order is compared too: the wizard writes it only to insert its group.
keeps_group_order() { hx_keys "$GO"; }

cancel_wizard() {
  ql_robot sheet "$WIZARD" cancel >/dev/null || {
    echo "Cancel not pressed"
    return 1
  }
  echo "cancelled"
}
wizard() { hx_expect_window "$WIZARD" cancel_wizard; }

# Next to the options page, its summary, then Cancel there.
options_summary() {
  local options="Quillon-NT Options" text
  ql_robot sheet "$WIZARD" next >/dev/null || {
    echo "Next not pressed"
    return 1
  }
  ql_robot wait-window "$options" -t 60 >/dev/null || {
    echo "no options page"
    return 1
  }
  text=$(ql_robot get-text "$options" 1002 -t 30 | tr -d '\r' | awk 'NR > 1 { printf "\\n" } { printf "%s", $0 }')
  ql_robot sheet "$options" cancel >/dev/null
  echo "options page summary \"$text\"; cancelled"
}

# The List as written, its entries separated by "|" (a NUL), and its length.
written_list() {
  local line hex
  line=$(ql_machine_run "$(hx_helper)" dump "$GO" | tr -d '\r' | grep '^List=') || return 0
  hex=${line##*:}
  printf 'List now %s bytes: ' "$(((${#hex} / 2) / 2))"
  # Stored as UTF-16: the first byte of every four hex digits is the character.
  local i byte text=""
  for ((i = 0; i < ${#hex}; i += 4)); do
    byte=${hex:i:2}
    # shellcheck disable=SC2059
    if [ "$byte" = 00 ]; then text+="|"; else text+=$(printf "\\x$byte"); fi
  done
  # A long list by its end.
  [ "${#text}" -gt 60 ] && text="...${text: -40}"
  printf '%s' "$text"
}

ql_require_wine || exit "$QL_SKIP"
ql_find_exe "$PROGRAM" >/dev/null && hx_helper >/dev/null || exit "$QL_SKIP"
ql_machine_create || exit 1
trap ql_machine_destroy EXIT
ql_machine_install "$PROGRAM" || exit 1
t0=$SECONDS

# The memory-management precondition.
config_case config-npp-missing "NonPagedPoolSize missing"
hx_setup unset "$MM" NonPagedPoolSize
keeps_group_order
hx_expect_box "$CAPTION" "Fatal Error\\n Unable to query session manager"
hx_run
# A wizard that opens has put its group before "filter" in the group order, as it should.
config_case config-npp-sz "NonPagedPoolSize REG_SZ \"0\""
hx_setup set "$MM" NonPagedPoolSize 1 text:0
wizard
hx_run
for n in 0 1 3; do
  config_case "config-npp-$n" "NonPagedPoolSize REG_DWORD of $n bytes"
  hx_setup set "$MM" NonPagedPoolSize 4 "fill:$n:00"
  wizard
  hx_run
done
for n in 5 9 4096; do
  config_case "config-npp-$n" "NonPagedPoolSize REG_DWORD of $n bytes"
  hx_setup set "$MM" NonPagedPoolSize 4 "fill:$n:00"
  keeps_group_order
  hx_expect_box "$CAPTION" "Fatal Error\\n Unable to query session manager"
  hx_run
done
config_case config-deny-memory "Memory Management key denied (security descriptor)"
hx_deny "$MM"
keeps_group_order
hx_expect_box "$CAPTION" "Fatal Error\\n Unable to open session manager key"
hx_run

# The group order: refusals go to standard error only and end the run without a page.
config_case config-deny-group-order "ServiceGroupOrder key denied (security descriptor)"
hx_deny "$GO"
keeps_group_order
hx_expect_quiet "$CAPTION"
hx_expect_stderr "Error, unable to open service group order key"
hx_run
config_case config-list-missing "List missing"
hx_setup unset "$GO" List
keeps_group_order
hx_expect_quiet "$CAPTION"
hx_expect_stderr "Warning, unable to query service group order"
hx_run
for n in 1025 4096; do
  config_case "config-list-$n" "List of $n bytes ending in filter (longer than its 1024-byte buffer)"
  hx_setup set "$GO" List 7 "$(list_ending_in_filter "$n")"
  keeps_group_order
  hx_expect_quiet "$CAPTION"
  hx_expect_stderr "Warning, unable to query service group order"
  hx_run
done
config_case config-list-1024 "List of exactly 1024 bytes ending in filter"
hx_setup set "$GO" List 7 "$(list_ending_in_filter 1024)"
wizard
hx_probe written_list
hx_run
# Lists without "filter" are written back with the length read. A list without its
# terminator gains one NUL: the ANSI write counts a NUL that directly follows the data, on
# Windows NT as under Wine.
config_case config-list-0 "List of 0 bytes"
hx_setup set "$GO" List 7 -
keeps_group_order
wizard
hx_run
for text in f fil filte; do
  config_case "config-list-${#text}" "List \"$text\" (${#text} bytes, no terminator)"
  hx_setup set "$GO" List 7 "text:$text"
  wizard
  hx_probe written_list
  hx_run
done
config_case config-list-9 "List \"filter\\0ab\" (9 bytes, no terminator)"
hx_setup set "$GO" List 7 "$(hex_of 'filter\0ab')"
wizard
hx_probe written_list
hx_run
config_case config-list-unterminated "List \"Base\\0filter\" (no terminator)"
hx_setup set "$GO" List 7 "$(hex_of 'Base\0filter')"
wizard
hx_probe written_list
hx_run
config_case config-list-sz "List REG_SZ \"Base\\0filter\\0\\0\" (wrong type)"
hx_setup set "$GO" List 1 "$(hex_of 'Base\0filter\0\0')"
wizard
hx_probe written_list
hx_run
config_case config-list-present "List holding \"ORVEL\""
hx_setup set "$GO" List 7 "$(hex_of 'Base\0ORVEL\0filter\0\0')"
keeps_group_order
wizard
hx_run

# The driver's values that the wizard reads back: wrong lengths keep the defaults.
config_case config-dosdevice-4096 "DosDevice REG_SZ of 4096 bytes"
hx_setup set "$P" DosDevice 1 fill:4096:43
wizard
hx_run
config_case config-start-9 "Start REG_DWORD of 9 bytes"
hx_setup set "$K" Start 4 fill:9:00
wizard
hx_run
for name in LazyWrite Drive Partition MaxLRU; do
  config_case "config-${name,,}-missing" "$name missing"
  hx_setup unset "$P" "$name"
  wizard
  hx_run
  config_case "config-${name,,}-9" "$name REG_DWORD of 9 bytes"
  hx_setup set "$P" "$name" 4 fill:9:01
  wizard
  hx_run
done
config_case config-maxlru-sz "MaxLRU REG_SZ of 4096 bytes"
hx_setup set "$P" MaxLRU 1 fill:4096:39
wizard
hx_run
# A stored drive with format characters, and one of the 8 bytes read at most, as the
# options page shows them.
config_case config-dosdevice-percent "DosDevice REG_SZ \"%s%n%x\" (6 bytes)"
hx_setup set "$P" DosDevice 1 text:%s%n%x
hx_expect_window "$WIZARD" options_summary
hx_run
config_case config-dosdevice-8 "DosDevice REG_SZ \"ABCDEFGH\" (8 bytes)"
hx_setup set "$P" DosDevice 1 text:ABCDEFGH
hx_expect_window "$WIZARD" options_summary
hx_run
config_case config-deny-driver "driver key denied (security descriptor)"
hx_deny "$K"
wizard
hx_run

hx_check_crash_dialog
echo "QlConfig cases took $((SECONDS - t0)) s"
hx_print_table
