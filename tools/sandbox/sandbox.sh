#!/usr/bin/env bash
# The sandbox machine: the five programs of the win32 build in a private Wine machine with
# the stand-in driver, played along the road of one boot, or left for a person to drive.
#
#   sandbox.sh road [--out DIR] [--interactive] [--keep] [--no-build]
#       Builds the win32 preset (unless --no-build), makes a machine and plays the road:
#       the agreement accepted, the wizard on a fixed drive with lazy writing and Finish, a
#       reboot that loads the stand-in and starts QlAlloc, the monitor over three intervals,
#       MaxLRU lowered and saved in the tuning engine, the event-log records. Prints the
#       transcript and puts a PNG of every program window into DIR (default
#       ./sandbox-out). Runs on a private Xvfb display; with --interactive it uses the
#       desktop's display instead, prepares the machine, starts the agreement and leaves
#       every step to the person at the desktop (the machine is kept). --keep leaves the
#       machine for the commands below.
#   sandbox.sh reboot              reboots the kept machine (stand-in, QlAlloc)
#   sandbox.sh open <program>      starts Pactview, QlConfig, QlStats, QlTune (or any
#                                  program of the machine) in the kept machine
#   sandbox.sh state               the kept machine, QlAlloc's state, the stand-in's record
#   sandbox.sh destroy             ends the kept machine and removes it
#
# Settings (environment): QL_WIN32_BUILD_DIR (default <repo>/build/win32), QL_SANDBOX_HOME
# (where the kept machine's note lives, default ~/.cache/quillon-sandbox), ROAD_LETTER (the
# fixed drive of the road, default D).
set -uo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export QL_REPO_DIR=${QL_REPO_DIR:-$(cd "$HERE/../.." && pwd)}
# shellcheck source=../wine/machine.sh
source "$QL_REPO_DIR/tools/wine/machine.sh"
# shellcheck source=road.sh
source "$HERE/road.sh"

SANDBOX_HOME=${QL_SANDBOX_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/quillon-sandbox}
SANDBOX_NOTE="$SANDBOX_HOME/machine"

die() {
  echo "sandbox: $*" >&2
  exit 1
}

usage() {
  sed -n '2,/^set -uo/p' "${BASH_SOURCE[0]}" | sed -e '/^set -uo/d' -e 's/^# \{0,1\}//'
  exit 2
}

# The kept machine's note: the variables machine.sh works with.
save_note() {
  mkdir -p "$SANDBOX_HOME"
  {
    printf 'QL_MACHINE_DIR=%q\n' "$QL_MACHINE_DIR"
    printf 'QL_DISPLAY=%q\n' "$QL_DISPLAY"
    printf 'QL_BOOT_LOG=%q\n' "$QL_BOOT_LOG"
  } >"$SANDBOX_NOTE"
}

load_note() {
  [ -f "$SANDBOX_NOTE" ] || die "no kept machine (run: sandbox.sh road --keep)"
  # shellcheck disable=SC1090
  source "$SANDBOX_NOTE"
  [ -d "$QL_MACHINE_DIR/prefix" ] || {
    rm -f "$SANDBOX_NOTE"
    die "the kept machine is gone"
  }
}

# A machine on an existing display (the desktop's): as ql_machine_create, without Xvfb.
create_on_display() {
  QL_DISPLAY=$1
  QL_MACHINE_DIR=$(mktemp -d "${TMPDIR:-/tmp}/ql-machine.XXXXXX") || return 1
  mkdir -p "$QL_MACHINE_DIR/work" "$QL_MACHINE_DIR/logs"
  : >"$QL_MACHINE_DIR/pids"
  QL_BOOT_LOG="$QL_MACHINE_DIR/logs/boot.err"
  : >"$QL_BOOT_LOG"
  ql_template_ensure || return 1
  ql_template_copy "$QL_TEMPLATE" "$QL_MACHINE_DIR/prefix" || return 1
  ql_server_start || return 1
  ql_machine_boot || return 1
  ql_machine_reg_import "$QL_REPO_DIR/tests/fixtures/wine_group_order.reg" || return 1
  ql_hold_desktop
}

# A kept machine outlives this script: the harness's watchdog, which ends a machine when
# the shell that made it ends, must not run for it.
disarm_watchdog() {
  local file="$QL_MACHINE_DIR/watchdog"
  [ -f "$file" ] || return 0
  kill "$(cat "$file")" 2>/dev/null
  rm -f "$file"
}

build_all() {
  echo "== building the win32 preset"
  (cd "$QL_REPO_DIR" && cmake --preset win32 >/dev/null && cmake --build --preset win32 -j2 \
    >/dev/null) || die "the win32 build failed (run: cmake --build --preset win32)"
}

step() {
  STEP_NO=$((STEP_NO + 1))
  STEP_T0=$SECONDS
  echo
  echo "== $STEP_NO. $*"
}

# Runs one step; a failed step ends the road.
run_step() {
  local title=$1
  shift
  step "$title"
  if ! "$@"; then
    echo
    echo "ROAD FAILED at step $STEP_NO ($title): $ROAD_ERROR"
    ROAD_FAILED=1
    return 1
  fi
  echo "  ($((SECONDS - STEP_T0)) s)"
}

