#!/bin/bash
# Makes 32-bit Linux programs (Wine's i386 loader and wineserver) run on this machine.
#
# Some machines boot with the kernel's 32-bit emulation switched off: every i386 ELF
# program then fails with "Exec format error", and no 32-bit code segment can be entered
# at all. There Wine runs under qemu's user-mode i386 emulator, registered with
# binfmt_misc so that every 32-bit program the Wine tree starts goes through it.
# qemu 7 (this distribution's own) mishandles MAP_FIXED_NOREPLACE and leaves the fault
# number out of signal contexts, which Wine's memory manager relies on; qemu 10 runs Wine
# correctly, so its i386 emulator is taken from the next distribution's package, unpacked
# into a folder of its own (nothing installed system-wide, no package source added).
#
# Usage: i386-emulation.sh [check|enable|fetch|register]   (default: enable)
#   check     exit 0 when 32-bit programs run, 1 when not
#   enable    as root: set up the emulator when needed; exit 0 when 32-bit programs run
#   fetch     as root: only unpack the emulator into its folder (when it is not there)
#   register  as root: register the unpacked emulator with the binfmt_misc mounted here
set -u

QL_QEMU_DIR=${QL_QEMU_DIR:-/opt/ql-qemu}
QL_QEMU_SUITE=${QL_QEMU_SUITE:-trixie}
QL_QEMU_MIRROR=${QL_QEMU_MIRROR:-}
BINFMT=/proc/sys/fs/binfmt_misc
WINE_LOADER=/usr/lib/wine/wine

runs_i386() {
  [ -x "$WINE_LOADER" ] && "$WINE_LOADER" --version >/dev/null 2>&1
}

# The Debian archive this machine's apt already uses (its own sources, whatever mirror they
# name): the first source of the distribution's main suite, else any Debian source.
apt_mirror() {
  local uri release label fallback=""
  while read -r uri release label; do
    [ "$label" = Debian ] || continue
    case "$release" in
      *-*) [ -n "$fallback" ] || fallback=$uri ;;
      *)
        echo "${uri%/}"
        return 0
        ;;
    esac
  done < <(apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(LABEL)' 2>/dev/null | sort -u)
  [ -n "$fallback" ] || return 1
  # A security or updates source lives beside the main archive: debian-security -> debian.
  echo "${fallback%/}" | sed 's|-security$||'
}

fetch_qemu() {
  local work mirror=$QL_QEMU_MIRROR
  if [ -z "$mirror" ]; then
    mirror=$(apt_mirror) || {
      echo "i386-emulation: apt names no Debian archive here (run apt-get update first)" >&2
      return 1
    }
  fi
  work=$(mktemp -d /tmp/ql-qemu-fetch.XXXXXX) || return 1
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial"
  echo "deb $mirror $QL_QEMU_SUITE main" >"$work/sources.list"
  local opts=(-o "Dir::Etc::SourceList=$work/sources.list" -o "Dir::Etc::SourceParts=/nonexistent"
    -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache"
    -o "APT::Sandbox::User=root" -o "Debug::NoLocking=1")
  if ! apt-get "${opts[@]}" -qq update >"$work/apt.log" 2>&1 ||
    ! (cd "$work" && apt-get "${opts[@]}" -qq download qemu-user >>"$work/apt.log" 2>&1); then
    echo "i386-emulation: could not fetch qemu-user from $QL_QEMU_SUITE (see $work/apt.log)" >&2
    return 1
  fi
  dpkg-deb -x "$work"/qemu-user_*.deb "$work/x" &&
    mkdir -p "$QL_QEMU_DIR" &&
    cp "$work/x/usr/bin/qemu-i386" "$QL_QEMU_DIR/qemu-i386" &&
    rm -rf "$work"
}

register_binfmt() {
  [ -e "$BINFMT/register" ] || mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null
  [ -e "$BINFMT/register" ] || {
    echo "i386-emulation: binfmt_misc is not available" >&2
    return 1
  }
  # An older registration (for example this distribution's qemu 7) is replaced.
  [ -e "$BINFMT/qemu-i386" ] && echo -1 >"$BINFMT/qemu-i386"
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$QL_QEMU_DIR/qemu-i386"':F' \
    >"$BINFMT/register"
}

case "${1:-enable}" in
  check)
    runs_i386
    exit
    ;;
  enable)
    runs_i386 && exit 0
    if [ "$(id -u)" != 0 ]; then
      echo "i386-emulation: 32-bit programs do not run here and setting up the emulator needs root" >&2
      exit 1
    fi
    # Tests may ask at the same time: one sets up, the others wait and find it done.
    exec 9>/tmp/ql-i386-emulation.lock
    flock 9
    runs_i386 && exit 0
    [ -x "$QL_QEMU_DIR/qemu-i386" ] || fetch_qemu || exit 1
    register_binfmt || exit 1
    runs_i386 || {
      echo "i386-emulation: 32-bit programs still do not run" >&2
      exit 1
    }
    ;;
  fetch)
    # The emulator alone, also where 32-bit programs run natively (for tools/wine/emulated.sh).
    exec 9>/tmp/ql-i386-emulation.lock
    flock 9
    [ -x "$QL_QEMU_DIR/qemu-i386" ] || fetch_qemu
    ;;
  register)
    # Registers the emulator in the binfmt_misc that is mounted here (a private one inside
    # tools/wine/emulated.sh's namespace).
    register_binfmt
    ;;
  *)
    echo "usage: $0 [check|enable|fetch|register]" >&2
    exit 2
    ;;
esac
