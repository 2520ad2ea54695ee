# Sourced by the scripts: a throwaway Wine prefix for this run, with its
# server kept alive between test programs, removed again at exit.
export WINEDEBUG=-all
export WINEPREFIX
WINEPREFIX="$(mktemp -d /tmp/fc-wine.XXXXXX)"
wineboot -i >/dev/null 2>&1 || true
wineserver -p 300
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
