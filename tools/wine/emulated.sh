#!/usr/bin/env bash
# Runs a command as on a machine whose kernel runs no 32-bit code: every 32-bit program it
# starts (Wine's loader, wineserver, each Windows process) runs under qemu's user-mode i386
# emulator, exactly as on such machines, while the rest of this machine is left alone.
#
#   tools/wine/emulated.sh <command> [arguments...]     e.g. tools/wine/emulated.sh ./quillon test
#
# The command runs in a user and mount namespace of its own with a private binfmt_misc
# (kernels since 6.7 give each user namespace its own), where the emulator is registered for
# i386 programs; binfmt_misc's handlers come before the kernel's own 32-bit loader. Needs
# root (the emulator is unpacked into /opt/ql-qemu once, see i386-emulation.sh).
set -u
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ $# -eq 0 ]; then
  sed -n '2,/^set -u/p' "$0" | sed -e '/^set -u/d' -e 's/^# \{0,1\}//'
  exit 2
fi
bash "$HERE/i386-emulation.sh" fetch || exit 1
# Inside a user namespace root's right to lock any amount of memory does not count, only the
# limit does: without this, the allocator's VirtualLock of its buffer would fail there.
ulimit -l unlimited || {
  echo "emulated: cannot lift the limit on locked memory" >&2
  exit 1
}
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
