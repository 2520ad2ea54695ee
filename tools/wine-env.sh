# Sourced by the scripts: a throwaway Wine prefix for this run on a private
# X server (Xvfb), with Wine's server kept alive between test programs; all of
# it is ended and removed at exit. Wine's desktop process starts with the
# prefix, so the X server must be there first for windows to show.
#
# 32-bit Windows programs start through `wine32 PROGRAM ...` (a function here;
# FC_WINE32_RUN names the same as a command for programs that start Wine):
#   - where the system's Wine has its 32-bit half (installed by hand: the
#     set-up installs no i386 package), that is plain `wine`, in the one
#     prefix both widths share;
#   - elsewhere, the 32-bit Wine of the emulation's i386 sysroot
#     (tools/emulation/), in a pure 32-bit prefix of its own
#     (FC_WINE32_PREFIX); where the kernel runs no 32-bit programs, under
#     qemu-user through a binfmt_misc entry made for this run (FC_WINE32_QEMU=1).
# FC_WINE32=1 says that 32-bit programs can run, FC_WINE32_MODE how
# (direct, or emulated: from the sysroot). 64-bit programs always start with plain `wine`.
export WINEDEBUG=-all
export WINEPREFIX
WINEPREFIX="$(mktemp -d /tmp/fc-wine.XXXXXX)"
source tools/emulation/kernel.sh
source tools/emulation/paths.sh
export FC_WINE32=1 FC_WINE32_MODE=direct FC_WINE32_PREFIX="" FC_WINE32_QEMU=0
export FC_WINE32_RUN="$PWD/tools/emulation/wine32"

# Debian's wine starts every program through the 32-bit loader when it is
# installed; without a kernel that runs it, `wine` (and the wineboot,
# winepath ... scripts that call it) are pointed at the 64-bit loader.
if ! fc_host_wine32; then
  export WINELOADER=/usr/lib/wine/wine64
  FC_WINE_BIN="$(mktemp -d /tmp/fc-wine-bin.XXXXXX)"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$FC_WINE_BIN/$name"
    chmod +x "$FC_WINE_BIN/$name"
  done
  export PATH="$FC_WINE_BIN:$PATH"
fi

if ! fc_host_wine32; then
  # Asked before the session makes its binfmt_misc entry, which would answer for the kernel.
  fc_kernel_runs_i386 || FC_WINE32_QEMU=1
  # The binfmt_misc entry and the sysroot's mounts are shared with any other
  # run using the emulation at the same time: the last one to end removes them.
  if tools/emulation/session.sh begin $$ "$PWD" >&2; then
    FC_WINE32_MODE=emulated
    FC_WINE32_PREFIX="$(mktemp -d /tmp/fc-wine32.XXXXXX)"
    if [ "$FC_WINE32_QEMU" = 1 ]; then
      echo "wine: the kernel runs no 32-bit programs; 32-bit Windows programs run under emulation (qemu-user)" >&2
    else
      echo "wine: 32-bit Windows programs run in the i386 sysroot's Wine" >&2
    fi
  else
    FC_WINE32=0
    echo "wine: the system's Wine has no 32-bit half and the i386 sysroot is not ready; only the 64-bit Windows programs can run" >&2
  fi
fi
wine32() { "$FC_WINE32_RUN" "$@"; }

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
FC_XVFB_PID=$!
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

wineserver -p 300 || true
wineboot -i >/dev/null 2>&1 || true
if [ "$FC_WINE32_MODE" = emulated ]; then
  tools/emulation/sysroot-run.sh wineserver -p 300 >/dev/null 2>&1 || true
  wine32 wineboot -i >/dev/null 2>&1 || true
fi

# FC_EMULATION_RELEASED=1 afterwards when this run was the emulation's last
# user and removed its entry and mounts.
fc_wine_env_end() {
  wineserver -k >/dev/null 2>&1 || true
  if [ "$FC_WINE32_MODE" = emulated ]; then
    tools/emulation/sysroot-run.sh wineserver -k >/dev/null 2>&1 || true
    sleep 1
    tools/emulation/session.sh end $$ && FC_EMULATION_RELEASED=1
  fi
  kill $FC_XVFB_PID 2>/dev/null || true
  rm -rf "$WINEPREFIX" ${FC_WINE32_PREFIX:+"$FC_WINE32_PREFIX"} ${FC_WINE_BIN:+"$FC_WINE_BIN"}
}
trap fc_wine_env_end EXIT
