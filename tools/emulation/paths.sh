# Sourced: where the emulation of 32-bit programs keeps what it made.
FC_EMULATION_DIR=${FC_EMULATION_DIR:-/var/cache/fc-susie-emulation}
FC_QEMU_I386=$FC_EMULATION_DIR/qemu/usr/bin/qemu-i386
FC_SYSROOT=$FC_EMULATION_DIR/sysroot-i386
# The preload library's path inside the sysroot.
FC_PRELOAD=/usr/local/lib/fc-trapno-preload.so
