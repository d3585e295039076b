#!/usr/bin/env bash
# QlTune.exe on a Wine test machine, driven by the UI robot.
#
#   qltune_wine_test.sh session|save|keys [screenshot-dir]
#
# session: start-up (remembered texts, figures, the initialisation record, tooltips off),
#          tooltips switched on twice and off once, a second instance, the preset panel and
#          a MaxLRU preset, roll up and unroll, screenshots (into screenshot-dir when given),
#          and Exit, which writes nothing.
# save:    the first run's Save and Exit from the basic toolbar is refused (65535 pages of
#          32768 bytes are more than the memory a 32-bit program is told of) with the memory
#          check's message and reset; the second writes the safe values, the remembered
#          fields and the records.
# keys:    exactly one taskbar entry, the application's window with the application title
#          (a message box adds none), then a walk by keyboard alone: Shift+Tab and Tab round
#          the ends of the tab order, Tab from field to field, a negative MaxLRU typed and
#          left by Tab (its overflow check resets, and so does the next periodic check),
#          Shift+Tab back to the PageSize field (leaving MaxLRU runs its checks), an arrow
#          key as the PageSize fine-tuner, MaxLRU typed and left by Tab (the figure follows),
#          Tab to Save and Exit and Return.
#
# Exit 0 passed, 1 failed, 77 skipped (no Wine or no win32 build).
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/../../.." && pwd)
# shellcheck source=../../../tools/wine/machine.sh
source "$REPO/tools/wine/machine.sh"

SCENARIO=${1:-}
SHOTS=${2:-}
WINDOW="Quillon - NT Tuning Engine 5.0 ++ by Norvane Systems"
APPLICATION="Quillon Tuning Engine 5.0 ++ HXM Model"
PARAMS='HKLM\SYSTEM\CurrentControlSet\Services\QlDrv\Parameters'
REMEMBERED='HKCU\ZevQuillonTune'

fail() {
  echo "FAIL [$SCENARIO]: $*" >&2
  exit 1
}

text_of() { ql_robot get-text "$WINDOW" "$1" -t 30 | tr -d '\r'; }

expect_text() {
  local id=$1 want=$2 got
  got=$(text_of "$id") || fail "cannot read control $id"
  [ "$got" = "$want" ] || fail "control $id: wanted '$want', got '$got'"
}

visible_of() {
  ql_robot list "$WINDOW" -t 30 | tr -d '\r' | awk -v id="id=$1" '$1 == id {
      for (i = 2; i <= NF; ++i) if ($i ~ /^visible=/) print substr($i, 9) }'
}

# The window's height and width, from a screenshot of its rectangle (a BMP header).
window_size() {
  local bmp="$QL_MACHINE_DIR/size.bmp"
  ql_robot screenshot "$WINDOW" "$(ql_winpath "$bmp")" >/dev/null || return 1
  python3 -c 'import struct,sys
d=open(sys.argv[1],"rb").read(26); w,h=struct.unpack("<ii",d[18:26]); print(w, abs(h))' "$bmp"
}

# The record texts (after the user-name line) traced in a log, one per line.
records_of() {
  ql_eventlog_records "$1" | sed -e 's/.*\\r\\n//'
}

start_engine() {
  WINEDEBUG="-all,+eventlog,fixme+advapi,+tooltips" ql_machine_start QlTune.exe
  ENGINE_PID=$QL_LAST_PID
  ENGINE_LOG="$QL_MACHINE_DIR/logs/$ENGINE_PID.err"
  ql_robot wait-window "$WINDOW" -t 120 >/dev/null || fail "no main window"
}

expect_exit() {
  local code
  ql_machine_wait "$ENGINE_PID" 60
  code=$?
  [ "$code" = 0 ] || fail "exit code $code, wanted 0"
}

# Waits up to 30 s until a command's output equals the wanted text.
wait_for() {
  local want=$1 got
  shift
  for _ in $(seq 1 60); do
    got=$("$@" 2>/dev/null) && [ "$got" = "$want" ] && return 0
    sleep 0.5
  done
  echo "$got"
  return 1
}

# A key pressed in a control (a virtual-key code), as the keyboard sends it; "shift" holds
# Shift down.
press() { ql_robot key "$WINDOW" "$@" -t 30 || fail "key ${*:2} in control $1"; }

focus_of() { ql_robot focus "$WINDOW" -t 30 | tr -d '\r' | cut -d ' ' -f 1; }

expect_focus() {
  local got
  got=$(wait_for "id=$1" focus_of) || fail "the focus is in '$got', wanted control $1"
}

