# shellcheck shell=bash
# Private Wine test machines: a throw-away 32-bit prefix on a private Xvfb display, seeded
# from REGEDIT4 fixtures, with the programs and the stand-in driver installed.
#
# Source this file from a bash test script. Every function returns non-zero with a message
# on standard error when it fails. Each test makes its own machine and destroys it:
#
#   source tools/wine/machine.sh
#   ql_require_wine || exit "$QL_SKIP"        # 77: no Wine, no win32 build -> test skipped
#   ql_machine_create || exit 1               # prefix + display + persistent wineserver
#   trap ql_machine_destroy EXIT
#   ql_machine_reg_import tests/fixtures/x.reg [more.reg ...]
#   ql_machine_install QlAllSrv.exe           # into C:\windows\system32
#   ql_machine_install_standin                # QlDrv.sys into system32\drivers
#   ql_machine_reboot                         # wineserver -k; boot again (drivers, services)
#   ql_machine_run QlStats.exe; echo $?       # foreground, exit code (modulo 256)
#   ql_machine_start Pactview.exe             # background; pid in QL_LAST_PID
#   ql_machine_wait "$QL_LAST_PID" 60; echo $?
#   ql_robot wait-window "QlStats" -t 30     # tools/robot/robot.cpp lists the commands
#   ql_robot_wait_text "QlStats" 1001 "Run"   # polls a control's text
#   ql_svc_state QlAlloc                      # prints state=4 exit=0 specific=0 ...
#   ql_reg_value 'HKLM\SYSTEM\...\Record' GetStatsCount   # prints the value's data
#   dump=$(ql_reg_dump 'HKLM\...'); ql_reg_pick "$dump" Order   # many values, one read
#   ql_eventlog_records "$QL_BOOT_LOG"        # records traced by services since the boot
#   ql_machine_destroy
#
# Settings (environment):
#   QL_WIN32_BUILD_DIR  the win32 build tree (default: <repo>/build/win32); programs are
#                       found by name anywhere below it (ql_find_exe)
#   QL_WINE_CACHE       where the initialised template prefix is kept (default under /tmp)
#   QL_KEEP_MACHINE=1   leave the machine's folder after destroy, for a post-mortem
#   QL_RUN_TIMEOUT      seconds a foreground program may take (default 120)
#   QL_BOOT_WINEDEBUG   debug channels of the boot and so of every service and driver
#                       (default: the event-log traces)
#
# Facts this harness is built on:
# - The wineserver a plain `wine` starts exits as soon as no ordinary program runs and
#   takes services and drivers with it, so every machine runs a persistent one
#   (`wineserver -p`), started before the boot that loads the drivers.
# - The interactive desktop closes about one second after its last ordinary program ends;
#   a small program ("qlrobot hold") stays on the desktop for the machine's lifetime so
#   that windows a service shows later reach a desktop the robot sees.
# - `wine NAME` runs NAME.exe from the current directory before Wine's own programs: all
#   commands run in an empty work folder of the machine.
# - A copy of an initialised and once-rebooted prefix is much faster than `wineboot -i`
#   and never shows the two services.exe of a fresh prefix.
# - Services and drivers write their traces to the standard error of the process that
#   booted the prefix: that is $QL_BOOT_LOG, where ReportEventA calls show up.

