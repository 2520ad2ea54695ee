#!/bin/bash
# Runs a native i386 program (the sanitize32 and fuzz32 builds):
#   tools/run-i386.sh PROGRAM [ARGUMENT...]
# directly where the kernel runs 32-bit programs, else under qemu-i386's user
# mode emulation (Debian's qemu-user), which runs them, sanitizers included,
# several times slower: some virtual machines run 64-bit programs only.
# The kernel's own answer, not the emulation's: while tools/wine-env.sh has
# its binfmt_misc entry in place, every i386 program would start, but
# through qemu without the address-space reserve below.
source "$(dirname "$0")/emulation/kernel.sh"
if fc_kernel_runs_i386; then
  exec "$@"
fi
# A 32-bit kernel leaves 3 GB to a program, and the i386 AddressSanitizer
# lays out its shadow memory for that: the emulation gives no more. The leak
# check stops the program's threads by ptrace, which the emulation does not
# offer (it would wait forever): leaks are the x86-64 builds' to find. With
# freed blocks held in quarantine, the emulation's address space handling once
# gave the sanitizer's allocator a block outside the memory it shadows, and it
# stopped: freed blocks are released at once here (a use after free is still
# found while the block is unused; the x86-64 builds keep the quarantine).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0:quarantine_size_mb=0"
exec qemu-i386 -R 0xc0000000 -L / "$@"
