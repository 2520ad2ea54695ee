#!/bin/sh
# The WebAssembly decoders against the native build of the same code, in one
# run: the bench pictures (IPF and MCG, 1 to 16 MB of pixels) decoded by the
# web core built natively and by both modules in Node, taking turns. Not a
# test; run it on a machine otherwise idle.
#   tools/bench/wasm_bench.sh [ROUNDS]      (the native preset configured)
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
out=build/web/bench
"$root/web/core/build-wasm.sh" build/web/wasm >/dev/null
"$root/web/core/build-native-tool.sh" "$out/wasm_bench_native" tools/bench/wasm_bench_native.cpp \
  tools/bench/bench_cases.cpp tests/reference/reference_decoders.cpp tests/reference/picture_like.cpp
mkdir -p "$out"
"$out/wasm_bench_native" write "$out"
node tools/bench/wasm_bench.mjs "$out" build/web/wasm "$out/wasm_bench_native" "${1:-3}"