QL_SKIP=77
QL_REPO_DIR=${QL_REPO_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
QL_WIN32_BUILD_DIR=${QL_WIN32_BUILD_DIR:-$QL_REPO_DIR/build/win32}
QL_RUN_TIMEOUT=${QL_RUN_TIMEOUT:-120}
QL_BOOT_WINEDEBUG=${QL_BOOT_WINEDEBUG:--all,+eventlog,fixme+advapi}
QL_WINE_CACHE=${QL_WINE_CACHE:-/tmp/ql-wine-cache-$(id -u)}

QL_MACHINE_DIR=""
QL_DISPLAY=""
QL_BOOT_LOG=""
QL_LAST_LOG=""

ql_log() { echo "[wine-machine] $*" >&2; }

# Finds a program of the win32 build by file name; prints its path.
ql_find_exe() {
  local found
  found=$(find "$QL_WIN32_BUILD_DIR" -type f -iname "$1" -not -path '*/CMakeFiles/*' \
    2>/dev/null | head -n 1)
  [ -n "$found" ] || {
    ql_log "no $1 below $QL_WIN32_BUILD_DIR"
    return 1
  }
  echo "$found"
}

# Succeeds when Wine, Xvfb and the win32 build's test tools are there (and 32-bit programs
# run, with the emulator if needed). A test exits with $QL_SKIP when this fails.
ql_require_wine() {
  local tool
  for tool in wine wineserver Xvfb; do
    command -v "$tool" >/dev/null || {
      ql_log "skipped: $tool is not installed"
      return 1
    }
  done
  if ! bash "$QL_REPO_DIR/tools/wine/i386-emulation.sh" check; then
    bash "$QL_REPO_DIR/tools/wine/i386-emulation.sh" enable || {
      ql_log "skipped: 32-bit Wine does not run on this machine"
      return 1
    }
  fi
  for tool in qlrobot.exe qlsvcq.exe QlDrv.sys; do
    ql_find_exe "$tool" >/dev/null || {
      ql_log "skipped: the win32 build has no $tool"
      return 1
    }
  done
}

# Runs a command with the machine's Wine environment.
ql_wine_env() {
  env WINEPREFIX="$QL_MACHINE_DIR/prefix" WINEARCH=win32 DISPLAY="$QL_DISPLAY" \
    WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
    "$@"
}

ql_note_pid() { echo "$1" >>"$QL_MACHINE_DIR/pids"; }

# Waits for a prefix's wineserver to end (it saves the registry then), ending it after two
# minutes; fails when it is still there.
ql_template_settle() {
  WINEPREFIX=$1 timeout 120 wineserver -w && return 0
  WINEPREFIX=$1 wineserver -k
  WINEPREFIX=$1 timeout 30 wineserver -w
}

# The initialised prefix that machines copy; made once per cache folder (under a lock).
ql_template_ensure() {
  local version template
  version=$(wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n-' '_')
  template="$QL_WINE_CACHE/template-$version"
  mkdir -p "$QL_WINE_CACHE"
  (
    flock 9
    [ -e "$template/ready" ] && exit 0
    rm -rf "$template"
    mkdir -p "$template"
    ql_log "initialising the template prefix (once; about a minute under emulation)"
    local t0=$SECONDS
    env WINEPREFIX="$template/prefix" WINEARCH=win32 DISPLAY="$QL_DISPLAY" WINEDEBUG=-all \
      WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
      timeout 600 wineboot -i >"$template/init.log" 2>&1 || exit 1
    ql_template_settle "$template/prefix" || exit 1
    # One reboot settles the fresh prefix (a fresh one may run two services.exe).
    env WINEPREFIX="$template/prefix" WINEARCH=win32 DISPLAY="$QL_DISPLAY" WINEDEBUG=-all \
      WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
      timeout 300 wine wineboot >>"$template/init.log" 2>&1 || exit 1
    ql_template_settle "$template/prefix" || exit 1
    touch "$template/ready"
    ql_log "template ready after $((SECONDS - t0)) s"
  ) 9>"$QL_WINE_CACHE/lock" || {
    ql_log "could not initialise the template prefix (see $template/init.log)"
    return 1
  }
  QL_TEMPLATE="$template/prefix"
}

# Copies the template: the large program files are hard-linked (nothing writes them in
# place: ql_machine_install replaces files), every other file is copied.
ql_template_copy() {
  local from=$1 to=$2
  cp -al "$from" "$to" || return 1
  (cd "$from" && find . -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.sys' \
    -o -iname '*.drv' -o -iname '*.ocx' -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.tlb' \
    -o -iname '*.ax' -o -iname '*.ds' -o -iname '*.ttf' -o -iname '*.fon' -o -iname '*.nls' \) \
    -print0) | while IFS= read -r -d '' f; do
    cp -p --remove-destination "$from/$f" "$to/$f" || exit 1
  done
}

# Starts the display, copies the template prefix, starts the persistent wineserver, boots
# and starts the program that holds the desktop. Sets QL_MACHINE_DIR, QL_DISPLAY,
# QL_BOOT_LOG. A machine that could not be made is torn down again.
ql_machine_create() {
  ql_machine_create_steps && return 0
  ql_machine_destroy
  return 1
}

ql_machine_create_steps() {
  local t0=$SECONDS
  QL_MACHINE_DIR=$(mktemp -d "${TMPDIR:-/tmp}/ql-machine.XXXXXX") || return 1
  mkdir -p "$QL_MACHINE_DIR/work" "$QL_MACHINE_DIR/logs"
  : >"$QL_MACHINE_DIR/pids"
  QL_BOOT_LOG="$QL_MACHINE_DIR/logs/boot.err"
  : >"$QL_BOOT_LOG"

  # Xvfb picks a free display number itself and tells it through a file descriptor.
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$QL_MACHINE_DIR/display" \
    >"$QL_MACHINE_DIR/logs/xvfb.log" 2>&1 &
  QL_XVFB_PID=$!
  ql_note_pid "$QL_XVFB_PID"
  local i
  for i in $(seq 300); do
    [ -s "$QL_MACHINE_DIR/display" ] && break
    kill -0 "$QL_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$QL_MACHINE_DIR/display" ] || {
    ql_log "Xvfb did not start (see $QL_MACHINE_DIR/logs/xvfb.log)"
    return 1
  }
  QL_DISPLAY=":$(head -n 1 "$QL_MACHINE_DIR/display")"
  ql_watchdog

  ql_template_ensure || return 1
  ql_template_copy "$QL_TEMPLATE" "$QL_MACHINE_DIR/prefix" || {
    ql_log "could not copy the template prefix"
    return 1
  }
  ql_server_start || return 1
  ql_machine_boot || return 1
  # Every machine has a "filter" group in the group order, as Windows has.
  ql_machine_reg_import "$QL_REPO_DIR/tests/fixtures/wine_group_order.reg" || return 1
  ql_hold_desktop || return 1
  ql_log "machine $QL_MACHINE_DIR on display $QL_DISPLAY ready after $((SECONDS - t0)) s"
}

