#!/usr/bin/env bash
# Runs ql_win32_smoke.exe on a private Wine machine (tools/wine/machine.sh). Exit status 77
# (skipped) when this machine has no Wine or the win32 build is not there.
set -u

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
harness="$repo/tools/wine/machine.sh"
if [[ ! -f $harness ]]; then
  echo "skipped: no Wine harness at $harness"
  exit 77
fi
# shellcheck source=../../tools/wine/machine.sh
source "$harness"

ql_require_wine || exit "$QL_SKIP"
smoke=$(ql_find_exe ql_win32_smoke.exe) || exit "$QL_SKIP"
ql_machine_create || exit 1
trap ql_machine_destroy EXIT

ql_machine_run "$smoke"
status=$?
if [[ $status -ne 0 ]]; then
  echo "ql_win32_smoke.exe exited with $status; its standard error:"
  cat "$QL_LAST_LOG"
fi
exit "$status"
