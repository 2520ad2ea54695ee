#!/bin/bash
# Builds everything: the native format code with its tests and tools, the same
# under AddressSanitizer and UndefinedBehaviorSanitizer, the 32-bit and 64-bit
# plug-ins, and the browser viewer (the core as WebAssembly, the page).
#   tools/build.sh [PRESET[:TARGET,...]|web]...   (default: native sanitize win32 win64 web)
# A preset named with targets builds just those (the main job builds only
# what it shows).
set -euo pipefail
cd "$(dirname "$0")/.."
steps=("$@")
[ ${#steps[@]} -gt 0 ] || steps=(native sanitize win32 win64 web)
mkdir -p build
for step in "${steps[@]}"; do
  preset=${step%%:*}
  targets=()
  if [ "$step" != "$preset" ]; then
    IFS=, read -r -a names <<<"${step#*:}"
    for name in "${names[@]}"; do targets+=(--target "$name"); done
  fi
  log="build/$preset.log"
  if [ "$preset" = web ]; then
    command=(web/build.sh)
  else
    command=(eval 'cmake --preset "$preset" && cmake --build --preset "$preset" -j"$(nproc)" "${targets[@]}"')
  fi
  if ! "${command[@]}" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "build: the $step build failed (whole log: $log)" >&2
    exit 1
  fi
  echo "build: $step done"
done