# Pids of every process that runs with this machine's prefix (its wineserver, services,
# drivers and programs), found by their environment: a tear-down that cannot reach the
# wineserver any more (its folder removed) still ends them, and only them.
ql_machine_pids() {
  local pid
  grep -lzxF "WINEPREFIX=$1" /proc/[0-9]*/environ 2>/dev/null | while IFS=/ read -r _ _ pid _; do
    [ "$pid" = "$$" ] || [ "$pid" = "$BASHPID" ] || echo "$pid"
  done
}

# Ends what still runs with a prefix: asked first, then forced (Wine programs and an orphaned
# wineserver do not always end on SIGTERM).
ql_end_prefix_processes() {
  local pids
  pids=$(ql_machine_pids "$1")
  [ -n "$pids" ] || return 0
  kill $pids 2>/dev/null
  sleep 1
  pids=$(ql_machine_pids "$1")
  [ -n "$pids" ] && kill -9 $pids 2>/dev/null
  return 0
}

# Ends the machine if the test's shell dies without tearing it down (killed at a timeout):
# a process that watches the shell, so a killed test leaves no display, server or folder.
# It is started twice removed (not a child of the test) so that killing the test's process
# tree at a timeout does not take the watchdog with it.
ql_watchdog() {
  local shell_pid=$$ dir=$QL_MACHINE_DIR display=$QL_DISPLAY xvfb=$QL_XVFB_PID
  (
    (
      while kill -0 "$shell_pid" 2>/dev/null && [ -d "$dir" ]; do sleep 2; done
      QL_MACHINE_DIR=$dir QL_DISPLAY=$display
      if [ -d "$dir" ]; then
        ql_machine_destroy
      else
        # Someone removed the folder under the machine: end what still runs of it.
        ql_end_prefix_processes "$dir/prefix"
        kill "$xvfb" 2>/dev/null
      fi
    ) </dev/null >/dev/null 2>&1 &
    echo $! >"$dir/watchdog"
  )
}

# The persistent wineserver of this machine.
ql_server_start() {
  ql_wine_env wineserver -p >>"$QL_MACHINE_DIR/logs/wineserver.log" 2>&1 || {
    ql_log "wineserver did not start"
    return 1
  }
}

