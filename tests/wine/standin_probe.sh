#!/bin/bash
# The driver settings read from a real registry seeded from a fixture, and the stand-in
# driver loaded at boot answering the size and statistics requests of the shared driver
# store and the real platform (qlprobe); then a refused size request as the caller sees it.
set -u
source "$(dirname "$0")/../../tools/wine/machine.sh"
source "$(dirname "$0")/expect.sh"
ql_require_wine || exit "$QL_SKIP"
probe=$(ql_find_exe qlprobe.exe) || exit "$QL_SKIP"

ql_machine_create || exit 1
trap ql_machine_destroy EXIT
ql_machine_reg_import "$QL_REPO_DIR/tests/fixtures/wine_standin_q.reg" || exit 1
ql_machine_install_standin || exit 1
ql_machine_reboot || exit 1

record='HKLM\SYSTEM\CurrentControlSet\Services\QlStandIn\Record'
ql_reg_wait_value "$record" Loaded 0x1 60 || exit 1
expect_eq "driver state" "state=4 type=1" "$(ql_svc_state QlDrv | tr -d '\r' | cut -d' ' -f1-2)"
seen=$(ql_reg_dump "$record")
expect_eq "served letter" "Q:" "$(ql_reg_pick "$seen" Letter)"
expect_eq "link created" "0x0" "$(ql_reg_pick "$seen" LinkStatus)"

out=$(ql_machine_run "$probe" 3)
expect_eq "probe exit" 0 $?
expect_eq "probe output" 'start=0 dosdevice="Q:" path="\\.\Q:"
size=0 high=1 returned=8
stats[0] write=100 writebehind=0 read=4294967301 readhit=2 returned=48
stats[1] write=103 writebehind=0 read=4294967308 readhit=3 returned=48
stats[2] write=106 writebehind=0 read=4294967315 readhit=4 returned=48' "$(echo "$out" | tr -d '\r')"

# What the driver received: one open, one size query, three statistics requests, in that
# order, each with no input and a buffer of exactly the record's size.
seen=$(ql_reg_dump "$record")
expect_eq "order" "CQSSSX" "$(ql_reg_pick "$seen" Order)"
expect_eq "size queries" 0x1 "$(ql_reg_pick "$seen" QuerySizeCount)"
expect_eq "size query input" 0x0 "$(ql_reg_pick "$seen" QuerySizeInLength)"
expect_eq "size query output" 0x8 "$(ql_reg_pick "$seen" QuerySizeOutLength)"
expect_eq "statistics requests" 0x3 "$(ql_reg_pick "$seen" GetStatsCount)"
expect_eq "statistics input" 0x0 "$(ql_reg_pick "$seen" GetStatsInLength)"
expect_eq "statistics output" 0x30 "$(ql_reg_pick "$seen" GetStatsOutLength)"

# A refused request reaches the caller as its Win32 error; the counters went on counting.
ql_machine_reg_import "$QL_REPO_DIR/tests/fixtures/wine_standin_query_fails.reg" || exit 1
out=$(ql_machine_run "$probe" 1)
expect_eq "probe exit on refusal" 1 $?
expect_eq "refusal" "error: IOCTL_OV_QUERY_SIZE 1450" "$(grep '^error:' "$(ql_last_log)" | tr -d '\r')"
seen=$(ql_reg_dump "$record")
expect_eq "refusal recorded" 0xc000009a "$(ql_reg_pick "$seen" QuerySizeResult)"
expect_eq "order after refusal" "CQSSSXCQX" "$(ql_reg_pick "$seen" Order)"

expect_done
