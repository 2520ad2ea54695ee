#!/bin/sh
# Builds the browser viewer into build/web/:
#   web/build.sh [OUTDIR]     (default build/web)
# OUTDIR/site/ (for any static web host) and OUTDIR/fc-viewer.html (one file,
# works opened from disk). Needs the wasm toolchain (web/core/build-wasm.sh)
# and Node; installs the pinned npm packages (npm ci) when they are missing.
set -eu
web=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$web")
out=${1:-$root/build/web}
mkdir -p "$out"
out=$(cd "$out" && pwd)

if [ ! -d "$web/node_modules/fflate" ] || [ ! -d "$web/node_modules/playwright-core" ]; then
  (cd "$web" && npm ci --no-audit --no-fund)
fi
"$web/core/build-wasm.sh" "$out/wasm"
node "$web/tools/assemble.mjs" "$out/wasm" "$out"