# Keeps a small program on the desktop (see above); its pid is recorded. The same program
# serves the robot's commands from the machine's robot/ folder (ql_robot), so that a command
# costs no Wine process start of its own.
ql_hold_desktop() {
  local robot served="$QL_MACHINE_DIR/robot" t0=$SECONDS
  robot=$(ql_find_exe qlrobot.exe) || return 1
  mkdir -p "$served"
  rm -f "$served/ready"
  (cd "$QL_MACHINE_DIR/work" &&
    exec env WINEPREFIX="$QL_MACHINE_DIR/prefix" WINEARCH=win32 DISPLAY="$QL_DISPLAY" \
      WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
      wine "$robot" hold "$(ql_winpath "$served")" >>"$QL_MACHINE_DIR/logs/hold.log" 2>&1) &
  QL_HOLD_PID=$!
  ql_note_pid "$QL_HOLD_PID"
  # Its window shows that the desktop is up, and it writes "ready" then: tests start only
  # then.
  while [ ! -s "$served/ready" ]; do
    if ! kill -0 "$QL_HOLD_PID" 2>/dev/null || [ $((SECONDS - t0)) -ge 150 ]; then
      ql_log "the desktop did not come up (see $QL_MACHINE_DIR/logs/hold.log)"
      return 1
    fi
    sleep 0.1
  done
}

# Converts a Linux path to the Z: form Wine's programs take.
ql_winpath() { echo "Z:$(readlink -f "$1" | tr / '\\')"; }

# Imports REGEDIT4 files into the machine's registry (wine regedit /S).
ql_machine_reg_import() {
  local file
  for file in "$@"; do
    [ -f "$file" ] || {
      ql_log "no fixture $file"
      return 1
    }
    (cd "$QL_MACHINE_DIR/work" &&
      ql_wine_env timeout "$QL_RUN_TIMEOUT" wine regedit /S "$(ql_winpath "$file")") \
      >>"$QL_MACHINE_DIR/logs/regedit.log" 2>&1 || {
      ql_log "regedit could not import $file"
      return 1
    }
  done
}

# Installs programs (paths, or names found in the win32 build) into C:\windows\system32.
ql_machine_install() {
  local item path
  for item in "$@"; do
    if [ -f "$item" ]; then path=$item; else path=$(ql_find_exe "$item") || return 1; fi
    cp --remove-destination "$path" "$QL_MACHINE_DIR/prefix/drive_c/windows/system32/" || return 1
  done
}

# Installs the stand-in as system32\drivers\QlDrv.sys (loaded at the next boot when
# Services\QlDrv has Type 1 and Start 0).
ql_machine_install_standin() {
  local path
  path=$(ql_find_exe QlDrv.sys) || return 1
  cp --remove-destination "$path" "$QL_MACHINE_DIR/prefix/drive_c/windows/system32/drivers/QlDrv.sys"
}

# Maps a drive letter to a folder of the machine (a fixed drive for Windows programs).
ql_machine_map_drive() {
  local letter=${1,,} dir="$QL_MACHINE_DIR/drive_${1,,}"
  mkdir -p "$dir"
  ln -sfn "$dir" "$QL_MACHINE_DIR/prefix/dosdevices/${letter}:"
}

# Boots the prefix in the running wineserver (services, drivers, the desktop process).
ql_machine_boot() {
  echo "=== boot at $(date +%T)" >>"$QL_BOOT_LOG"
  (cd "$QL_MACHINE_DIR/work" &&
    WINEDEBUG="$QL_BOOT_WINEDEBUG" ql_wine_env timeout 300 wine wineboot 2>>"$QL_BOOT_LOG" \
      >>"$QL_MACHINE_DIR/logs/boot.out") || {
    ql_log "wineboot failed (see $QL_BOOT_LOG)"
    return 1
  }
}

# Ends every process of the prefix and boots it again: boot-start drivers load, automatic
# services start. The boot's standard error (and so every service's) goes to QL_BOOT_LOG.
ql_machine_reboot() {
  local t0=$SECONDS
  # The serving robot goes with the rest: commands wait for the next one.
  rm -f "$QL_MACHINE_DIR/robot/ready"
  ql_wine_env wineserver -k >/dev/null 2>&1
  ql_wine_env timeout 60 wineserver -w
  ql_server_start || return 1
  ql_machine_boot || return 1
  ql_hold_desktop || return 1
  ql_log "rebooted in $((SECONDS - t0)) s"
}

