#!/bin/bash
# The robot's menu commands, through its agent DLL in the target process: the menu tree as
# the program sets it up when a menu opens, a command chosen by its item texts (the program
# then shows what it got), a disabled or missing item refused with a message, and a command
# that ends the program. Also a screenshot of the window.
set -u
source "$(dirname "$0")/../../tools/wine/machine.sh"
source "$(dirname "$0")/expect.sh"
ql_require_wine || exit "$QL_SKIP"
menu=$(ql_find_exe qlmenu.exe) || exit "$QL_SKIP"

ql_machine_create || exit 1
trap ql_machine_destroy EXIT

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

expect_done
