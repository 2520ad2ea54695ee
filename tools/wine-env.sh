# Sourced by the scripts: a throwaway Wine prefix for this run on a private
# X server (Xvfb), with Wine's server kept alive between test programs; all of
# it is ended and removed at exit. Wine's desktop process starts with the
# prefix, so the X server must be there first for windows to show.
#
# 32-bit Windows programs start through `wine32 PROGRAM ...` (a function here;
# FC_WINE32_RUN names the same as a command for programs that start Wine):
#   - where the kernel runs 32-bit programs, that is plain `wine`, in the one
#     prefix both widths share;
#   - where it does not, the 32-bit Wine of the emulation's i386 sysroot
#     (tools/emulation/), under qemu-user through a binfmt_misc entry made for
#     this run, in a pure 32-bit prefix of its own (FC_WINE32_PREFIX).
# FC_WINE32=1 says that 32-bit programs can run, FC_WINE32_MODE how
# (direct or emulated). 64-bit programs always start with plain `wine`.
export WINEDEBUG=-all
export WINEPREFIX
WINEPREFIX="$(mktemp -d /tmp/fc-wine.XXXXXX)"
source tools/emulation/kernel.sh
source tools/emulation/paths.sh
export FC_WINE32=1 FC_WINE32_MODE=direct FC_WINE32_PREFIX=""
export FC_WINE32_RUN="$PWD/tools/emulation/wine32"
fc_mounted=()

# Debian's wine starts every program through the 32-bit loader when it is
# installed; without a kernel that runs it, `wine` (and the wineboot,
# winepath ... scripts that call it) are pointed at the 64-bit loader.
if ! fc_kernel_runs_i386 || ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export WINELOADER=/usr/lib/wine/wine64
  FC_WINE_BIN="$(mktemp -d /tmp/fc-wine-bin.XXXXXX)"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$FC_WINE_BIN/$name"
    chmod +x "$FC_WINE_BIN/$name"
  done
  export PATH="$FC_WINE_BIN:$PATH"
fi

# fc_mount_into_sysroot SOURCE: SOURCE seen at the same path inside the sysroot.
fc_mount_into_sysroot() {
  local target="$FC_SYSROOT$1"
  mkdir -p "$target"
  mountpoint -q "$target" && return 0
  # Below /tmp, already seen through the mount of /tmp.
  case "$1" in /tmp/?*) return 0 ;; esac
  mount --rbind "$1" "$target" && mount --make-rslave "$target" && fc_mounted=("$target" "${fc_mounted[@]}")
}

if ! fc_kernel_runs_i386; then
  # A run inside another one (a script started by a test run) leaves the
  # outer run's entry and mounts in place, and at its end, removes only its own.
  [ -e "/proc/sys/fs/binfmt_misc/$FC_BINFMT_NAME" ] || FC_BINFMT_OWN=1
  if [ -e "$FC_SYSROOT/.fc-ready" ] && [ -f "$FC_SYSROOT$FC_PRELOAD" ] &&
     { [ -z "${FC_BINFMT_OWN:-}" ] || tools/emulation/binfmt.sh register; }; then
    FC_WINE32_MODE=emulated
    FC_WINE32_PREFIX="$(mktemp -d /tmp/fc-wine32.XXXXXX)"
    mountpoint -q "$FC_SYSROOT/proc" || { mount -t proc proc "$FC_SYSROOT/proc" && fc_mounted=("$FC_SYSROOT/proc"); }
    fc_mount_into_sysroot /dev
    fc_mount_into_sysroot /tmp
    fc_mount_into_sysroot "$PWD"
    echo "wine: the kernel runs no 32-bit programs; 32-bit Windows programs run under emulation (qemu-user)" >&2
  else
    FC_WINE32=0
    echo "wine: the kernel runs no 32-bit programs and the emulation is not ready; only the 64-bit Windows programs can run" >&2
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

fc_wine_env_end() {
  wineserver -k >/dev/null 2>&1 || true
  if [ "$FC_WINE32_MODE" = emulated ]; then
    tools/emulation/sysroot-run.sh wineserver -k >/dev/null 2>&1 || true
    sleep 1
    local point
    for point in "${fc_mounted[@]}"; do umount -l "$point" 2>/dev/null || true; done
    [ -z "${FC_BINFMT_OWN:-}" ] || tools/emulation/binfmt.sh unregister || true
  fi
  kill $FC_XVFB_PID 2>/dev/null || true
  rm -rf "$WINEPREFIX" ${FC_WINE32_PREFIX:+"$FC_WINE32_PREFIX"} ${FC_WINE_BIN:+"$FC_WINE_BIN"}
}
trap fc_wine_env_end EXIT