# The Linux process that runs a Windows program of this machine: `wine NAME.exe` starts the
# program as a process of its own and waits for it, so the launcher's pid is not the
# program's. Found by its command line (system32\NAME) and its prefix; prints the pid.
ql_program_pid() {
  local name=$1 pid
  for pid in $(ps -eo pid= 2>/dev/null); do
    { tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null | grep -qiF "system32\\$name" || continue
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null |
      grep -qxF "WINEPREFIX=$QL_MACHINE_DIR/prefix" || continue
    echo "$pid"
    return 0
  done
  return 1
}

# Runs a program in the foreground: its standard output passes through, its standard error
# goes to a log whose path ql_last_log prints (also after a call inside $(...)). Returns the
# exit code (modulo 256), or 124 after QL_RUN_TIMEOUT seconds. The program is a path or a
# name Wine finds (system32).
ql_machine_run() {
  ql_next_run_log "$*"
  (cd "$QL_MACHINE_DIR/work" && ql_wine_env timeout "$QL_RUN_TIMEOUT" wine "$@" 2>>"$QL_LAST_LOG")
}

# Numbers the next run's log, sets QL_LAST_LOG to it and writes its first line.
ql_next_run_log() {
  local n=0
  [ -f "$QL_MACHINE_DIR/logs/runs" ] && n=$(cat "$QL_MACHINE_DIR/logs/runs")
  n=$((n + 1))
  echo "$n" >"$QL_MACHINE_DIR/logs/runs"
  QL_LAST_LOG="$QL_MACHINE_DIR/logs/run-$n.err"
  echo "$1" >"$QL_LAST_LOG"
}

# The standard-error log of the latest ql_machine_run.
ql_last_log() { echo "$QL_MACHINE_DIR/logs/run-$(cat "$QL_MACHINE_DIR/logs/runs").err"; }

# Starts a program in the background and leaves its pid in QL_LAST_PID (recorded for the
# tear-down; call it directly, not in $(...), so that ql_machine_wait can collect the exit
# code). Its standard output and error go to logs/<pid>.out and logs/<pid>.err.
ql_machine_start() {
  local logs="$QL_MACHINE_DIR/logs"
  (cd "$QL_MACHINE_DIR/work" && exec env WINEPREFIX="$QL_MACHINE_DIR/prefix" WINEARCH=win32 \
    DISPLAY="$QL_DISPLAY" WINEDEBUG="${WINEDEBUG:--all}" \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
    wine "$@" >"$logs/$BASHPID.out" 2>"$logs/$BASHPID.err") &
  QL_LAST_PID=$!
  ql_note_pid "$QL_LAST_PID"
}

# Waits for a program started by ql_machine_start; returns its exit code, or 124 after
# the timeout (default QL_RUN_TIMEOUT seconds; the program keeps running).
ql_machine_wait() {
  local pid=$1 limit=${2:-$QL_RUN_TIMEOUT} waited=0
  while kill -0 "$pid" 2>/dev/null; do
    [ "$waited" -ge $((limit * 10)) ] && {
      ql_log "program $pid still runs after $limit s"
      return 124
    }
    sleep 0.1
    waited=$((waited + 1))
  done
  wait "$pid"
}

# The UI robot (tools/robot): ql_robot <subcommand> <arguments...>
# Its complaint (timeout, missing control) is repeated on standard error.
# A robot wait longer than QL_RUN_TIMEOUT (-t seconds) gets the time it asks for.
# The command goes to the robot that holds the desktop (ql_hold_desktop) when it serves; with
# QL_ROBOT_SERVED=0, or before the holder is up, each command is a robot process of its own.
ql_robot() {
  local robot rc arg wait=0 prev="" limit
  for arg in "$@"; do
    [ "$prev" = -t ] && wait=${arg%%.*}
    prev=$arg
  done
  [[ "$wait" =~ ^[0-9]+$ ]] || wait=0
  limit=$((wait + 60 > QL_RUN_TIMEOUT ? wait + 60 : QL_RUN_TIMEOUT))
  if ql_robot_serves; then
    ql_robot_served "$limit" "$@"
    rc=$?
  else
    robot=$(ql_find_exe qlrobot.exe) || return 1
    QL_RUN_TIMEOUT=$limit ql_machine_run "$robot" "$@"
    rc=$?
  fi
  [ "$rc" = 0 ] || grep '^qlrobot:' "$(ql_last_log)" >&2
  return "$rc"
}

ql_robot_serves() { [ "${QL_ROBOT_SERVED:-1}" = 1 ] && [ -s "$QL_MACHINE_DIR/robot/ready" ]; }

# One command through the serving robot: ql_robot_served <seconds> <arguments...>. Like
# ql_machine_run: standard output passes through, the complaint goes to a run log, the exit
# status is returned (124 when no answer came in time).
ql_robot_served() {
  local limit=$1 dir="$QL_MACHINE_DIR/robot" log request rc t0=$SECONDS
  shift
  ql_next_run_log "qlrobot $* (served)"
  log=$QL_LAST_LOG
  request=$(mktemp "$dir/r.XXXXXX") || return 1
  printf '%s\0' "$@" >"$request"
  mv "$request" "$request.req"
  while [ ! -f "$request.rc" ]; do
    if [ $((SECONDS - t0)) -ge "$limit" ]; then
      echo "no answer from the serving robot after $limit s" >>"$log"
      rm -f "$request"
      return 124
    fi
    sleep 0.02
  done
  cat "$request.out" 2>/dev/null
  cat "$request.err" >>"$log" 2>/dev/null
  rc=$(tr -dc 0-9 <"$request.rc")
  rm -f "$request" "$request.out" "$request.err" "$request.rc"
  return "${rc:-1}"
}

# Waits until a control shows a text: ql_robot_wait_text <caption> <id> <text> [seconds].
ql_robot_wait_text() {
  local caption=$1 id=$2 want=$3 limit=${4:-30} t0=$SECONDS got
  while :; do
    got=$(ql_robot get-text "$caption" "$id" 2>/dev/null | tr -d '\r')
    [ "$got" = "$want" ] && return 0
    [ $((SECONDS - t0)) -ge "$limit" ] && {
      ql_log "control $id of \"$caption\" shows \"$got\" after $limit s, wanted \"$want\""
      return 1
    }
    sleep 0.5
  done
}

# Prints the status fields of a service (tools/svcstate):
#   state=<n> type=<n> controls=<n> exit=<n> specific=<n> checkpoint=<n> wait=<n>
ql_svc_state() {
  local helper
  if ql_robot_serves; then
    ql_robot_served "$QL_RUN_TIMEOUT" svc-state "$@"
    return
  fi
  helper=$(ql_find_exe qlsvcq.exe) || return 1
  ql_machine_run "$helper" "$@"
}

# Waits until a service reports a state (1 stopped, 2 start pending, 4 running...).
ql_svc_wait_state() {
  local name=$1 state=$2 limit=${3:-60} t0=$SECONDS line
  while :; do
    line=$(ql_svc_state "$name" 2>/dev/null)
    case " $line " in *" state=$state "*) return 0 ;; esac
    [ $((SECONDS - t0)) -ge "$limit" ] && {
      ql_log "service $name is not in state $state after $limit s: $line"
      return 1
    }
    sleep 1
  done
}

