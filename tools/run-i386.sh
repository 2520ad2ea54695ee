#!/bin/bash
# Runs a native i386 program (the sanitize32 and fuzz32 builds):
#   tools/run-i386.sh PROGRAM [ARGUMENT...]
# directly where the kernel runs 32-bit programs, else under qemu-i386's user
# mode emulation (Debian's qemu-user), which runs them, sanitizers included,
# several times slower: some virtual machines run 64-bit programs only.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  exec "$@"
fi
exec qemu-i386 -L / "$@"
