#!/bin/bash
# Runs a command inside the emulation's i386 sysroot, in the current
# directory (the project's folder and /tmp are seen there at the same paths
# while tools/wine-env.sh has them mounted):
#   tools/emulation/sysroot-run.sh COMMAND [ARGUMENT...]
# The sysroot has its own PATH and HOME: the command gets a clean environment
# with only what the 32-bit Wine and the tests read (the display, the locale,
# Wine's own variables and the project's FC_*, FCVIEW_* and GTEST_* ones),
# and the preload library that lets Wine tell its faults apart under qemu.
set -euo pipefail
source "$(dirname "$0")/paths.sh"
pass=(PATH=/usr/bin:/bin HOME=/root LD_PRELOAD="$FC_PRELOAD" WINEARCH=win32)
[ -n "${FC_WINE32_PREFIX:-}" ] && pass+=(WINEPREFIX="$FC_WINE32_PREFIX")
while IFS= read -r -d '' entry; do
  case "${entry%%=*}" in
    DISPLAY | XAUTHORITY | LANG | LC_ALL | WINEDEBUG | WINEDLLOVERRIDES | FC_* | FCVIEW_* | GTEST_*) pass+=("$entry") ;;
  esac
done < <(env -0)
exec chroot "$FC_SYSROOT" /usr/bin/env -i "${pass[@]}" /bin/sh -c 'cd "$1" && shift && exec "$@"' sh "$PWD" "$@"
