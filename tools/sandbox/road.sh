# shellcheck shell=bash
# The road of one boot on a Wine test machine, one step per function: the agreement, the
# wizard on a fixed drive with lazy writing, a reboot that loads the stand-in driver and
# starts QlAlloc, the monitor over three intervals, a tuning change saved, the event-log
# records. Sourced after tools/wine/machine.sh by the sandbox (which prints the transcript)
# and by the end-to-end test (which asserts on what each step leaves in ROAD_* variables).
#
# Every step prints what it did to standard output, two spaces in, and returns non-zero
# with ROAD_ERROR set when the product did something else than the road expects.
#
# Settings (environment):
#   ROAD_LETTER   the fixed drive the wizard is given and the stand-in serves (default D:
#                 a folder of the machine, mapped before the machine's first boot so that
#                 Wine's mount manager lists it; the wizard sees it as a fixed drive)
#   ROAD_OUT      folder for the window pictures (PNG); empty: no pictures

ROAD_LETTER=${ROAD_LETTER:-D}
ROAD_OUT=${ROAD_OUT:-}
ROAD_ERROR=""

ROAD_SERVICES='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services'
ROAD_DRIVER_KEY="$ROAD_SERVICES\\QlDrv"
ROAD_PARAMETERS_KEY="$ROAD_SERVICES\\QlDrv\\Parameters"
ROAD_ALLOC_KEY="$ROAD_SERVICES\\QlAlloc"
ROAD_EVENT_KEY="$ROAD_SERVICES\\EventLog\\System\\QlDrv"
ROAD_GROUP_KEY='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\ServiceGroupOrder'
ROAD_STANDIN_KEY="$ROAD_SERVICES\\QlStandIn"
ROAD_RECORD_KEY="$ROAD_STANDIN_KEY\\Record"

# Captions the robot finds the windows by. The agreement has none; the wizard's welcome page
# names the wizard.
ROAD_AGREEMENT=""
ROAD_WELCOME="Quillon-NT V4.0-1 Configuration Wizard"
ROAD_OPTIONS="Quillon-NT Options"
ROAD_PROGRESS="Norvane Systems Quillon-NT"
ROAD_MONITOR="Quillon-NT Statistics"
ROAD_TUNE_PREFIX="Quillon - NT Tuning Engine 5.0 ++"

# The stand-in's traffic: counters at load and what each statistics answer adds. Per
# interval the monitor must show 120 reads at 75.0 % hits and 48 writes at 25.0 % behind.
ROAD_BUFFER_BYTES=16777216
ROAD_HANDOVER_DELAY_MS=${ROAD_HANDOVER_DELAY_MS:-2000}
ROAD_READ_STEP=120
ROAD_READ_HIT_STEP=90
ROAD_WRITE_STEP=48
ROAD_WRITE_BEHIND_STEP=12
ROAD_INTERVALS=3

# Machines made after this file is sourced have the road's drive from their first boot on:
# the copy of the template prefix gets the drive's link, which the mount manager reads when
# the machine boots (a link made later is not listed until the next boot).
eval "road_template_copy_unmapped() $(declare -f ql_template_copy | tail -n +2)"
ql_template_copy() {
  road_template_copy_unmapped "$@" || return 1
  local dir="$QL_MACHINE_DIR/drive_${ROAD_LETTER,,}"
  mkdir -p "$dir" && ln -sfn "$dir" "$2/dosdevices/${ROAD_LETTER,,}:"
}

road_fail() {
  ROAD_ERROR=$*
  echo "  !! $*"
  return 1
}

# ImageMagick's converter, by the path its Debian package installs, so that no other program
# called "convert" earlier in the search path is taken for it.
road_converter() {
  local candidate
  for candidate in /usr/bin/convert-im6.q16 /usr/bin/magick /usr/bin/convert; do
    [ -x "$candidate" ] && {
      echo "$candidate"
      return 0
    }
  done
  return 1
}