cmd_road() {
  local out="$PWD/sandbox-out" interactive=0 keep=0 build=1
  while [ $# -gt 0 ]; do
    case "$1" in
      --out)
        out=${2:?--out needs a folder}
        shift
        ;;
      --interactive) interactive=1 ;;
      --keep) keep=1 ;;
      --no-build) build=0 ;;
      *) usage ;;
    esac
    shift
  done
  [ -f "$SANDBOX_NOTE" ] && die "a kept machine exists; run: sandbox.sh destroy"
  [ "$build" = 1 ] && build_all
  ql_require_wine || die "Wine, Xvfb or the win32 build's test tools are missing"
  for exe in Pactview.exe QlConfig.exe QlAllSrv.exe QlStats.exe; do
    ql_find_exe "$exe" >/dev/null || die "the win32 build has no $exe"
  done
  mkdir -p "$out" && ROAD_OUT=$(cd "$out" && pwd)

  STEP_NO=-1
  ROAD_FAILED=0
  local t0=$SECONDS
  echo "Quillon-NT sandbox: the road of one boot ($(date -u '+%Y-%m-%d %H:%M UTC'))"
  echo "wine $(wine --version 2>/dev/null); programs from $QL_WIN32_BUILD_DIR"
  step "A fresh machine"
  if [ "$interactive" = 1 ]; then
    [ -n "${DISPLAY:-}" ] || die "--interactive needs a desktop (DISPLAY is not set)"
    create_on_display "$DISPLAY" 2>/dev/null || die "no machine on $DISPLAY"
    keep=1
  else
    ql_machine_create 2>/dev/null || die "no machine (Xvfb, Wine prefix or boot failed)"
  fi
  if [ "$keep" = 1 ]; then
    disarm_watchdog
    save_note
  else
    trap ql_machine_destroy EXIT
  fi
  echo "  Wine prefix $QL_MACHINE_DIR/prefix on display $QL_DISPLAY"
  road_prepare || die "$ROAD_ERROR"

  if [ "$interactive" = 1 ]; then
    ql_machine_start Pactview.exe
    cat <<EOF

The machine is yours. Pactview is open; then, in this order:
  $0 open QlConfig     choose drive $ROAD_LETTER:, lazy writing On, Finish
  $0 reboot            the stand-in loads, QlAlloc starts and hands over its buffer
  $0 open QlStats      press Run
  $0 open QlTune       lower MaxLRU, Main > Save and Exit
  $0 state             QlAlloc's state and what the stand-in received
  $0 destroy           throw the machine away
EOF
    return 0
  fi

  run_step "Pactview: the agreement" road_pactview &&
    run_step "QlConfig: drive $ROAD_LETTER:, lazy writing, Finish" road_config &&
    run_step "Reboot: the stand-in driver loads, QlAlloc starts" road_reboot &&
    run_step "QLSTATS: three intervals of traffic" road_stats &&
    run_step "QlTune: MaxLRU lowered, Save and Exit" road_tune
  run_step "Event-log records" road_records
  echo
  if [ "$ROAD_FAILED" = 1 ]; then
    echo "The road stopped after $((SECONDS - t0)) s; logs in $QL_MACHINE_DIR/logs"
    [ "$keep" = 1 ] || QL_KEEP_MACHINE=1
    return 1
  fi
  echo "The road took $((SECONDS - t0)) s; pictures in $ROAD_OUT"
  [ "$keep" = 1 ] && echo "The machine is kept: $0 reboot | open <program> | state | destroy"
  return 0
}

cmd_reboot() {
  load_note
  # As on the road: the folder leaves its letter to the stand-in's control device.
  if [ -L "$QL_MACHINE_DIR/prefix/dosdevices/${ROAD_LETTER,,}:" ]; then
    rm -f "$QL_MACHINE_DIR/prefix/dosdevices/${ROAD_LETTER,,}:"
    echo "the folder behind $ROAD_LETTER: unmapped: the stand-in's control device takes the letter"
  fi
  ql_machine_reboot || die "the machine did not boot again"
  echo "rebooted; QlAlloc: $(ql_svc_state QlAlloc | tr -d '\r')"
}

cmd_open() {
  local program=${1:?open needs a program name}
  load_note
  case "${program,,}" in
    pactview | qlconfig | qlstats | qltune | qlallsrv) program="$program.exe" ;;
  esac
  ql_machine_start "$program"
  echo "started $program (pid $QL_LAST_PID) on display $QL_DISPLAY"
}

cmd_state() {
  load_note
  echo "machine $QL_MACHINE_DIR on display $QL_DISPLAY"
  echo "QlAlloc: $(ql_svc_state QlAlloc 2>/dev/null | tr -d '\r')"
  echo "stand-in record:"
  ql_reg_dump "$ROAD_RECORD_KEY" | road_indent
}

cmd_destroy() {
  load_note
  ql_machine_destroy
  rm -f "$SANDBOX_NOTE"
  echo "machine destroyed"
}

case "${1:-}" in
  road)
    shift
    cmd_road "$@"
    ;;
  reboot) cmd_reboot ;;
  open)
    shift
    cmd_open "$@"
    ;;
  state) cmd_state ;;
  destroy) cmd_destroy ;;
  *) usage ;;
esac
