# Sourced: fc_kernel_runs_i386 succeeds when this machine's kernel runs 32-bit
# (i386) programs itself. Some virtual machines run 64-bit user code only;
# there the scripts run 32-bit programs under CPU emulation instead.
#
# While the emulation's binfmt_misc entry stands, every i386 program starts
# (through qemu), so the plain question "does the i386 loader run?" would be
# answered yes: the entry itself says the kernel does not, as it is made only
# where the kernel refused them.
FC_BINFMT_NAME=fc-qemu-i386
fc_kernel_runs_i386() {
  [ -e "/proc/sys/fs/binfmt_misc/$FC_BINFMT_NAME" ] && return 1
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# Succeeds when the system's own Wine runs 32-bit Windows programs: its i386
# half was installed by whoever set the machine up (the set-up installs no
# i386 package) and the kernel runs it. Elsewhere the 32-bit Wine comes from
# the emulation's i386 sysroot (tools/emulation/), under qemu-user only where
# the kernel runs no 32-bit programs.
fc_host_wine32() {
  fc_kernel_runs_i386 && /usr/lib/wine/wine --version >/dev/null 2>&1
}