# A window's picture as <name>.png in ROAD_OUT (the robot copies the screen's pixels).
road_shot() {
  local caption=$1 name=$2 bmp converter
  [ -n "$ROAD_OUT" ] || return 0
  mkdir -p "$ROAD_OUT"
  bmp="$QL_MACHINE_DIR/$name.bmp"
  converter=$(road_converter) || {
    echo "  picture: $name.png could not be taken: ImageMagick is not installed"
    return 0
  }
  if ! ql_robot screenshot "$caption" "$(ql_winpath "$QL_MACHINE_DIR")\\$name.bmp" -t 10 \
    >/dev/null 2>&1; then
    echo "  picture: $name.png could not be taken: no window \"$caption\" to copy"
  elif ! "$converter" "$bmp" "$ROAD_OUT/$name.png" 2>"$QL_MACHINE_DIR/convert.err"; then
    echo "  picture: $name.png could not be converted: $(head -n 1 "$QL_MACHINE_DIR/convert.err")"
  else
    echo "  picture: $ROAD_OUT/$name.png"
    ROAD_PICTURES=$((${ROAD_PICTURES:-0} + 1))
  fi
  rm -f "$bmp"
}

# The values of one key as sorted "name=type:data" lines from Wine's regedit export: exact
# bytes for every type that is neither plain text nor a number.
road_key_values() {
  local file="$QL_MACHINE_DIR/export-$RANDOM.reg"
  (cd "$QL_MACHINE_DIR/work" && ql_wine_env timeout "$QL_RUN_TIMEOUT" wine regedit /E \
    "$(ql_winpath "$file")" "$1") >/dev/null 2>&1 || return 1
  [ -f "$file" ] || return 1
  iconv -f UTF-16LE -t UTF-8 "$file" | tr -d '\r' | sed -e ':a' -e '/\\$/N; s/\\\n  //; ta' |
    awk -v key="[$1]" '/^\[/ { inside = (tolower($0) == tolower(key)); next }
      inside && /^"/ { print }' | sed -e 's/^"\([^"]*\)"=/\1=/' | sort
  rm -f "$file"
}

road_indent() { sed -e 's/^/    /'; }

# The stand-in's behaviour for every boot of this machine.
road_standin_settings() {
  local reg="$QL_MACHINE_DIR/standin.reg"
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlStandIn]\n'
    printf '"BufferSize"=dword:%08x\n' "$ROAD_BUFFER_BYTES"
    printf '"FinalInitDelay"=dword:%08x\n' "$ROAD_HANDOVER_DELAY_MS"
    # The hand-over then waits for the road's word (at most 3 minutes), so that the progress
    # dialog it shows is still up when the robot comes for its picture, however slow the
    # machine boots.
    printf '"FinalInitHold"=dword:%08x\n"FinalInitRelease"=dword:00000000\n' 180000
    printf '"ReadCount"=dword:%08x\n"ReadHitCount"=dword:%08x\n' 1000 900
    printf '"WriteCount"=dword:%08x\n"WriteBehindCount"=dword:%08x\n' 100 50
    printf '"ReadCountStep"=dword:%08x\n"ReadHitCountStep"=dword:%08x\n' \
      "$ROAD_READ_STEP" "$ROAD_READ_HIT_STEP"
    printf '"WriteCountStep"=dword:%08x\n"WriteBehindCountStep"=dword:%08x\n' \
      "$ROAD_WRITE_STEP" "$ROAD_WRITE_BEHIND_STEP"
  } >"$reg"
  ql_machine_reg_import "$reg"
}

# Lets the stand-in finish the hand-over it holds (see road_standin_settings).
road_release_handover() {
  local reg="$QL_MACHINE_DIR/release.reg"
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QlStandIn]\n"FinalInitRelease"=dword:00000001\n' >"$reg"
  ql_machine_reg_import "$reg"
}

