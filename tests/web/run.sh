#!/bin/sh
# The browser tests of the web viewer:  tests/web/run.sh [NAME-SUBSTRING...]
# Expects the native build (tools/build.sh native: fcview and the writers'
# libraries) and web/build.sh's output in build/web/; builds only the small
# tool that dumps the hostile corpus into a folder. Ends with the line
# "web: N passed, M failed" and a non-zero status on any failure.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
native=${FC_NATIVE_BUILD:-$root/build/native}
out=$root/build/web
logs=$root/build/test-logs/web
mkdir -p "$logs" "$out"

fail_setup() {
  echo "web tests: $*"
  echo "web: 0 passed, 1 failed"
  exit 1
}

[ -x "$native/fcview/fcview" ] || fail_setup "$native/fcview/fcview is missing (tools/build.sh native)"
[ -x "${FC_CHROMIUM:-/usr/bin/chromium}" ] || fail_setup "Chromium is missing (Debian package chromium)"
if [ ! -f "$out/fc-viewer.html" ] || [ ! -d "$root/web/node_modules/playwright-core" ]; then
  nice "$root/web/build.sh" "$out" || fail_setup "web/build.sh failed"
fi

# The hostile corpus as files, made again when its sources change.
dump=$out/dump_hostile
if [ ! -x "$dump" ] || [ -n "$(find "$root/tests/hostile" "$root/tests/web/dump_hostile.cpp" -newer "$dump" -type f 2>/dev/null | head -1)" ]; then
  nice c++ -std=c++17 -O1 -I"$root" "$root/tests/web/dump_hostile.cpp" "$root/tests/hostile/hostile_cases.cpp" \
    "$native/writers/libfc_writers.a" "$native/vfs_archive/libfc_vfs.a" "$native/archive/libfc_archive.a" \
    "$native/common/libfc_common.a" -o "$dump" || fail_setup "building dump_hostile failed"
  rm -rf "$out/hostile"
fi
if [ ! -f "$out/hostile/manifest.tsv" ]; then
  mkdir -p "$out/hostile"
  "$dump" "$root/tests/hostile/findings" "$out/hostile" >/dev/null || fail_setup "dumping the hostile corpus failed"
fi

cd "$root/web" && FCVIEW="$native/fcview/fcview" nice node "$root/tests/web/run.mjs" "$@" 2>&1 | tee "$logs/run.log"
status=$(tail -1 "$logs/run.log" | sed -n 's/^web: [0-9]* passed, \([0-9]*\) failed$/\1/p')
[ "$status" = "0" ]
