#!/usr/bin/env bash
# QlTune.exe against hostile machine states: the driver values it loads missing, of the
# wrong type and of 0, 1, 3, 5, 9 and 4096 bytes, its keys denied, and the remembered texts
# of 0 and 10,000 characters, of non-digits and of the wrong type. One machine; the state
# is laid down afresh for every case and the window left by Exit (No Save), after a Save
# and Exit where the case tries one. Prints the table of cases.
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
HX_CORE="tune-pendinglimit-multi-sz tune-deny-parameters tune-remembered-letters tune-remembered-long"

PROGRAM=QlTune.exe
WINDOW="Quillon - NT Tuning Engine 5.0 ++ by Norvane Systems"
TITLE="Quillon Tuning Engine 5.0 ++ HXM Model"
K='HKLM\SYSTEM\CurrentControlSet\Services\QlDrv'
P="$K\\Parameters"
R='HKCU\ZevQuillonTune'
SAVE=1201
EXIT=1202

BASE=(del "$K" set "$K" Start 4 00000000 set "$P" DosDevice 1 text:C:
  set "$P" PendingLimit 4 10000000 set "$P" MinLRU 4 20000000 set "$P" MaxLRU 4 00080000
  set "$P" PageSize 4 00800000 set "$P" LazyWrite 4 01000000
  del "$R" set "$R" LargeVarType 1 text:3000 set "$R" DefaultPageSize 1 text:32768)

tune_case() {
  local id=$1 input=$2 known=${3:-}
  hx_case "$id" "$PROGRAM" "$input" "$known"
  hx_setup "${BASE[@]}"
  hx_keys "$K" "$R"
  hx_expect_exit 0
}

text_of() { ql_robot get-text "$WINDOW" "$1" -t 30 | tr -d '\r'; }
# A field's text by its start and length, for texts too long to show.
shown() {
  local text
  text=$(text_of "$1")
  if [ "${#text}" -gt 24 ]; then printf '"%s..." (%s characters)' "${text:0:12}" "${#text}"; else
    printf '"%s"' "$text"
  fi
}
fields() { printf 'Edit1 %s, Edit3 %s' "$(shown 3001)" "$(shown 3003)"; }
# Exit (No Save). After a load that stopped early the figures keep "0" and "31259718", so
# the periodic check fails its memory check every 3 s and its box may be up: it is
# answered, and its text shown, until the window is gone.
leave() {
  local text boxes=""
  for _ in 1 2 3 4 5 6; do
    ql_robot click "$WINDOW" "$EXIT" >/dev/null 2>&1
    if ql_robot wait-gone "$WINDOW" -t 3 >/dev/null 2>&1; then
      [ -z "$boxes" ] || printf '; periodic check: box %s' "$boxes"
      return 0
    fi
    if text=$(ql_robot msgbox -c "$TITLE" -a ok -t 1 2>/dev/null | tr -d '\r' | sed -n 's/^text: //p') &&
      [ -n "$text" ]; then
      [[ $boxes == *"$text"* ]] || boxes="${boxes:+$boxes, }\"$text\""
    fi
  done
  printf '; the window did not close'
  return 1
}
# The fields as loaded, then Exit.
look() {
  fields
  leave
}
# The fields, then Save and Exit with the box it must raise, then Exit.
save_refused() {
  local text
  printf '%s; ' "$(fields)"
  ql_robot click "$WINDOW" "$SAVE" >/dev/null || return 1
  text=$(hx_answer_box "$TITLE" 30)
  [ "${#text}" -gt 60 ] && text="${text:0:20}...${text: -30} (${#text} characters)"
  printf 'Save and Exit: box "%s"' "$text"
  leave
  [[ $text == *"is not a valid integer value."* ]]
}
# The empty MaxLRU field: the periodic check resets it within 3 s.
periodic_reset() {
  local text
  printf '%s; ' "$(fields)"
  text=$(hx_answer_box "$TITLE" 30)
  printf 'periodic check: box "%s"; then %s' "$text" "$(fields)"
  leave
  [ "$text" = "Please enter a non-zero value, resetting..." ]
}

ql_require_wine || exit "$QL_SKIP"
ql_find_exe "$PROGRAM" >/dev/null && hx_helper >/dev/null || exit "$QL_SKIP"
ql_machine_create || exit 1
trap ql_machine_destroy EXIT
ql_machine_install "$PROGRAM" || exit 1
t0=$SECONDS