# Step 0: a machine that has never seen the product: the fixed drive, the programs in
# system32, the stand-in in system32\drivers (not registered: the wizard does that).
road_prepare() {
  local exe
  ql_machine_reg_import "$QL_REPO_DIR/tests/fixtures/qlconfig_fresh.reg" ||
    road_fail "the fresh-machine fixture was not imported" || return 1
  # Wine draws title bars and frames itself (the display runs no window manager), so the
  # pictures show each window whole, caption included.
  ql_machine_reg_import "$QL_REPO_DIR/tests/wine/tune/decorated.reg" ||
    road_fail "the window-frame setting was not imported" || return 1
  ROAD_PROGRAMS=""
  for exe in Pactview.exe QlConfig.exe QlAllSrv.exe QlStats.exe QlTune.exe; do
    if ql_find_exe "$exe" >/dev/null 2>&1; then
      ql_machine_install "$exe" || road_fail "$exe not installed" || return 1
      ROAD_PROGRAMS="$ROAD_PROGRAMS $exe"
    fi
  done
  ql_machine_install_standin || road_fail "the stand-in driver not installed" || return 1
  road_standin_settings || road_fail "the stand-in's settings not imported" || return 1
  echo "  installed in C:\\windows\\system32:$ROAD_PROGRAMS"
  echo "  stand-in driver: C:\\windows\\system32\\drivers\\QlDrv.sys (registered by the wizard)"
  echo "  stand-in answers: buffer $ROAD_BUFFER_BYTES bytes, hand-over takes" \
    "$ROAD_HANDOVER_DELAY_MS ms; per statistics request +$ROAD_READ_STEP reads" \
    "(+$ROAD_READ_HIT_STEP hits), +$ROAD_WRITE_STEP writes (+$ROAD_WRITE_BEHIND_STEP behind)"
  echo "  fixed drive $ROAD_LETTER: is a folder of the machine, mapped since its first boot"
}

# Step 1: the agreement, accepted with "Yes, I accept"; exit code 0.
road_pactview() {
  ql_machine_start Pactview.exe
  local pid=$QL_LAST_PID
  ql_robot wait-window "$ROAD_AGREEMENT" -t 120 >/dev/null ||
    road_fail "the agreement dialog did not appear" || return 1
  ROAD_PACTVIEW_BUTTONS=$(ql_robot list "$ROAD_AGREEMENT" -t 10 | tr -d '\r' |
    sed -n 's/^id=\([12]\) class=Button text="\([^"]*\)".*/\2/p' | paste -sd '|')
  echo "  dialog up; buttons: $ROAD_PACTVIEW_BUTTONS"
  road_shot "$ROAD_AGREEMENT" 1-pactview
  ql_robot click "$ROAD_AGREEMENT" 1 >/dev/null || road_fail "Yes, I accept not pressed" || return 1
  ql_machine_wait "$pid" 60
  ROAD_PACTVIEW_EXIT=$?
  echo "  pressed \"Yes, I accept\"; exit code $ROAD_PACTVIEW_EXIT (0: accepted)"
}

# Clicks a row of a report-view list (tools/sandbox/qlpick).
road_pick_row() {
  local pick
  pick=$(ql_find_exe qlpick.exe) || return 1
  ql_machine_run "$pick" lv-row "$@" -t 30 >/dev/null
}

road_summary() { ql_robot get-text "$ROAD_OPTIONS" 1002 -t 30 | tr -d '\r'; }

road_wait_summary() {
  local want=$1 t0=$SECONDS got
  while :; do
    got=$(road_summary) || road_fail "cannot read the wizard's summary" || return 1
    [ "$got" = "$want" ] && return 0
    [ $((SECONDS - t0)) -ge 60 ] && { road_fail "summary '$got', wanted '$want'"; return 1; }
    sleep 0.5
  done
}

