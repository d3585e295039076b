# shellcheck shell=bash
# Hostile machine states for the real programs on one Wine test machine per group of cases.
#
# A case is one start of one program against a registry state no installation leaves. The
# helper qlhostile (tools/standin/hostile.cpp) lays the state down, dumps the keys the
# program reads, denies a key when the case asks for it, runs the program to its end with
# its exact exit code, gives the key back and dumps again, all in one process; the robot
# meanwhile answers the program's message box or closes its window. A case passes when:
#   - no crash: neither Wine's report of an unhandled exception in the run's standard error
#     nor a crash dialog ("Program Error") on the desktop;
#   - the program's own message (caption and text) or its window, as the case expects;
#   - the exit code the program documents;
#   - every key dumped before the run reads byte for byte the same after it (for cases where
#     the program is not meant to write).
# Each case adds one row to a table (input, program, expected, seen, verdict) that
# hx_print_table prints at the end. A case whose expected behaviour is a known fault not
# mended yet is marked KNOWN and does not fail the test: when its mend lands, the one-word
# "known" argument of its hx_case line is dropped. A case marked "wine" is a state Wine
# cannot show; its row records what Wine does instead and never fails.
#
# Source after tools/wine/machine.sh.

HX_ROWS=()
HX_FAILED=0
HX_CRASHES=0
HX_SKIPPED=0

# Every case runs on every kind of machine: under the i386 emulator the six tests take
# about one and a half times their native time. HX_CORE_ONLY=1 runs only the cases a script
# names in HX_CORE (one of each kind of input per program), for a quick look.
HX_CORE_ONLY=${HX_CORE_ONLY:-0}
HX_CORE=""

# Case description, set by hx_case and the hx_expect_* calls, used by hx_run.
hx_case() {
  HX_ID=$1
  HX_PROGRAM=$2
  HX_INPUT=$3
  HX_KNOWN=${4:-}
  HX_SETUP=()
  HX_KEYS=()
  HX_DENY=""
  HX_BOXES=()
  HX_QUIET_CAPTION=""
  HX_RUN_ARGS=(run "$2" --)
  HX_AFTER=()
  HX_PROBE=""
  HX_WINDOW=""
  HX_WINDOW_SET=0
  HX_WINDOW_ACTION=""
  HX_EXIT=""
  HX_STDERR=""
  HX_WRITES=0
  HX_EXPECTED=""
}

# Helper commands that lay the state down (before the first dump).
hx_setup() { HX_SETUP+=("$@"); }
# Keys compared before and after.
hx_keys() { HX_KEYS+=("$@"); }
# A key whose security descriptor refuses the user during the run.
hx_deny() { HX_DENY=$1; }
# The program shows a message box: caption and text (a line break as the robot shows it,
# "\n"); called again for each further box, in order.
hx_expect_box() { HX_BOXES+=("$1"$'\t'"$2"); }
# The program shows no box of this caption (checked after the run).
hx_expect_quiet() { HX_QUIET_CAPTION=$1; }
# The helper's command that runs the program, when not "run <program> --".
hx_run_with() { HX_RUN_ARGS=("$@"); }
# A shell function run after the program whose output is added to what was seen.
hx_probe() { HX_PROBE=$1; }
# Helper commands after the second dump (to tidy up for the next case).
hx_after() { HX_AFTER+=("$@"); }
# The program opens its window; the action (a shell function, optional) runs while it is up,
# then the window's Exit button (id 2) or the action itself ends it.
hx_expect_window() {
  HX_WINDOW_SET=1
  HX_WINDOW=$1
  HX_WINDOW_ACTION=${2:-}
}
hx_expect_exit() { HX_EXIT=$1; }
# A line the program writes to its standard error.
hx_expect_stderr() { HX_STDERR=$1; }
# The program is meant to write some of the keys: the dumps are shown, not compared.
hx_writes() { HX_WRITES=1; }

hx_helper() { ql_find_exe qlhostile.exe; }


# Linux pids of a program of this machine, by its file name.
hx_program_pids() {
  local pid first
  for pid in $(ql_machine_pids "$QL_MACHINE_DIR/prefix"); do
    # The program itself, not the helper that names it among its arguments.
    first=$(tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | head -n 1)
    [[ ${first,,} == *"${1,,}" ]] && echo "$pid"
  done
}

# Ends a program of this machine that is still running after its case (by its pids).
hx_end_program() {
  local pids
  pids=$(hx_program_pids "$1")
  [ -n "$pids" ] || return 0
  echo "  (ending $1 still running: pids $pids)" >&2
  # shellcheck disable=SC2086
  kill $pids 2>/dev/null
}