# The driver's values: missing or not REG_DWORD stops loading with the error box; the window
# opens all the same. (The error box adds a full stop only after a character that sorts
# after one, so a text ending in a quote keeps its end.)
tune_case tune-no-parameters "no Parameters key (created, as the engine does)"
hx_setup del "$P"
hx_writes
hx_expect_box "$TITLE" "Failed to get data for 'PendingLimit'"
hx_expect_window "$WINDOW" look
hx_run
tune_case tune-pendinglimit-sz "PendingLimit REG_SZ \"16\""
hx_setup set "$P" PendingLimit 1 text:16
hx_expect_box "$TITLE" "Invalid data type for 'PendingLimit'"
hx_expect_window "$WINDOW" look
hx_run
tune_case tune-maxlru-binary "MaxLRU REG_BINARY 00080000"
hx_setup set "$P" MaxLRU 3 00080000
hx_expect_box "$TITLE" "Invalid data type for 'MaxLRU'"
hx_expect_window "$WINDOW" look
hx_run
for n in 0 1 3; do
  tune_case "tune-pagesize-$n" "PageSize REG_DWORD of $n bytes 0x20"
  hx_setup set "$P" PageSize 4 "fill:$n:20"
  hx_expect_window "$WINDOW" look
  hx_run
done
for n in 5 9 4096; do
  tune_case "tune-pagesize-$n" "PageSize REG_DWORD of $n bytes"
  hx_setup set "$P" PageSize 4 "fill:$n:20"
  hx_expect_box "$TITLE" "Failed to get data for 'PageSize'"
  hx_expect_window "$WINDOW" look
  hx_run
done
# The other four values: missing, of the wrong type, too long, and of one byte.
for name in PendingLimit MinLRU MaxLRU LazyWrite; do
  tune_case "tune-${name,,}-missing" "$name missing"
  hx_setup unset "$P" "$name"
  hx_expect_box "$TITLE" "Failed to get data for '$name'"
  hx_expect_window "$WINDOW" look
  hx_run
  tune_case "tune-${name,,}-multi-sz" "$name REG_MULTI_SZ \"1\""
  hx_setup set "$P" "$name" 7 310000
  hx_expect_box "$TITLE" "Invalid data type for '$name'"
  hx_expect_window "$WINDOW" look
  hx_run
  tune_case "tune-${name,,}-5" "$name REG_DWORD of 5 bytes"
  hx_setup set "$P" "$name" 4 fill:5:01
  hx_expect_box "$TITLE" "Failed to get data for '$name'"
  hx_expect_window "$WINDOW" look
  hx_run
  tune_case "tune-${name,,}-1" "$name REG_DWORD of 1 byte 0x01"
  hx_setup set "$P" "$name" 4 01
  hx_expect_window "$WINDOW" look
  hx_run
done
tune_case tune-deny-parameters "Parameters key denied (security descriptor)"
hx_deny "$P"
hx_expect_box "$TITLE" "Failed to get data for 'PendingLimit'"
hx_expect_window "$WINDOW" look
hx_run

# The remembered texts.
tune_case tune-remembered-empty "LargeVarType of 0 characters"
hx_setup set "$R" LargeVarType 1 -
hx_expect_window "$WINDOW" periodic_reset
hx_run
tune_case tune-remembered-long "LargeVarType of 10,000 digits"
hx_setup set "$R" LargeVarType 1 fill:10000:31
hx_expect_window "$WINDOW" save_refused
hx_run
tune_case tune-remembered-letters "LargeVarType \"12ab\""
hx_setup set "$R" LargeVarType 1 text:12ab
hx_expect_window "$WINDOW" save_refused
hx_run
tune_case tune-remembered-format "LargeVarType \"%s%n%x\" (format characters)"
hx_setup set "$R" LargeVarType 1 text:%s%n%x
hx_expect_window "$WINDOW" save_refused
hx_run
tune_case tune-remembered-pagesize-long "DefaultPageSize of 10,000 characters \"x\""
hx_setup set "$R" DefaultPageSize 1 fill:10000:78
hx_expect_window "$WINDOW" save_refused
hx_run
tune_case tune-remembered-pagesize-sign "DefaultPageSize \"-\""
hx_setup set "$R" DefaultPageSize 1 text:-
hx_expect_window "$WINDOW" save_refused
hx_run
tune_case tune-remembered-dword "LargeVarType REG_DWORD 5 (skipped: the field keeps its text)"
hx_setup set "$R" LargeVarType 4 05000000
hx_expect_window "$WINDOW" look
hx_run
tune_case tune-remembered-binary "DefaultPageSize REG_BINARY of 4096 bytes"
hx_setup set "$R" DefaultPageSize 3 fill:4096:31
hx_expect_window "$WINDOW" look
hx_run
tune_case tune-deny-remembered "ZevQuillonTune key denied (security descriptor)"
hx_deny "$R"
hx_expect_window "$WINDOW" look
hx_run

hx_check_crash_dialog
echo "QlTune cases took $((SECONDS - t0)) s"
hx_print_table