# Step 2: the wizard: Next, the fixed drive, lazy writing on, Finish; then what it wrote.
road_config() {
  WINEDEBUG=-all,trace+win ql_machine_start QlConfig.exe
  local pid=$QL_LAST_PID
  ql_robot wait-window "$ROAD_WELCOME" -t 300 >/dev/null ||
    road_fail "the wizard did not appear" || return 1
  echo "  welcome page up"
  road_shot "$ROAD_WELCOME" 2-qlconfig-welcome
  ql_robot sheet "$ROAD_WELCOME" next >/dev/null || road_fail "Next not pressed" || return 1
  ql_robot wait-window "$ROAD_OPTIONS" -t 120 >/dev/null ||
    road_fail "no options page" || return 1
  # The rows are clicked as a user clicks them, until the page names the drive wanted (the
  # list's texts live in the wizard's memory, which the robot cannot read everywhere).
  ROAD_DRIVE_ROWS=$(ql_robot list "$ROAD_OPTIONS" -t 10 2>/dev/null | tr -d '\r' |
    sed -n 's/^id=1000 class=SysListView32 .* items=\([0-9]*\).*/\1/p')
  echo "  options page up; the drive list has ${ROAD_DRIVE_ROWS:-no} rows"
  [ -n "$ROAD_DRIVE_ROWS" ] || road_fail "no drive list" || return 1
  local row before got t0 drive
  before=$(road_summary)
  ROAD_DRIVE_ROW=""
  for ((row = 0; row < ROAD_DRIVE_ROWS; row++)); do
    road_pick_row "$ROAD_OPTIONS" 1000 "$row" || road_fail "row $row not clicked" || return 1
    t0=$SECONDS
    while got=$(road_summary) && [ "$got" = "$before" ]; do
      [ $((SECONDS - t0)) -ge 30 ] && break
      sleep 0.5
    done
    drive=$(sed -n 's/^Quillon-NT enabled, Drive \([A-Z]:\)$/\1/p' <<<"$got")
    echo "  clicked row $row: $(tr '\n' '/' <<<"$got" | sed 's|/$||; s|/| / |')"
    before=$got
    if [ "$drive" = "$ROAD_LETTER:" ]; then
      ROAD_DRIVE_ROW=$row
      break
    fi
  done
  [ -n "$ROAD_DRIVE_ROW" ] || road_fail "no row of the list chooses $ROAD_LETTER:" || return 1
  road_wait_summary "Quillon-NT enabled, Drive $ROAD_LETTER:"$'\n'"Lazy Write is OFF" || return 1
  ql_robot click "$ROAD_OPTIONS" 1004 >/dev/null || road_fail "On not pressed" || return 1
  road_wait_summary "Quillon-NT enabled, Drive $ROAD_LETTER:"$'\n'"Lazy Write is ON" || return 1
  ROAD_SUMMARY=$(road_summary)
  echo "  pressed On; the page reads: $(tr '\n' '/' <<<"$ROAD_SUMMARY" | sed 's|/$||; s|/| / |')"
  road_shot "$ROAD_OPTIONS" 3-qlconfig-options
  ql_robot sheet "$ROAD_OPTIONS" finish >/dev/null || road_fail "Finish not pressed" || return 1
  ql_machine_wait "$pid" 120
  ROAD_CONFIG_EXIT=$?
  echo "  pressed Finish; the wizard ended with exit code $ROAD_CONFIG_EXIT"

  ROAD_DRIVER_VALUES=$(road_key_values "$ROAD_DRIVER_KEY")
  ROAD_PARAMETERS=$(road_key_values "$ROAD_PARAMETERS_KEY")
  ROAD_EVENT_SOURCE=$(road_key_values "$ROAD_EVENT_KEY")
  ROAD_ALLOC_VALUES=$(road_key_values "$ROAD_ALLOC_KEY")
  ROAD_GROUP_ORDER=$(ql_reg_value "$ROAD_GROUP_KEY" List)
  echo "  registry written (regedit's export: dword, hex(type) bytes, text):"
  echo "   $ROAD_DRIVER_KEY"
  road_indent <<<"$ROAD_DRIVER_VALUES"
  echo "   $ROAD_PARAMETERS_KEY"
  road_indent <<<"$ROAD_PARAMETERS"
  echo "   $ROAD_EVENT_KEY"
  road_indent <<<"$ROAD_EVENT_SOURCE"
  echo "   $ROAD_ALLOC_KEY (registered through the service manager)"
  road_indent <<<"$ROAD_ALLOC_VALUES"
  echo "   group order: $(sed -e 's/\\0/, /g' -e 's/, $//' <<<"$ROAD_GROUP_ORDER" |
    grep -o '[^,]*, Orvel, filter' | sed 's/^ *//')..."
}