# Prints every value of a registry key, one "<name>=<data>" line each, with the data as
# Wine's reg.exe shows it (a DWORD as 0x..., binary as hex digits, a string as is). One
# call reads the whole key: cheaper than one ql_reg_value per value.
ql_reg_dump() {
  # reg.exe prints "    <name>    <REG_type>    <data>", four spaces apart; so does the
  # serving robot, without a process start.
  {
    if ql_robot_serves; then
      ql_robot_served "$QL_RUN_TIMEOUT" reg-query "$1"
    else
      ql_machine_run reg query "$1"
    fi
  } 2>/dev/null | tr -d '\r' | awk '
    /^    [^ ]/ {
      line = substr($0, 5); i = index(line, "    "); if (!i) next
      name = substr(line, 1, i - 1); rest = substr(line, i + 4)
      j = index(rest, "    "); type = j ? substr(rest, 1, j - 1) : rest
      if (type !~ /^REG_/) next
      print name "=" (j ? substr(rest, j + 4) : "")
    }'
}

# Picks one value out of a ql_reg_dump: ql_reg_pick "$dump" Name (case-insensitive).
ql_reg_pick() {
  echo "$1" | awk -v n="$2" '{ i = index($0, "=") }
    tolower(substr($0, 1, i - 1)) == tolower(n) { print substr($0, i + 1); found = 1 }
    END { exit !found }'
}

