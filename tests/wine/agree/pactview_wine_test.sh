#!/usr/bin/env bash
# Pactview.exe on a Wine test machine: every way the agreement dialog can end, and what the
# dialog holds. One machine serves all runs; the program keeps nothing between runs.
#
#   pactview_wine_test.sh
#
# Exit 0 passed, 1 failed, 77 skipped (no Wine or no win32 build).
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO=$(cd "$HERE/../../.." && pwd)
# shellcheck source=../../../tools/wine/machine.sh
source "$REPO/tools/wine/machine.sh"

# The dialog has no caption: the robot finds it as the one top-level window without one.
DIALOG=""
PROMPT='Please Read Carefully. Indicate your acceptance by clicking on \"Yes, I accept\".'
VK_TAB=9
VK_RETURN=13
VK_ESCAPE=27
VK_DELETE=46
VK_A=65

FAILURES=0
fail() {
  echo "FAIL [$RUN]: $*" >&2
  FAILURES=$((FAILURES + 1))
}
pass() { echo "ok   [$RUN] $*"; }

# The agreement as the robot prints it (backslash escapes, one line): the literals of the
# source joined, which use the same escapes.
expected_text() {
  sed -n '/^const char kAgreementText\[\] =/,/;$/ s/^ *"\(.*\)";\{0,1\}$/\1/p' \
    "$REPO/agree/agreement_text.cpp" | tr -d '\n'
}

# Starts Pactview and waits for its dialog; the pid is left in PACTVIEW.
start() {
  RUN=$1
  ql_machine_start "$EXE"
  PACTVIEW=$QL_LAST_PID
  ql_robot wait-window "$DIALOG" -t 120 >/dev/null || fail "no dialog"
}

# Waits for Pactview to end and checks its exit code.
expect_exit() {
  local want=$1 got
  ql_machine_wait "$PACTVIEW" 60
  got=$?
  if [ "$got" = "$want" ]; then pass "exit code $got"; else fail "exit code $got, wanted $want"; fi
}

ql_require_wine || exit "$QL_SKIP"
EXE=$(ql_find_exe Pactview.exe) || exit "$QL_SKIP"
ql_machine_create || exit 1
trap ql_machine_destroy EXIT

# Enter right after start: the focus is on "Yes, I accept", the default button.
start enter
ql_robot key "$DIALOG" 0 "$VK_RETURN"
expect_exit 0

# The dialog's controls in template (and tab) order, the whole agreement in the field, and
# a field that takes no typing: Delete and a letter leave the text as it is.
start contents
listing=$(ql_robot list "$DIALOG" | tr -d '\r')
want_text=$(expected_text)
[ "$(grep -o '\\r\\n' <<<"$want_text" | wc -l)" = 131 ] ||
  fail "the source's text does not have 131 lines; the extraction is wrong"
controls=$(grep '^id=' <<<"$listing")
ids=$(cut -d' ' -f1 <<<"$controls" | tr '\n' ' ')
if [ "$ids" = "id=1 id=2 id=1008 id=-1 " ]; then pass "controls $ids"; else fail "controls: $ids"; fi
grep -qxF 'id=1 class=Button text="Yes, I accept" visible=1 enabled=1' <<<"$controls" ||
  fail "no \"Yes, I accept\" button"
grep -qxF 'id=2 class=Button text="No, I do not accept" visible=1 enabled=1' <<<"$controls" ||
  fail "no \"No, I do not accept\" button"
grep -qxF "id=-1 class=Static text=\"$PROMPT\" visible=1 enabled=1" <<<"$controls" ||
  fail "no prompt above the field"
field_line() { grep '^id=1008 ' <<<"$1"; }
want_field="id=1008 class=Edit text=\"$want_text\" visible=1 enabled=1"
if [ "$(field_line "$controls")" = "$want_field" ]; then
  pass "all 131 lines in the field"
else
  fail "the field does not hold the agreement: $(field_line "$controls" | head -c 300)"
fi
ql_robot key "$DIALOG" 1008 "$VK_DELETE"
ql_robot key "$DIALOG" 1008 "$VK_A"
# The keys are posted to the field's queue; the idle dialog has handled them before the
# next robot process is even running. (A field without ES_READONLY loses its first letter
# and gains an "a" here.)
after=$(ql_robot list "$DIALOG" | tr -d '\r')
if [ "$(field_line "$after")" = "$want_field" ]; then
  pass "the field is read-only"
else
  fail "typing changed the field: $(field_line "$after" | head -c 120)"
fi
ql_robot key "$DIALOG" 0 "$VK_ESCAPE"
expect_exit 1

# "No, I do not accept".
start refuse
ql_robot click "$DIALOG" 2
expect_exit 1

# Tab moves the focus from "Yes, I accept" to "No, I do not accept"; Enter then refuses.
start tab-enter
ql_robot key "$DIALOG" 0 "$VK_TAB"
ql_robot key "$DIALOG" 0 "$VK_RETURN"
expect_exit 1

# Alt+F4 from the keyboard: the system menu's Close, which sends the dialog WM_CLOSE. The
# keys come through the X server, as a user's do (xdotool; ./quillon installs it).
if ! command -v xdotool >/dev/null; then
  RUN=alt-f4 fail "xdotool is not installed: Alt+F4 cannot be typed"
else
  start alt-f4
  window=$(DISPLAY=$QL_DISPLAY xdotool search --onlyvisible --class pactview.exe | head -n 1)
  if [ -n "$window" ]; then
    DISPLAY=$QL_DISPLAY xdotool key --window "$window" alt+F4
    expect_exit 1
  else
    fail "no X window of the dialog"
  fi
fi

# A dialog that cannot be created (no display to show it on) counts as a refusal.
# Wine then reports that no window driver could be loaded, and nothing can be shown.
RUN=no-display
(cd "$QL_MACHINE_DIR/work" && env WINEPREFIX="$QL_MACHINE_DIR/prefix" WINEARCH=win32 DISPLAY= \
  WINEDEBUG=err+winediag timeout 120 wine "$EXE" >/dev/null 2>"$QL_MACHINE_DIR/logs/no-display.err")
got=$?
if [ "$got" = 1 ]; then pass "exit code 1"; else fail "exit code $got, wanted 1"; fi
grep -q 'nodrv_CreateWindow' "$QL_MACHINE_DIR/logs/no-display.err" ||
  fail "the program ended without trying to create its dialog"

if [ "$FAILURES" -gt 0 ]; then
  echo "$FAILURES check(s) failed" >&2
  exit 1
fi
echo "all Pactview checks passed"
