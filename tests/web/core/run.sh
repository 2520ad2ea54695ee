#!/bin/sh
# The web core's tests: both WebAssembly modules against the native build of
# the same core, fcview and the plug-ins' expected answers, under Node's own
# test runner. Expects the native preset built (tools/build.sh); builds the
# modules and the native expectations itself.
#   tests/web/core/run.sh
set -eu

root=$(cd "$(dirname "$0")/../../.." && pwd)
cd "$root"
out=build/web

"$root/web/core/build-wasm.sh" "$out/wasm"
"$root/web/core/build-native-tool.sh" "$out/native/web_core_expectations" tests/web/core/write_expectations.cpp \
  tests/hostile/hostile_cases.cpp tests/reference/picture_like.cpp
[ -x build/native/fcview/fcview ] || nice -n 19 cmake --build --preset native -j2 --target fcview
rm -rf "$out/core-expectations"
"$out/native/web_core_expectations" "$out/core-expectations" samples tests/hostile/findings

FC_WEB_WASM_DIR="$root/$out/wasm" FC_WEB_CORE_EXPECTATIONS="$root/$out/core-expectations" \
  nice -n 19 node --test --test-reporter=tap tests/web/core/
