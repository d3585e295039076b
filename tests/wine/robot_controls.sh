#!/bin/bash
# The robot on another process's windows. Controls: every kind it reads (texts, check state,
# list-view items and sub-items, track-bar and up-down positions, list-box items), a text
# set, a button pressed, a disabled one refused, a list-view item clicked as the mouse does
# (the program is notified and the item selected), a key. Menus, through the agent DLL: the
# tree as the program sets it up when a menu opens, a command chosen by its item texts, a
# disabled or missing item refused, a command that ends the program. A screenshot. And the
# registry and service queries the serving robot answers in place of reg.exe and qlsvcq,
# compared with theirs.
set -u
source "$(dirname "$0")/../../tools/wine/machine.sh"
source "$(dirname "$0")/expect.sh"
ql_require_wine || exit "$QL_SKIP"
menu=$(ql_find_exe qlmenu.exe) || exit "$QL_SKIP"
controls=$(ql_find_exe qlcontrols.exe) || exit "$QL_SKIP"

ql_machine_create || exit 1
trap ql_machine_destroy EXIT

C="Controls check"
ql_machine_start "$controls"
controls_pid=$QL_LAST_PID
ql_robot wait-window "$C" -t 60 >/dev/null
expect_eq "controls window up" 0 $?
expect_eq "controls as shown" 'window class=QlControlsCheck text="Controls check" enabled=1
id=10 class=Edit text="initial" visible=1 enabled=1
id=11 class=Button text="Press" visible=1 enabled=1
id=12 class=Button text="Option" visible=1 enabled=1 checked=0
id=18 class=Button text="Off" visible=1 enabled=0
id=13 class=SysListView32 text="" visible=1 enabled=1 items=3
  item[0]="C:"|"100"
  item[1]="D:"|"200"
  item[2]="E:"|"300"
id=0 class=SysHeader32 text="" visible=1 enabled=1
id=14 class=msctls_trackbar32 text="" visible=1 enabled=1 pos=3 min=0 max=10
id=0 class=Edit text="16" visible=1 enabled=1
id=15 class=msctls_updown32 text="" visible=1 enabled=1 pos=16 min=1 max=32767
id=17 class=ListBox text="" visible=1 enabled=1 items=2 selected=-1
  item[0]="alpha"
  item[1]="beta"
id=16 class=Static text="idle" visible=1 enabled=1' "$(ql_robot list "$C" | tr -d '\r')"

ql_robot set-text "$C" 10 "typed text"
expect_eq "text set" "typed text" "$(ql_robot get-text "$C" 10 | tr -d '\r')"
ql_robot click "$C" 11
ql_robot_wait_text "$C" 16 "pressed"
expect_eq "button pressed" 0 $?
ql_robot click "$C" 12
out=$(ql_robot click "$C" 18 2>&1)
expect_eq "disabled button exit" 1 $?
expect_eq "disabled button" 'qlrobot: control 18 ("Off") is disabled' "$(echo "$out" | tr -d '\r')"
ql_robot lv-click "$C" 13 1
ql_robot_wait_text "$C" 16 "selected 1"
expect_eq "list-view click notified the program" 0 $?
ql_robot key "$C" 10 13
ql_robot_wait_text "$C" 16 "key 13"
expect_eq "key reached the field" 0 $?
after=$(ql_robot list "$C" | tr -d '\r')
expect_eq "check box checked" 'id=12 class=Button text="Option" visible=1 enabled=1 checked=1' \
  "$(echo "$after" | grep '^id=12 ')"
expect_eq "item selected" '  item[1]="D:"|"200" selected focused' "$(echo "$after" | grep 'item\[1\]="D:"')"

ql_machine_start "$menu"
pid=$QL_LAST_PID
ql_robot wait-window "Menu check" -t 60 >/dev/null
expect_eq "window up" 0 $?

tree=$(ql_robot menu-list "Menu check")
expect_eq "menu-list exit" 0 $?
expect_eq "menu tree" '"File" id=-1 enabled=1 checked=0 popup
  "Open..." id=101 enabled=1 checked=0
  -
  "Exit" id=102 enabled=1 checked=0
"View" id=-1 enabled=1 checked=0 popup
  "Toolbar" id=103 enabled=1 checked=1
  "Status" id=104 enabled=0 checked=0' "$(echo "$tree" | tr -d '\r')"

expect_eq "choose File > Open..." "id=101" "$(ql_robot menu "Menu check" file "open..." | tr -d '\r')"
expect_eq "what the command showed" 'caption: Menu check
text: Command 101' "$(ql_robot msgbox -c "Menu check" -t 30 | tr -d '\r')"

out=$(ql_robot menu "Menu check" View Status 2>&1)
expect_eq "disabled item exit" 1 $?
expect_eq "disabled item" 'qlrobot: menu item "Status" is disabled' "$(echo "$out" | tr -d '\r')"
out=$(ql_robot menu "Menu check" File Close 2>&1)
expect_eq "missing item" 'qlrobot: no menu item "Close"' "$(echo "$out" | tr -d '\r')"

shot="$QL_MACHINE_DIR/menu.bmp"
ql_robot screenshot "Menu check" "$(ql_winpath "$QL_MACHINE_DIR")\\menu.bmp"
expect_eq "screenshot exit" 0 $?
expect_eq "screenshot is a bitmap" "BM" "$(head -c 2 "$shot" 2>/dev/null)"

ql_robot menu "Menu check" File Exit >/dev/null
ql_machine_wait "$pid" 60
expect_eq "program ended by File > Exit" 0 $?

# Values of every kind reg.exe shows: the robot's reading must be the same.
K='HKEY_CURRENT_USER\Software\QlRobotCheck'
cat >"$QL_MACHINE_DIR/kinds.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\QlRobotCheck]
@="default"
"Text"="C:"
"Empty"=""
"Expand"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,00
"Multi"=hex(7):61,00,62,63,00,00
"Dword"=dword:0000002a
"Zero"=dword:00000000
"High"=dword:c000009a
"Binary"=hex:01,ab,00,ff
"Short"=hex(4):01,02
"None"=hex(0):
REG
ql_machine_reg_import "$QL_MACHINE_DIR/kinds.reg"
served=$(ql_reg_dump "$K")
expect_eq "registry read served" 0 $?
by_reg=$(QL_ROBOT_SERVED=0 ql_reg_dump "$K")
expect_eq "registry read as reg.exe reads it" "$by_reg" "$served"
expect_eq "registry values read" 11 "$(echo "$served" | wc -l)"
ql_reg_value 'HKCU\Software\QlRobotNone' Text >/dev/null
expect_eq "value of a missing key" 1 $?
ql_reg_value "$K" Missing >/dev/null
expect_eq "missing value" 1 $?
expect_eq "service as qlsvcq sees it" "$(QL_ROBOT_SERVED=0 ql_svc_state PlugPlay | tr -d '\r')" \
  "$(ql_svc_state PlugPlay)"

expect_done
