#!/bin/bash
# The robot finds a message box of another process, reads its caption and its text (line
# break included), presses the answer asked for, and the program gets that answer; waiting
# for a message box that never comes ends with the timeout status and a message. Then the
# harness reads an event-log record back from Wine's trace of the program that wrote it.
set -u
source "$(dirname "$0")/../../tools/wine/machine.sh"
source "$(dirname "$0")/expect.sh"
ql_require_wine || exit "$QL_SKIP"
msgbox=$(ql_find_exe qlmsgbox.exe) || exit "$QL_SKIP"

ql_machine_create || exit 1
trap ql_machine_destroy EXIT

ql_machine_start "$msgbox" "Robot check" 'First line\nSecond line' yesno
shown=$(ql_robot msgbox -c "Robot check" -a no -t 60)
expect_eq "robot exit" 0 $?
expect_eq "message box seen" 'caption: Robot check
text: First line\nSecond line' "$(echo "$shown" | tr -d '\r')"
ql_machine_wait "$QL_LAST_PID" 60
expect_eq "answer the program got (IDNO)" 7 $?

out=$(ql_robot msgbox -c "Robot check" -t 1 2>&1)
expect_eq "exit on timeout" 2 $?
expect_eq "timeout message" 'qlrobot: timeout: no message box "Robot check" after 1 s' \
  "$(echo "$out" | tr -d '\r')"

report=$(ql_find_exe qlreport.exe) || exit "$QL_SKIP"
WINEDEBUG=-all,+eventlog,fixme+advapi ql_machine_run "$report" QlTune 4 0 0x40000064 \
  "first (string)" 'second
line'
expect_eq "report exit" 0 $?
expect_eq "record read back" 'type=4 category=0 id=1073741924 strings=first (string)|second\nline' \
  "$(ql_eventlog_records "$(ql_last_log)")"

expect_done
