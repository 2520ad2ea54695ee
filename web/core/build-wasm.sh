#!/bin/sh
# Builds the core as two WebAssembly modules from the plug-ins' own sources:
#   web/core/build-wasm.sh [OUTDIR]      (default build/web/wasm)
# OUTDIR/fc_core.wasm runs in any engine with WebAssembly; OUTDIR/fc_core_simd.wasm
# takes the 128-bit moves (Chrome 91, Firefox 89, Safari 16.4 on) and the bulk
# memory operations every such engine has, so that memcpy and memset are one
# instruction each. Debian's
# clang 14 for wasm32-wasi with wasi-libc and libc++ for wasm32; nothing is
# downloaded. The modules import nothing: the page instantiates them with {}
# and calls _initialize once.
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/web/wasm}
compiler=${CXX_WASM:-clang++-14}

fail() {
  echo "build-wasm: $*" >&2
  exit 1
}

command -v "$compiler" >/dev/null || fail "$compiler not found (Debian package clang-14)"
command -v wasm-ld-14 >/dev/null || command -v wasm-ld >/dev/null || fail "wasm-ld not found (Debian package lld-14)"
[ -f /usr/include/wasm32-wasi/stdlib.h ] || fail "wasi-libc is not installed (Debian package wasi-libc)"
[ -f /usr/lib/llvm-14/lib/wasm32-wasi/libc++.a ] || fail "libc++ for wasm32 is not installed (libc++-14-dev-wasm32)"

# The decoders exactly as the plug-ins list them.
decoders=$(sed -n 's|.*{CMAKE_CURRENT_LIST_DIR}/\([a-z_]*\.cpp\).*|picture_filter/\1|p' \
  "$root/picture_filter/decoders.cmake")
[ -n "$decoders" ] || fail "no decoder sources found in picture_filter/decoders.cmake"
sources="container/picture_kind.cpp container/chunks.cpp container/frames.cpp container/read_picture_info.cpp
  picture_filter/dib_layout.cpp $decoders picture_filter/load_messages.cpp
  picture_filter/wic/codec_frames.cpp picture_filter/wic/codec_pixels.cpp
  vfs_archive/vfs_format.cpp archive/catalogue.cpp archive/copy_with_progress.cpp
  web/core/shown_picture.cpp web/core/picture_shapes.cpp web/core/decoded_rows.cpp web/core/picture_decode.cpp
  web/core/vfs_listing.cpp web/core/messages.cpp"

compile_flags="--target=wasm32-wasi -O3 -std=c++17 -fno-exceptions -fno-rtti -Wall -Wextra -Wshadow
  -Wno-unused-parameter -Werror -ffunction-sections -fdata-sections -I$root"
# malloc and free for the page; no entry point of a command, a reactor's _initialize instead.
link_flags="--target=wasm32-wasi -mexec-model=reactor -fuse-ld=lld -Wl,--gc-sections -Wl,--strip-all
  -Wl,--export=malloc -Wl,--export=free"

mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build() { # name, extra flags
  name=$1
  shift
  mkdir -p "$work/$name"
  objects=""
  for source in $sources; do
    object="$work/$name/$(echo "$source" | tr / _).o"
    # shellcheck disable=SC2086
    "$compiler" $compile_flags "$@" -c "$root/$source" -o "$object" || fail "compiling $source for $name failed"
    objects="$objects $object"
  done
  # shellcheck disable=SC2086
  "$compiler" $link_flags "$@" $objects -o "$work/$name.wasm" || fail "linking $name failed"
  # A module with imports would need a WASI host in the page: refuse it here.
  if command -v node >/dev/null; then
    node -e '
      const m = new WebAssembly.Module(require("fs").readFileSync(process.argv[1]));
      const imports = WebAssembly.Module.imports(m);
      if (imports.length) { console.error("imports:", JSON.stringify(imports)); process.exit(1); }
    ' "$work/$name.wasm" || fail "$name.wasm imports something"
  fi
  mv "$work/$name.wasm" "$out/$name.wasm"
  echo "build-wasm: $out/$name.wasm ($(wc -c <"$out/$name.wasm") bytes)"
}

build fc_core
# The portable module is for engines without SIMD or bulk memory: it must hold none of their instructions.
if command -v llvm-objdump-14 >/dev/null; then
  if llvm-objdump-14 -d "$out/fc_core.wasm" | grep -qE 'v128|[if](8x16|16x8|32x4|64x2)|memory\.(copy|fill)'; then
    fail "fc_core.wasm holds SIMD or bulk memory instructions"
  fi
fi
build fc_core_simd -msimd128 -mbulk-memory