# Step 3: the reboot: the stand-in loads at boot with the wizard's values, the service
# manager starts QlAlloc, which hands its buffer over and reports RUNNING.
road_reboot() {
  # The stand-in makes its control device \\.\X: with a link of its own, which it cannot
  # put in place of a letter Wine has mapped: the folder leaves the letter to the driver, as
  # the cache driver takes over the drive it caches.
  rm -f "$QL_MACHINE_DIR/prefix/dosdevices/${ROAD_LETTER,,}:"
  echo "  the folder behind $ROAD_LETTER: unmapped: the stand-in's control device takes the letter"
  echo "  rebooting (wineserver -k; wineboot)"
  ql_machine_reboot >/dev/null 2>&1 || road_fail "the machine did not boot again" || return 1
  ql_reg_wait_value "$ROAD_RECORD_KEY" Loaded 0x1 120 ||
    road_fail "the stand-in driver did not load at boot" || return 1
  ROAD_STANDIN_LETTER=$(ql_reg_value "$ROAD_RECORD_KEY" Letter)
  echo "  QlDrv (stand-in) loaded at boot, serving \\\\.\\$ROAD_STANDIN_LETTER"
  # The progress dialog shows while the hand-over takes its time: the stand-in holds the
  # hand-over until the picture is taken.
  if ql_robot wait-window "$ROAD_PROGRESS" -t 120 >/dev/null 2>&1; then
    ROAD_PROGRESS_TEXT=$(ql_robot get-text "$ROAD_PROGRESS" 65535 -t 5 2>/dev/null | tr -d '\r')
    echo "  QlAlloc's progress dialog: \"$ROAD_PROGRESS_TEXT\""
    road_shot "$ROAD_PROGRESS" 4-qlallsrv-progress
  else
    echo "  QlAlloc's progress dialog did not show on the desktop the robot sees"
  fi
  road_release_handover || road_fail "the hand-over could not be released" || return 1
  ql_svc_wait_state QlAlloc 4 180 || road_fail "QlAlloc did not reach RUNNING" || return 1
  ROAD_SERVICE_STATE=$(ql_svc_state QlAlloc | tr -d '\r')
  echo "  service QlAlloc: $ROAD_SERVICE_STATE (4: RUNNING)"
  ql_reg_wait_value "$ROAD_RECORD_KEY" Order CQFX 30 >/dev/null 2>&1
  ROAD_RECORD=$(ql_reg_dump "$ROAD_RECORD_KEY")
  ROAD_HANDOVER=$(ql_reg_pick "$ROAD_RECORD" FinalInitRecord | tr -d ' ,' | tr 'a-f' 'A-F')
  ROAD_ORDER=$(ql_reg_pick "$ROAD_RECORD" Order)
  echo "  the stand-in received: requests $ROAD_ORDER (C open, Q size, F hand-over, X close)"
  ROAD_HANDOVER_SIZE=$((16#$(road_le_hex "${ROAD_HANDOVER:0:16}")))
  echo "  hand-over record (16 bytes): $ROAD_HANDOVER"
  printf '    size %d bytes, buffer address 0x%08X, handle 0x%X\n' "$ROAD_HANDOVER_SIZE" \
    "$((16#$(road_le_hex "${ROAD_HANDOVER:16:8}")))" "$((16#$(road_le_hex "${ROAD_HANDOVER:24:8}")))"
}

# Little-endian hex digits to big-endian ones.
road_le_hex() {
  local hex=$1 out="" i
  for ((i = ${#hex} - 2; i >= 0; i -= 2)); do out+=${hex:i:2}; done
  echo "$out"
}

road_monitor_text() { ql_robot get-text "$ROAD_MONITOR" "$1" -t 30 | tr -d '\r'; }

road_stats_count() {
  local count
  count=$(ql_reg_value "$ROAD_RECORD_KEY" GetStatsCount 2>/dev/null) || count=0x0
  echo $((count))
}

# Step 4: the monitor: Run at the default rate, the figures of three intervals, Stop, Exit.
road_stats() {
  (QL_RUN_TIMEOUT=900 ql_machine_run QlStats.exe >/dev/null) &
  local pid=$! i count want t0 line
  ql_note_pid "$pid"
  ql_robot wait-window "$ROAD_MONITOR" -t 180 >/dev/null ||
    road_fail "the monitor did not appear" || return 1
  ROAD_RATE=$(road_monitor_text 1005)
  echo "  monitor up; rate ${ROAD_RATE} s; button \"$(road_monitor_text 1000)\""
  ql_robot click "$ROAD_MONITOR" 1000 >/dev/null || road_fail "Run not pressed" || return 1
  echo "  pressed Run"
  ROAD_FIGURES=()
  # The first request is the base; each further one ends an interval. The window shows an
  # interval's figures once the request that ends it has been answered.
  for ((i = 1; i <= ROAD_INTERVALS; i++)); do
    want=$((i + 1))
    t0=$SECONDS
    while count=$(road_stats_count) && [ "$count" -lt "$want" ]; do
      [ $((SECONDS - t0)) -ge 120 ] && { road_fail "no statistics request $want"; return 1; }
      sleep 0.3
    done
    line=$(ql_robot list "$ROAD_MONITOR" -t 10 | tr -d '\r' | awk '
      $1 ~ /^id=100[1-4]$/ { match($0, /text="[^"]*"/); t[$1] = substr($0, RSTART + 6, RLENGTH - 7) }
      END { printf "%s|%s|%s|%s", t["id=1001"], t["id=1002"], t["id=1003"], t["id=1004"] }')
    ROAD_FIGURES+=("$line")
    IFS='|' read -r r h w b <<<"$line"
    printf '  interval %d (after request %d): reads [%s] hits [%s] %%  writes [%s] behind [%s] %%\n' \
      "$i" "$count" "$r" "$h" "$w" "$b"
  done
  road_shot "$ROAD_MONITOR" 5-qlstats
  ql_robot click "$ROAD_MONITOR" 1000 >/dev/null || road_fail "Stop not pressed" || return 1
  ROAD_STATS_BUTTON=$(road_monitor_text 1000)
  ql_robot click "$ROAD_MONITOR" 2 >/dev/null || road_fail "Exit not pressed" || return 1
  wait "$pid"
  ROAD_STATS_EXIT=$?
  ROAD_STATS_RECORD=$(ql_reg_dump "$ROAD_RECORD_KEY")
  echo "  pressed Stop (button now \"$ROAD_STATS_BUTTON\") and Exit; exit code $ROAD_STATS_EXIT"
  echo "  the stand-in answered $(($(ql_reg_pick "$ROAD_STATS_RECORD" GetStatsCount)))" \
    "statistics requests; requests since boot: $(ql_reg_pick "$ROAD_STATS_RECORD" Order)"
}

# The full caption of the tuning engine's main window (its credit part is not fixed here),
# from the X server's window names.
road_tune_caption() {
  DISPLAY="$QL_DISPLAY" xwininfo -root -tree 2>/dev/null |
    sed -n "s/^ *0x[0-9a-f]* \"\\($(sed 's/[.+]/\\&/g' <<<"$ROAD_TUNE_PREFIX")[^\"]*\\)\".*/\\1/p" |
    head -n 1
}

road_tune_fields() {
  ql_robot list "$ROAD_TUNE_CAPTION" -t 10 | tr -d '\r' | grep -E 'class=(Edit|msctls_updown32)'
}

# Step 5: the tuning engine: MaxLRU lowered, Save and Exit; the values and records.
road_tune() {
  ROAD_TUNE_SKIPPED=""
  if ! ql_find_exe QlTune.exe >/dev/null 2>&1; then
    ROAD_TUNE_SKIPPED="QlTune.exe is not in the win32 build yet"
    echo "  SKIPPED: $ROAD_TUNE_SKIPPED"
    return 0
  fi
  ql_machine_install QlTune.exe || road_fail "QlTune.exe not installed" || return 1
  ROAD_TUNE_BEFORE=$(road_key_values "$ROAD_PARAMETERS_KEY")
  WINEDEBUG=-all,+eventlog,fixme+advapi ql_machine_start QlTune.exe
  ROAD_TUNE_PID=$QL_LAST_PID
  ROAD_TUNE_LOG="$QL_MACHINE_DIR/logs/$ROAD_TUNE_PID.err"
  local t0=$SECONDS
  ROAD_TUNE_CAPTION=""
  while [ -z "$ROAD_TUNE_CAPTION" ]; do
    ROAD_TUNE_CAPTION=$(road_tune_caption)
    [ -n "$ROAD_TUNE_CAPTION" ] && break
    [ $((SECONDS - t0)) -ge 180 ] && { road_fail "the tuning engine's window did not appear"; return 1; }
    sleep 0.5
  done
  ql_robot wait-window "$ROAD_TUNE_CAPTION" -t 60 >/dev/null ||
    road_fail "the robot does not see \"$ROAD_TUNE_CAPTION\"" || return 1
  echo "  window up: \"$ROAD_TUNE_CAPTION\""
  ROAD_TUNE_CONTROLS=$(road_tune_fields)
  echo "  fields and fine-tuners at start:"
  road_indent <<<"$ROAD_TUNE_CONTROLS"
  road_shot "$ROAD_TUNE_CAPTION" 6-qltune
  # MaxLRU's field Edit3 and its fine-tuner UpDown3, which takes the Down key as a user's
  # key press on it and moves MaxLRU down by one step.
  local edit=3003 tuner=3013
  ROAD_TUNE_MAXLRU_BEFORE=$(ql_robot get-text "$ROAD_TUNE_CAPTION" "$edit" | tr -d '\r')
  ql_robot key "$ROAD_TUNE_CAPTION" "$tuner" 40 >/dev/null || road_fail "Down not sent" || return 1
  t0=$SECONDS
  while ROAD_TUNE_MAXLRU_AFTER=$(ql_robot get-text "$ROAD_TUNE_CAPTION" "$edit" | tr -d '\r') &&
    [ "$ROAD_TUNE_MAXLRU_AFTER" = "$ROAD_TUNE_MAXLRU_BEFORE" ]; do
    [ $((SECONDS - t0)) -ge 30 ] && { road_fail "MaxLRU did not move"; return 1; }
    sleep 0.3
  done
  echo "  MaxLRU lowered with its fine-tuner: $ROAD_TUNE_MAXLRU_BEFORE -> $ROAD_TUNE_MAXLRU_AFTER"
  ql_robot menu "$ROAD_TUNE_CAPTION" "Main" "Save and Exit" >/dev/null ||
    road_fail "Main > Save and Exit not chosen" || return 1
  echo "  chose Main > Save and Exit"
  ql_machine_wait "$ROAD_TUNE_PID" 120
  ROAD_TUNE_EXIT=$?
  ROAD_TUNE_AFTER=$(road_key_values "$ROAD_PARAMETERS_KEY")
  echo "  exit code $ROAD_TUNE_EXIT; the four tuning values before -> after:"
  local name
  for name in PageSize MinLRU MaxLRU PendingLimit; do
    printf '    %-13s %6d -> %6d\n' "$name" \
      "$((16#$(sed -n "s/^$name=dword://p" <<<"$ROAD_TUNE_BEFORE")))" \
      "$((16#$(sed -n "s/^$name=dword://p" <<<"$ROAD_TUNE_AFTER")))"
  done
}

# Step 6: the event-log records of the run (the tuning engine writes them; Wine traces each
# ReportEventA call), in order.
road_records() {
  ROAD_RECORDS=""
  if [ -n "${ROAD_TUNE_LOG:-}" ] && [ -f "$ROAD_TUNE_LOG" ]; then
    ROAD_RECORDS=$(ql_eventlog_records "$ROAD_TUNE_LOG")
  fi
  ROAD_BOOT_RECORDS=$(ql_eventlog_records "$QL_BOOT_LOG")
  if [ -n "$ROAD_RECORDS" ]; then
    echo "  records of the tuning engine, in order:"
    road_indent <<<"$ROAD_RECORDS"
  elif [ -n "${ROAD_TUNE_SKIPPED:-}" ]; then
    echo "  none: the tuning engine did not run ($ROAD_TUNE_SKIPPED)"
  else
    echo "  none from the tuning engine"
  fi
  if [ -n "$ROAD_BOOT_RECORDS" ]; then
    echo "  records of services and drivers since the first boot:"
    road_indent <<<"$ROAD_BOOT_RECORDS"
  else
    echo "  services and drivers wrote no records (as the product intends)"
  fi
}
