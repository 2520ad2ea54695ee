#!/bin/bash
# Registers qemu-i386 as the interpreter of i386 programs (binfmt_misc), or
# removes that registration again:
#   tools/emulation/binfmt.sh register|unregister
# Wine starts its further 32-bit processes (its server, services, the desktop)
# by exec, so running one program under qemu is not enough. Flags: F opens the
# interpreter now, so that it also serves inside the sysroot (a chroot); P
# keeps argv[0] as the program gave it. The entry is machine-wide while it
# stands: the scripts remove it when their run ends.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/emulation/paths.sh
source tools/emulation/kernel.sh
binfmt=/proc/sys/fs/binfmt_misc
case "${1:-}" in
  register)
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
    [ -e "$binfmt/$FC_BINFMT_NAME" ] && echo -1 >"$binfmt/$FC_BINFMT_NAME"
    # ELF, 32-bit, little-endian, version 1; executable or shared object; machine 3 (i386).
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":$FC_BINFMT_NAME:M::$magic:$mask:$FC_QEMU_I386:FP" >"$binfmt/register"
    ;;
  unregister)
    [ -e "$binfmt/$FC_BINFMT_NAME" ] && echo -1 >"$binfmt/$FC_BINFMT_NAME"
    ;;
  *)
    echo "usage: tools/emulation/binfmt.sh register|unregister" >&2
    exit 2
    ;;
esac
exit 0
