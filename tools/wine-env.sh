# Sourced by the scripts: a throwaway Wine prefix for this run on a private
# X server (Xvfb), with Wine's server kept alive between test programs; both
# are ended and the prefix removed at exit. Wine's desktop process starts with
# the prefix, so the X server must be there first for windows to show.
export WINEDEBUG=-all
export WINEPREFIX
WINEPREFIX="$(mktemp -d /tmp/fc-wine.XXXXXX)"

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
FC_XVFB_PID=$!
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

wineserver -p 300 || true
wineboot -i >/dev/null 2>&1 || true
trap 'wineserver -k >/dev/null 2>&1 || true; kill $FC_XVFB_PID 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