# Prints one registry value's data (as ql_reg_dump shows it); fails when it is missing.
ql_reg_value() {
  local dump
  dump=$(ql_reg_dump "$1") || return 1
  ql_reg_pick "$dump" "$2"
}

# Waits until a registry value exists (and, when given, has the data wanted).
ql_reg_wait_value() {
  local key=$1 name=$2 want=${3:-} limit=${4:-60} t0=$SECONDS got
  while :; do
    if got=$(ql_reg_value "$key" "$name"); then
      [ -z "$want" ] || [ "$got" = "$want" ] && return 0
    fi
    [ $((SECONDS - t0)) -ge "$limit" ] && {
      ql_log "$key\\$name is '${got:-missing}' after $limit s, wanted '${want:-any}'"
      return 1
    }
    sleep 1
  done
}

# Event-log records traced in a log (WINEDEBUG=+eventlog,fixme+advapi), one line each:
#   type=<n> category=<n> id=<n> strings=<s1>|<s2>|...
# in decimal; each string as Wine's trace shows it (a line break as \n, a quote as \").
ql_eventlog_records() {
  awk '
    function num(text,    i, c, v) {
      text = tolower(text); v = 0
      if (substr(text, 1, 2) != "0x") return text + 0
      for (i = 3; i <= length(text); i++) v = v * 16 + index("0123456789abcdef", substr(text, i, 1)) - 1
      return v
    }
    # Lines of different threads may interleave: strings go with the record of their thread.
    /fixme:advapi:ReportEventA / && match($0, /\([0-9A-Fa-fx]+,0x[0-9a-fA-F]+,0x[0-9a-fA-F]+,0x[0-9a-fA-F]+/) {
      split(substr($0, RSTART + 1, RLENGTH - 1), f, ",")
      rec[++count] = sprintf("type=%d category=%d id=%d strings=", num(f[2]), num(f[3]), num(f[4]))
      tid = substr($0, 1, index($0, ":") - 1); last[tid] = count; strings[count] = 0; next
    }
    /trace:eventlog:ReportEventW L"/ && match($0, /L".*"/) {
      tid = substr($0, 1, index($0, ":") - 1); if (!(tid in last)) next
      k = last[tid]; rec[k] = rec[k] (strings[k]++ ? "|" : "") substr($0, RSTART + 2, RLENGTH - 3)
    }
    END { for (k = 1; k <= count; k++) print rec[k] }' "$@"
}

# Ends the machine: the holder, the prefix's wineserver and everything it runs, the
# display; only processes this machine recorded. Removes the folder unless QL_KEEP_MACHINE.
ql_machine_destroy() {
  [ -n "$QL_MACHINE_DIR" ] && [ -d "$QL_MACHINE_DIR" ] || return 0
  local pid
  # The watchdog is not needed once the tear-down runs (unless this is the watchdog).
  if [ -f "$QL_MACHINE_DIR/watchdog" ] && [ "$(cat "$QL_MACHINE_DIR/watchdog")" != "$BASHPID" ]; then
    kill "$(cat "$QL_MACHINE_DIR/watchdog")" 2>/dev/null
  fi
  if [ -d "$QL_MACHINE_DIR/prefix" ]; then
    ql_wine_env wineserver -k >/dev/null 2>&1
    ql_wine_env timeout 30 wineserver -w >/dev/null 2>&1
  fi
  ql_end_prefix_processes "$QL_MACHINE_DIR/prefix"
  if [ -f "$QL_MACHINE_DIR/pids" ]; then
    while read -r pid; do
      [ -n "$pid" ] && kill "$pid" 2>/dev/null
    done <"$QL_MACHINE_DIR/pids"
    while read -r pid; do
      [ -n "$pid" ] && wait "$pid" 2>/dev/null
    done <"$QL_MACHINE_DIR/pids"
  fi
  if [ "${QL_KEEP_MACHINE:-0}" = 1 ]; then
    ql_log "kept $QL_MACHINE_DIR"
  else
    rm -rf "$QL_MACHINE_DIR"
  fi
  QL_MACHINE_DIR=""
}
