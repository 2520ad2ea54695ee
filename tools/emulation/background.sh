# Sourced by the main job and the test run: where the system's Wine has no
# 32-bit half, the i386 sysroot that gives one (and qemu-user where the kernel
# runs no 32-bit programs; minutes of downloads and package set-up the first
# time) is made in the background from the first moment on, beside the
# installs and the builds.
#   fc_emulation_start   installs its tools, then starts tools/emulation/prepare.sh
#   fc_emulation_wait    waits for it; FC_EMULATION_STATUS is its exit status
#                        (empty where no emulation is made)
source tools/emulation/kernel.sh
FC_EMULATION_PID=
FC_EMULATION_STATUS=
fc_emulation_start() {
  fc_host_wine32 && return 0
  mkdir -p build
  tools/setup.sh emulation-tools || return 1
  tools/emulation/prepare.sh >build/emulation-prepare.log 2>&1 &
  FC_EMULATION_PID=$!
}
fc_emulation_wait() {
  [ -n "$FC_EMULATION_PID" ] || return 0
  FC_EMULATION_STATUS=0
  wait "$FC_EMULATION_PID" || FC_EMULATION_STATUS=$?
  FC_EMULATION_PID=
  tail -5 build/emulation-prepare.log
  return "$FC_EMULATION_STATUS"
}