# The program's top-level windows in TOP; fails unless a taskbar shows exactly one of them
# (visible, and unowned and no tool window, or an app window): the application's window
# with the application title.
expect_one_entry() {
  local entries
  TOP=$(ql_robot top-list "$WINDOW" -t 30 | tr -d '\r') || fail "top-list ($1)"
  entries=$(awk '/ visible=1 / && ((/ owner=0+ / && / toolwindow=0 /) || / appwindow=1/)' <<<"$TOP")
  [ "$(grep -c . <<<"$entries")" = 1 ] || fail "taskbar entries $1: $entries"
  grep -qF " class=QlTuneApplication text=\"$APPLICATION\" owner=00000000 owner-text=\"\" " \
    <<<"$entries" || fail "the taskbar entry $1: $entries"
}

case "$SCENARIO" in
  session | save | keys) ;;
  *)
    echo "usage: $0 session|save|keys [screenshot-dir]" >&2
    exit 2
    ;;
esac

ql_require_wine || exit "$QL_SKIP"
ql_find_exe QlTune.exe >/dev/null || exit "$QL_SKIP"
ql_machine_create || exit 1
trap ql_machine_destroy EXIT
ql_machine_install QlTune.exe || fail "install QlTune.exe"
ql_machine_reg_import "$HERE/driver_t.reg" "$HERE/decorated.reg" || fail "fixtures"

start_engine

# First run for this user: the remembered texts, the fine-tuners at the registry's values
# (PageSize 32768 brought into range), the figures from the registry's values.
expect_text 3001 "32768"
expect_text 3002 "32"
expect_text 3003 "65535"
expect_text 3007 "16"
expect_text 3006 "67108864"
expect_text 3021 "Quillon - NT Tuning Engine 5.0 ++"
[ "$(visible_of 1412)" = 0 ] || fail "the preset panel is shown at start"
records_of "$ENGINE_LOG" | grep -qxF "Quillon Tuning Event Initialized" ||
  fail "no initialisation record: $(records_of "$ENGINE_LOG")"

if [ "$SCENARIO" = save ]; then
  ql_robot click "$WINDOW" 1201 || fail "Save and Exit"
  box=$(ql_robot msgbox -c "$APPLICATION" -t 60 | tr -d '\r') || fail "no message box on the first save"
  [ "$box" = $'caption: Quillon Tuning Engine 5.0 ++ HXM Model\ntext: WARNING: MaxLRU / PageSize calculation overrun (resetting)!' ] ||
    fail "first save: $box"
  got=$(wait_for 954 text_of 3003) || fail "after the refused save MaxLRU reads '$got'"
  expect_text 3001 "32768"
  kill -0 "$ENGINE_PID" 2>/dev/null || fail "the refused save ended the program"
  [ -z "$(ql_reg_dump "$REMEMBERED")" ] || fail "the refused save wrote the remembered fields"
  ql_robot click "$WINDOW" 1201 || fail "Save and Exit"
  expect_exit
  dump=$(ql_reg_dump "$PARAMS") || fail "read the parameters"
  for pair in PendingLimit=0x10 MinLRU=0x20 MaxLRU=0x3ba PageSize=0x8000; do
    got=$(ql_reg_pick "$dump" "${pair%%=*}")
    [ "$got" = "${pair#*=}" ] || fail "${pair%%=*}: wanted ${pair#*=}, got '$got'"
  done
  dump=$(ql_reg_dump "$REMEMBERED") || fail "no remembered fields"
  [ "$(ql_reg_pick "$dump" LargeVarType)" = 954 ] || fail "LargeVarType: $dump"
  [ "$(ql_reg_pick "$dump" DefaultPageSize)" = 32768 ] || fail "DefaultPageSize: $dump"
  want=$'Quillon Tuning Event Initialized\nQuillon Tuning Implemented, Settings Changed\nQuillon Tuning Implemented, Settings Changed\nQuillon Tuning Implemented, Settings NOT Changed and Exiting'
  got=$(records_of "$ENGINE_LOG")
  [ "$got" = "$want" ] || fail "records: $got"
  echo "PASS [$SCENARIO]"
  exit 0
fi

