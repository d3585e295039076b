#!/usr/bin/env bash
# Runs a command as on a machine whose kernel runs no 32-bit code: every 32-bit program it
# starts (Wine's loader, wineserver, each Windows process) runs under qemu's user-mode i386
# emulator, as on such machines.
#
#   tools/wine/emulated.sh [--machine-wide] <command> [arguments...]
#   e.g. tools/wine/emulated.sh --machine-wide ./quillon test
#
# By default the command runs in a user and mount namespace of its own with a private
# binfmt_misc (kernels since 6.7 give each user namespace its own) where the emulator is
# registered for i386 programs; binfmt_misc's handlers come before the kernel's own 32-bit
# loader, and the rest of the machine is left alone. Inside a user namespace, though, root's
# right to lock memory beyond the limit (ulimit -l) does not count, so a program that locks
# more than that (the allocator service with its buffer) fails there where it would not on
# an emulated machine. --machine-wide registers the emulator in the machine's own
# binfmt_misc for the command's run instead, and takes it out again afterwards: every
# 32-bit program on the machine is emulated meanwhile, as on the slow kind of machine.
# Needs root; the emulator is unpacked into /opt/ql-qemu once (see i386-emulation.sh).
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BINFMT=/proc/sys/fs/binfmt_misc
machine_wide=0
if [ "${1:-}" = --machine-wide ]; then
  machine_wide=1
  shift
fi
if [ $# -eq 0 ]; then
  sed -n '2,/^set -u/p' "$0" | sed -e '/^set -u/d' -e 's/^# \{0,1\}//'
  exit 2
fi
bash "$HERE/i386-emulation.sh" fetch || exit 1

if [ "$machine_wide" = 1 ]; then
  if [ -e "$BINFMT/qemu-i386" ]; then
    echo "emulated: the machine already runs i386 programs under an emulator" >&2
    exec "$@"
  fi
  [ -e "$BINFMT/register" ] || mount -t binfmt_misc binfmt_misc "$BINFMT" || exit 1
  bash "$HERE/i386-emulation.sh" register || exit 1
  trap '[ -e "$BINFMT/qemu-i386" ] && echo -1 >"$BINFMT/qemu-i386"' EXIT
  "$@"
  exit
fi

ulimit -l unlimited 2>/dev/null ||
  echo "emulated: locked memory stays limited to $(ulimit -l) KiB in the namespace" >&2
exec unshare --user --map-root-user --mount --fork bash -c '
  here=$1
  shift
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || {
    echo "emulated: this kernel gives a namespace no binfmt_misc of its own" >&2
    exit 1
  }
  bash "$here/i386-emulation.sh" register || exit 1
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || exit 1
  exec "$@"' emulated "$HERE" "$@"