# Answers a message box of the caption wanted and prints its text; with no such box within
# the time, answers whatever box is up instead and prints "other <caption>: <text>".
hx_answer_box() {
  local caption=$1 limit=$2 out
  if out=$(ql_robot msgbox -c "$caption" -a ok -t "$limit" 2>/dev/null | tr -d '\r'); then
    sed -n 's/^text: //p' <<<"$out"
    return 0
  fi
  if out=$(ql_robot msgbox -a ok -t 2 2>/dev/null | tr -d '\r'); then
    printf 'other %s: %s' "$(sed -n 's/^caption: //p' <<<"$out")" \
      "$(sed -n 's/^text: //p' <<<"$out")"
    return 1
  fi
  printf 'none'
  return 1
}

# HX_SHARD=k/n runs the k-th of n interleaved shares of the cases that would run, each
# share on a machine of its own, so that a long group can run beside itself (the test list
# registers the shares).
HX_INDEX=0
hx_in_shard() {
  [ -z "${HX_SHARD:-}" ] && return 0
  local k=${HX_SHARD%%/*} n=${HX_SHARD##*/}
  HX_INDEX=$((HX_INDEX + 1))
  [ $(((HX_INDEX - 1) % n)) -eq $((k - 1)) ]
}

# Runs the case described since hx_case and records its row.
hx_run() {
  # HX_ONLY (a regular expression) picks cases by their id, for a look at a few.
  if [ -n "${HX_ONLY:-}" ] && ! [[ $HX_ID =~ $HX_ONLY ]]; then return 0; fi
  if [ "$HX_CORE_ONLY" = 1 ] && [[ " $HX_CORE " != *" $HX_ID "* ]]; then
    HX_SKIPPED=$((HX_SKIPPED + 1))
    return 0
  fi
  hx_in_shard || return 0
  local helper args=() key out err pid seen="" verdict=PASS problems=() text exitcode before after
  helper=$(hx_helper) || return 1
  args+=("${HX_SETUP[@]}")
  for key in "${HX_KEYS[@]}"; do args+=(dump "$key"); done
  [ -n "$HX_DENY" ] && args+=(deny "$HX_DENY")
  args+=("${HX_RUN_ARGS[@]}")
  [ -n "$HX_DENY" ] && args+=(allow "$HX_DENY")
  for key in "${HX_KEYS[@]}"; do args+=(dump "$key"); done
  args+=("${HX_AFTER[@]}")

  ql_machine_start "$helper" "${args[@]}"
  pid=$QL_LAST_PID
  out="$QL_MACHINE_DIR/logs/$pid.out"
  err="$QL_MACHINE_DIR/logs/$pid.err"

  local box caption want
  for box in "${HX_BOXES[@]}"; do
    caption=${box%%$'\t'*}
    want=${box#*$'\t'}
    HX_EXPECTED="${HX_EXPECTED:+$HX_EXPECTED; }box \"$caption\": \"$want\""
    text=$(hx_answer_box "$caption" 90)
    if [ "$text" = "$want" ]; then
      seen="${seen:+$seen; }box \"$caption\": \"$text\""
    else
      seen="${seen:+$seen; }box: $text"
      problems+=("message")
    fi
  done
  if [ "$HX_WINDOW_SET" = 1 ]; then
    HX_EXPECTED="window \"$HX_WINDOW\""
    if ql_robot wait-window "$HX_WINDOW" -t 90 >/dev/null 2>&1; then
      seen="${seen:+$seen; }window"
      if [ -n "$HX_WINDOW_ACTION" ]; then
        text=$("$HX_WINDOW_ACTION") || problems+=("window: $text")
        [ -n "$text" ] && seen="$seen; $text"
      fi
      # Exit, unless the action ended the window itself.
      ql_robot click "$HX_WINDOW" 2 -t 0.2 >/dev/null 2>&1 || true
    else
      text=$(hx_answer_box "-" 1)
      seen="${seen:+$seen; }no window ($text)"
      problems+=("window")
    fi
  elif [ "${#HX_BOXES[@]}" = 0 ]; then
    HX_EXPECTED="no message"
  fi

  if ! ql_machine_wait "$pid" 90 >/dev/null; then
    # Whatever still holds the run: boxes first, then the program itself.
    ql_robot msgbox -a ok -t 2 >/dev/null 2>&1
    hx_end_program "$HX_PROGRAM"
    ql_machine_wait "$pid" 30 >/dev/null
    problems+=("did not end")
  fi

  if [ -n "$HX_QUIET_CAPTION" ]; then
    if text=$(hx_answer_box "$HX_QUIET_CAPTION" 2); then
      seen="${seen:+$seen; }box \"$HX_QUIET_CAPTION\": \"$text\""
      problems+=("message")
    else
      seen="${seen:+$seen; }no message"
    fi
  fi

  if [ -n "$HX_PROBE" ]; then
    text=$("$HX_PROBE" 2>/dev/null)
    [ -n "$text" ] && seen="${seen:+$seen; }$text"
  fi

  exitcode=$(sed -n 's/^exit=//p' "$out" | tr -d '\r')
  HX_EXPECTED="$HX_EXPECTED; exit $HX_EXIT"
  seen="$seen; exit ${exitcode:-?}"
  [ "$exitcode" = "$HX_EXIT" ] || problems+=("exit code")

  if grep -qE 'Unhandled (exception|page fault)|wine: Unhandled|Unhandled stack overflow' "$err"; then
    seen="$seen; CRASH"
    problems+=("crash")
    HX_CRASHES=$((HX_CRASHES + 1))
  fi
  if [ -n "$HX_STDERR" ]; then
    HX_EXPECTED="$HX_EXPECTED; stderr \"$HX_STDERR\""
    if grep -qF "$HX_STDERR" "$err"; then seen="$seen; stderr as expected"; else
      seen="$seen; stderr without it"
      problems+=("stderr")
    fi
  fi
  if grep -q '^deny ' "$out"; then
    seen="$seen; $(grep '^deny ' "$out" | sed 's/.*now gives /denied open gives /' | tr -d '\r')"
  fi

  before=$(tr -d '\r' <"$out" | sed -n '/^exit=/q;/^deny /d;p')
  after=$(tr -d '\r' <"$out" | sed -n '/^exit=/,$p' | sed '1d;/^ended /d')
  if [ "${#HX_KEYS[@]}" -gt 0 ]; then
    if [ "$HX_WRITES" = 1 ]; then
      HX_EXPECTED="$HX_EXPECTED; writes its keys"
    else
      HX_EXPECTED="$HX_EXPECTED; registry kept"
      if [ -z "$after" ]; then
        seen="$seen; no dump after"
        problems+=("registry")
      elif [ "$before" = "$after" ]; then
        seen="$seen; registry kept"
      else
        seen="$seen; REGISTRY CHANGED"
        problems+=("registry")
        diff <(echo "$before") <(echo "$after") | cut -c1-200 >&2
      fi
    fi
  fi

  if [ "$HX_KNOWN" = wine ]; then
    # Wine cannot show this state: the row records what it does instead.
    verdict="NOT SHOWN (Wine)"
  elif [ "${#problems[@]}" -gt 0 ]; then
    if [ -n "$HX_KNOWN" ]; then verdict=KNOWN; else
      verdict=FAIL
      HX_FAILED=$((HX_FAILED + 1))
    fi
    echo "  case $HX_ID: ${problems[*]} (log $err)" >&2
  fi
  HX_ROWS+=("$HX_ID"$'\t'"$HX_INPUT"$'\t'"$HX_PROGRAM"$'\t'"$HX_EXPECTED"$'\t'"$seen"$'\t'"$verdict")
  echo "  $verdict $HX_ID: $seen" >&2
}

# A crash dialog left on the desktop by any case of the group.
hx_check_crash_dialog() {
  if ql_robot wait-window "Program Error" -t 1 >/dev/null 2>&1; then
    echo "  a crash dialog is on the desktop" >&2
    HX_ROWS+=("crash-dialog"$'\t'"desktop after the group"$'\t'"-"$'\t'"no crash dialog"$'\t'"CRASH DIALOG"$'\t'"FAIL")
    HX_FAILED=$((HX_FAILED + 1))
  fi
}

# Wine's report of an unhandled exception in a log the runs do not own (a service writes to
# the boot's standard error).
hx_check_crash_log() {
  if grep -qE 'Unhandled (exception|page fault)|wine: Unhandled|Unhandled stack overflow' "$1"; then
    grep -E 'Unhandled' "$1" | head -n 3 >&2
    HX_ROWS+=("crash-log"$'\t'"$2"$'\t'"-"$'\t'"no crash"$'\t'"CRASH"$'\t'"FAIL")
    HX_FAILED=$((HX_FAILED + 1))
    HX_CRASHES=$((HX_CRASHES + 1))
  fi
}

# Prints the table as Markdown rows and returns 1 when a case failed.
hx_print_table() {
  local row
  echo "| Case | Input | Program | Expected | Seen | Verdict |"
  echo "|---|---|---|---|---|---|"
  for row in "${HX_ROWS[@]}"; do
    echo "| ${row//$'\t'/ | } |"
  done
  echo
  echo "cases: ${#HX_ROWS[@]}, failed: $HX_FAILED, crashes: $HX_CRASHES"
  [ "$HX_SKIPPED" = 0 ] || echo "left out by HX_CORE_ONLY=1: $HX_SKIPPED"
  [ "$HX_FAILED" = 0 ]
}