if [ "$SCENARIO" = keys ]; then
  # Exactly one taskbar entry, the application's window with the application title; the
  # main window it owns keeps its own caption.
  expect_one_entry "at start"
  grep -F " class=QlTuneMainWindow text=\"$WINDOW\" " <<<"$TOP" |
    grep -qF " owner-text=\"$APPLICATION\" visible=1 " || fail "the main window: $TOP"

  overflow="Warning!!! You are radically below your amount of available RAM allowed! Resetting to Defaults..."
  # The focus starts in the first tab stop, the PendingLimit slider. Shift+Tab goes round
  # backwards to the last, the fourth toolbar button; Tab comes forward round to the slider.
  press 3008 9 shift
  expect_focus 1204
  press 1204 9
  expect_focus 3008
  # Tab, Tab, Tab: the PageSize field, the MinLRU field, the MaxLRU field, which is
  # selected whole so that typing replaces it.
  press 3008 9
  press 3001 9
  press 3002 9
  press 3003 189 # '-'
  press 3003 53  # '5'
  got=$(wait_for -5 text_of 3003) || fail "MaxLRU typed after Tab: '$got'"
  # Leaving it by Tab runs its checks, as a click elsewhere does: the cache-size figure is
  # negative, the overflow check resets (and leaves the figure as it is) ...
  press 3003 9
  box=$(ql_robot msgbox -c "$APPLICATION" -a none -t 60 | tr -d '\r') || fail "no box on leaving MaxLRU"
  [ "$box" = "caption: $APPLICATION"$'\n'"text: $overflow" ] || fail "leaving MaxLRU: $box"
  # (the box, owned by the main window, adds no taskbar entry)
  expect_one_entry "with a message box shown"
  grep -F " class=#32770 text=\"$APPLICATION\" " <<<"$TOP" |
    grep -qF " owner-text=\"$WINDOW\" visible=1 " || fail "the box's window: $TOP"
  ql_robot msgbox -c "$APPLICATION" >/dev/null || fail "cannot answer the box"
  got=$(wait_for 954 text_of 3003) || fail "MaxLRU after the reset: '$got'"
  # ... so the next periodic check fails its overflow check as well and puts in its figure.
  box=$(ql_robot msgbox -c "$APPLICATION" -t 60 | tr -d '\r') || fail "no periodic check's box"
  [ "$box" = "caption: $APPLICATION"$'\n'"text: $overflow" ] || fail "periodic check: $box"
  got=$(wait_for 1953792 text_of 3006) || fail "figure after the periodic reset: '$got'"
  # Back by Shift+Tab from the AutoSizer box (the focus came back to it) to the PageSize
  # field: the MaxLRU field, the MinLRU field (the preset panels are hidden), the PageSize
  # field. Leaving the MaxLRU field backwards runs its checks as well: the figure is worked
  # out from the fields again (32768 x 954).
  expect_focus 3020
  press 3020 9 shift
  expect_focus 3003
  press 3003 9 shift
  expect_focus 3002
  got=$(wait_for 31260672 text_of 3006) || fail "leaving MaxLRU by Shift+Tab left the figure at '$got'"
  press 3002 9 shift
  expect_focus 3001
  # Down there is its fine-tuner's click (from the top, 32767 shown as 32768, one step down
  # is 32255) and the figure follows (32255 x 954).
  press 3001 40
  got=$(wait_for 32255 text_of 3001) || fail "Down in the PageSize field: '$got'"
  got=$(wait_for 30771270 text_of 3006) || fail "figure after Down: '$got'"
  # Tab, Tab, MaxLRU typed; leaving it by Tab computes the figure (32255 x 4096).
  press 3001 9
  press 3002 9
  for digit in 52 48 57 54; do press 3003 "$digit"; done
  got=$(wait_for 4096 text_of 3003) || fail "MaxLRU typed after Tab: '$got'"
  press 3003 9
  got=$(wait_for 132116480 text_of 3006) || fail "leaving MaxLRU by Tab left the figure at '$got'"
  # Tab: from the AutoSizer box to Save and Exit; Return presses it.
  press 3020 9
  press 1201 13
  expect_exit
  dump=$(ql_reg_dump "$PARAMS") || fail "read the parameters"
  for pair in PendingLimit=0x10 MinLRU=0x20 MaxLRU=0x1000 PageSize=0x7dff; do
    got=$(ql_reg_pick "$dump" "${pair%%=*}")
    [ "$got" = "${pair#*=}" ] || fail "${pair%%=*}: wanted ${pair#*=}, got '$got'"
  done
  dump=$(ql_reg_dump "$REMEMBERED") || fail "no remembered fields"
  [ "$(ql_reg_pick "$dump" LargeVarType)" = 4096 ] || fail "LargeVarType: $dump"
  [ "$(ql_reg_pick "$dump" DefaultPageSize)" = 32255 ] || fail "DefaultPageSize: $dump"
  echo "PASS [$SCENARIO]"
  exit 0
fi

