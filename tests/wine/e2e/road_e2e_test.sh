#!/usr/bin/env bash
# The road of one boot on one Wine test machine, the same road the sandbox plays
# (tools/sandbox/road.sh): the agreement accepted; the wizard on a fixed drive with lazy
# writing and Finish; a reboot in which the stand-in driver loads at boot and QlAlloc hands
# its buffer over; the monitor over three intervals of the stand-in's traffic; MaxLRU
# lowered and saved in the tuning engine; its event-log records in order.
#
# Each step is checked as soon as it is done, on what the platform holds: registry bytes as
# regedit exports them, the service manager's state, what the stand-in received, the
# monitor's boxes. The tuning step is skipped (with a line saying so) while the win32 build
# has no QlTune.exe.
#
# Exit 0 passed, 1 failed, 77 skipped (no Wine or no win32 build).
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/../../.." && pwd)
# shellcheck source=../../../tools/wine/machine.sh
source "$REPO/tools/wine/machine.sh"
# shellcheck source=../../../tools/sandbox/road.sh
source "$REPO/tools/sandbox/road.sh"

STEP=""
fail() {
  echo "FAIL [$STEP]: $*" >&2
  exit 1
}

# Runs a road step; its own complaint ends the test.
road_step() {
  STEP=$1
  echo "== $STEP"
  "$2" || fail "$ROAD_ERROR"
}

expect_eq() {
  local what=$1 want=$2 got=$3
  [ "$got" = "$want" ] || fail "$what:"$'\n'"wanted:"$'\n'"$want"$'\n'"got:"$'\n'"$got"
}

# Text as a hex list of its UTF-16LE bytes with a terminating NUL, as regedit writes it.
utf16_hex() {
  printf '%s\0' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -s ' \n' ',' |
    sed -e 's/^,//' -e 's/,$//'
}

# The figures below are those of the road's folder drive.
ROAD_LETTER=D
ql_require_wine || exit "$QL_SKIP"
for exe in Pactview.exe QlConfig.exe QlAllSrv.exe QlStats.exe qlpick.exe; do
  ql_find_exe "$exe" >/dev/null || exit "$QL_SKIP"
done
ql_machine_create || fail "no test machine"
trap ql_machine_destroy EXIT
road_step prepare road_prepare

road_step pactview road_pactview
expect_eq "Pactview's exit code" 0 "$ROAD_PACTVIEW_EXIT"

road_step qlconfig road_config
expect_eq "QlConfig's exit code" 0 "$ROAD_CONFIG_EXIT"
expect_eq "$ROAD_DRIVER_KEY" 'ErrorControl=dword:00000001
Group="Orvel"
Start=dword:00000000
Type=dword:00000001' "$ROAD_DRIVER_VALUES"
# DosDevice was given as its two characters; the platform counts the NUL that follows them.
dos=$(grep '^DosDevice=' <<<"$ROAD_PARAMETERS")
case "$dos" in
  "DosDevice=\"$ROAD_LETTER:\"" | "DosDevice=hex(1):$(printf '%02x' "'$ROAD_LETTER"),00,3a,00") ;;
  *) fail "DosDevice: $dos" ;;
esac
# The drive is a folder of the machine: its device target has no disk or partition number
# at their places. Wine reports 2 GiB of memory, so the budget is capped at 256 MiB: 8192
# pages of 32 KiB, with a drive larger than that; MinLRU is derived from MaxLRU. The drive
# does not hold the Windows folder.
expect_eq "parameters" 'BreakOnEntry=dword:00000000
DebugLevel=dword:00000000
Drive=dword:00000000
LazyWrite=dword:00000001
MaxLRU=dword:00002000
MinLRU=dword:00000020
PageSize=dword:00008000
Partition=dword:00000000
PendingLimit=dword:00000010
SystemDevice=dword:00000000' "$(grep -v '^DosDevice=' <<<"$ROAD_PARAMETERS")"
expect_eq "$ROAD_EVENT_KEY" "EventMessageFile=hex(2):$(utf16_hex '%SystemRoot%\System32\Drivers\QlDrv.sys')
TypesSupported=dword:00000007" "$ROAD_EVENT_SOURCE"
# The service manager keeps the program's path as given, unexpanded.
grep -qxF -e 'ImagePath="%SystemRoot%\\System32\\QlAllSrv.exe"' \
  -e "ImagePath=hex(2):$(utf16_hex '%SystemRoot%\System32\QlAllSrv.exe')" <<<"$ROAD_ALLOC_VALUES" ||
  fail "QlAlloc's program:"$'\n'"$ROAD_ALLOC_VALUES"
for want in 'Type=dword:00000110' 'Start=dword:00000002' 'ErrorControl=dword:00000001' \
  'ObjectName="LocalSystem"'; do
  grep -qxF "$want" <<<"$ROAD_ALLOC_VALUES" || fail "QlAlloc registration without $want:"$'\n'"$ROAD_ALLOC_VALUES"
