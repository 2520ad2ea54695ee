#!/bin/bash
# Builds everything: the native format code with its tests and tools, the same
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the 32-bit and
# 64-bit plug-ins.
#   tools/build.sh [native|sanitize|win32|win64]...   (default: all four)
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native sanitize win32 win64)
mkdir -p build
for preset in "${presets[@]}"; do
  log="build/$preset.log"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j"$(nproc)"; } >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "build: the $preset build failed (whole log: $log)" >&2
    exit 1
  fi
  echo "build: $preset done"
done
