# Sourced by the scripts: a throwaway Wine prefix for this run on a private
# X server (Xvfb), with Wine's server kept alive between test programs; both
# are ended and the prefix removed at exit. Wine's desktop process starts with
# the prefix, so the X server must be there first for windows to show.
export WINEDEBUG=-all
export WINEPREFIX
WINEPREFIX="$(mktemp -d /tmp/fc-wine.XXXXXX)"

# Debian's wine starts every program through the 32-bit loader, which needs a
# kernel that runs 32-bit programs; some virtual machines run 64-bit user code
# only. There `wine` (and the wineboot, winepath ... scripts that call it) are
# pointed at the 64-bit loader, and FC_WINE32=0 tells the scripts that no
# 32-bit Windows program can run on this machine.
FC_WINE32=1
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 && [ -x /usr/lib/wine/wine64 ]; then
  FC_WINE32=0
  export WINELOADER=/usr/lib/wine/wine64
  FC_WINE_BIN="$(mktemp -d /tmp/fc-wine-bin.XXXXXX)"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$FC_WINE_BIN/$name"
    chmod +x "$FC_WINE_BIN/$name"
  done
  export PATH="$FC_WINE_BIN:$PATH"
  echo "wine: this machine runs no 32-bit programs; only the 64-bit Windows programs can run" >&2
fi
export FC_WINE32

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
FC_XVFB_PID=$!
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

wineserver -p 300 || true
wineboot -i >/dev/null 2>&1 || true
trap 'wineserver -k >/dev/null 2>&1 || true; kill $FC_XVFB_PID 2>/dev/null || true; rm -rf "$WINEPREFIX" ${FC_WINE_BIN:+"$FC_WINE_BIN"}' EXIT