# Tooltips are off after start: of all the tools, only the title area's five and the three
# parameter captions were ever added; switching them on adds the group's.
added=$(grep -c 'TOOLTIPS_AddToolT add tool' "$ENGINE_LOG")
[ "$added" = 8 ] || fail "tools added at start: $added, wanted 8"
# On from the toolbar and On from the menu register each tool once; Off removes every one.
ql_robot click "$WINDOW" 1313 || fail "ToolTips On"
sleep 1
added=$(grep -c 'TOOLTIPS_AddToolT add tool' "$ENGINE_LOG")
[ "$added" -gt 8 ] || fail "ToolTips On added no tool"
ql_robot menu "$WINDOW" Visuals "ToolTips On" >/dev/null || fail "ToolTips On from the menu"
ql_robot click "$WINDOW" 1314 || fail "Tooltips Off"
group=$((added - 8))
removed() { grep -c 'TOOLTIPS_DelToolT tool [0-9]' "$ENGINE_LOG"; }
got=$(wait_for "$group" removed) || fail "Tooltips Off removed $got of $group tools"
added=$(grep -c 'TOOLTIPS_AddToolT add tool' "$ENGINE_LOG")
[ "$added" = $((group + 8)) ] || fail "the second On added tools again: $added"

# A second instance ends at once with 0 and only the destruction record; the first runs on.
WINEDEBUG="-all,+eventlog,fixme+advapi" ql_machine_run QlTune.exe >/dev/null
code=$?
[ "$code" = 0 ] || fail "second instance: exit code $code"
got=$(records_of "$(ql_last_log)")
[ "$got" = "Quillon Tuning Implemented, Settings NOT Changed and Exiting" ] ||
  fail "second instance records: $got"
kill -0 "$ENGINE_PID" 2>/dev/null || fail "the first instance ended"
expect_text 3003 "65535"

if [ -n "$SHOTS" ]; then
  mkdir -p "$SHOTS"
  DISPLAY=$QL_DISPLAY import -window root -crop 616x437+204+165 +repage "$SHOTS/qltune-main.png" ||
    fail "screenshot"
fi

# The main menu as built from the command tables.
ql_robot menu-list "$WINDOW" | tr -d '\r' >"$QL_MACHINE_DIR/menu.txt" || fail "menu-list"
for item in "Event Viewer" "Save and Exit" "Remove Quillon" "Hide PreSet Buttons" \
  "Dont Stay on Top" "UnRoll Screen" "About"; do
  grep -qF "\"$item\"" "$QL_MACHINE_DIR/menu.txt" || fail "no menu item $item: $(cat "$QL_MACHINE_DIR/menu.txt")"
done

# The preset panel from the advanced toolbar, and the MaxLRU preset 256.
ql_robot click "$WINDOW" 1309 || fail "Show Preset Buttons"
sleep 1
[ "$(visible_of 1412)" = 1 ] || fail "the preset panel is not shown"
ql_robot click "$WINDOW" 1412 || fail "Button24"
sleep 1
expect_text 3003 "256"
expect_text 3006 "8388608"
if [ -n "$SHOTS" ]; then
  DISPLAY=$QL_DISPLAY import -window root -crop 616x437+204+165 +repage "$SHOTS/qltune-presets.png" ||
    fail "screenshot"
fi

# Roll up, then unroll: the default height again.
read -r width height <<<"$(window_size)" || fail "window size"
ql_robot click "$WINDOW" 1317 || fail "Rollup Screen"
sleep 1
read -r _ rolled <<<"$(window_size)" || fail "window size"
[ "$rolled" -lt 100 ] || fail "rolled up to $rolled pixels"
# Rolled up, the toolbar has no room left to be clicked: the menu unrolls.
ql_robot menu "$WINDOW" Visuals "UnRoll Screen" >/dev/null || fail "UnRoll Screen"
sleep 1
read -r width2 height2 <<<"$(window_size)" || fail "window size"
[ "$height2" = 437 ] && [ "$height" = 437 ] || fail "heights: $height, $rolled, $height2"
[ "$width2" = "$width" ] || fail "width changed: $width -> $width2"

# Exit writes nothing.
before=$(ql_reg_dump "$PARAMS")
ql_robot click "$WINDOW" 1202 || fail "Exit (No Save)"
expect_exit
[ "$(ql_reg_dump "$PARAMS")" = "$before" ] || fail "Exit changed the parameters"
if ql_reg_dump "$REMEMBERED" | grep -q .; then fail "Exit wrote the remembered fields"; fi
got=$(records_of "$ENGINE_LOG" | tail -n 2)
[ "$got" = $'No Quillon Changes Implemented\nQuillon Tuning Implemented, Settings NOT Changed and Exiting' ] ||
  fail "exit records: $got"
echo "PASS [$SCENARIO]"