done
case "$ROAD_GROUP_ORDER" in
  *'\0Orvel\0filter\0'*) ;;
  *) fail "group order without Orvel before filter: $ROAD_GROUP_ORDER" ;;
esac

road_step reboot road_reboot
expect_eq "the stand-in's letter" "$ROAD_LETTER:" "$ROAD_STANDIN_LETTER"
case " $ROAD_SERVICE_STATE " in
  *" state=4 "*" exit=0 "*) ;;
  *) fail "QlAlloc: $ROAD_SERVICE_STATE" ;;
esac
# One open, the size query, one hand-over, the handle closed after it.
expect_eq "requests at boot" CQFX "$ROAD_ORDER"
expect_eq "hand-over size" "$ROAD_BUFFER_BYTES" "$ROAD_HANDOVER_SIZE"
[ "${ROAD_HANDOVER:16:8}" != 00000000 ] || fail "hand-over without address: $ROAD_HANDOVER"
[ "${ROAD_HANDOVER:24:8}" != 00000000 ] || fail "hand-over without handle: $ROAD_HANDOVER"

road_step qlstats road_stats
expect_eq "sampling rate" 2 "$ROAD_RATE"
# Every interval shows exactly one step of the stand-in's counters.
want=$(awk -v r="$ROAD_READ_STEP" -v h="$ROAD_READ_HIT_STEP" -v w="$ROAD_WRITE_STEP" \
  -v b="$ROAD_WRITE_BEHIND_STEP" 'BEGIN { printf "%11d|%5.1f|%11d|%5.1f", r, 100 * h / r, w, 100 * b / w }')
expect_eq "intervals" "$ROAD_INTERVALS" "${#ROAD_FIGURES[@]}"
for ((i = 0; i < ${#ROAD_FIGURES[@]}; i++)); do
  expect_eq "figures of interval $((i + 1))" "$want" "${ROAD_FIGURES[i]}"
done
expect_eq "button after Stop" Run "$ROAD_STATS_BUTTON"
expect_eq "QlStats' exit code" 0 "$ROAD_STATS_EXIT"
order=$(ql_reg_pick "$ROAD_STATS_RECORD" Order)
[[ "$order" =~ ^CQFXCS{4,}X$ ]] || fail "requests after the monitor: $order"

road_step qltune road_tune
if [ -n "$ROAD_TUNE_SKIPPED" ]; then
  echo "SKIPPED [qltune]: $ROAD_TUNE_SKIPPED"
else
  expect_eq "QlTune's exit code" 0 "$ROAD_TUNE_EXIT"
  # The fine-tuner starts at the stored MaxLRU (the field shows the user's remembered text,
  # 65535 on a first run) and one step down takes 2 off it; Save and Exit stores the field.
  expect_eq "MaxLRU in the field" "$((16#2000 - 2))" "$ROAD_TUNE_MAXLRU_AFTER"
  expect_eq "MaxLRU saved" "MaxLRU=dword:$(printf '%08x' "$ROAD_TUNE_MAXLRU_AFTER")" \
    "$(grep '^MaxLRU=' <<<"$ROAD_TUNE_AFTER")"
  expect_eq "MinLRU saved" "MinLRU=dword:00000020" "$(grep '^MinLRU=' <<<"$ROAD_TUNE_AFTER")"
  # The wizard's values for the others: Save and Exit writes them back as they were shown.
  expect_eq "PageSize saved" "PageSize=dword:00008000" "$(grep '^PageSize=' <<<"$ROAD_TUNE_AFTER")"
  expect_eq "PendingLimit saved" "PendingLimit=dword:00000010" \
    "$(grep '^PendingLimit=' <<<"$ROAD_TUNE_AFTER")"
  # The values the wizard wrote and the tuning engine never touches stay.
  expect_eq "untouched values" "$(grep -vE '^(MaxLRU|MinLRU|PageSize|PendingLimit)=' <<<"$ROAD_TUNE_BEFORE")" \
    "$(grep -vE '^(MaxLRU|MinLRU|PageSize|PendingLimit)=' <<<"$ROAD_TUNE_AFTER")"
fi

road_step records road_records
if [ -z "$ROAD_TUNE_SKIPPED" ]; then
  # Information records, category 0, identifier 0; one string: CR LF, the user, CR LF, text.
  grep -v '^type=4 category=0 id=0 strings=\\r\\nUser: [^|]*\\r\\nQuillon [^|]*$' \
    <<<"$ROAD_RECORDS" | grep . && fail "records of another form:"$'\n'"$ROAD_RECORDS"
  texts=$(sed -n 's/^type=4 category=0 id=0 strings=//p' <<<"$ROAD_RECORDS")
  expect_eq "records of a Save and Exit, in order" "Quillon Tuning Event Initialized
Quillon Tuning Implemented, Settings Changed
Quillon Tuning Implemented, Settings NOT Changed and Exiting" "$(grep -o 'Quillon [^|]*' <<<"$texts")"
fi
echo "PASS [road of one boot]"
