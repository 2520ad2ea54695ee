#!/bin/sh
# Builds a native program over the web core's interface, compiled natively
# beside the native preset's libraries (the same format code the plug-ins
# and fcview are made of), for the tests and the benchmark that hold the
# WebAssembly modules to the native build:
#   web/core/build-native-tool.sh OUTPUT SOURCE...     (paths from the repository root)
# Expects the native preset configured; builds the libraries it needs there.
# FC_WEB_NATIVE_PRESET=sanitize builds over the sanitize preset instead, the
# core's own files under the same sanitizers.
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
preset=${FC_WEB_NATIVE_PRESET:-native}
native=$root/build/$preset
[ $# -ge 2 ] || { echo "usage: web/core/build-native-tool.sh OUTPUT SOURCE..." >&2; exit 2; }
output=$1
shift
[ -f "$native/CMakeCache.txt" ] || { echo "build-native-tool: configure the $preset preset first (cmake --preset $preset)" >&2; exit 1; }

cd "$root"
nice -n 19 cmake --build --preset "$preset" -j2 --target fcview_core fc_codec fc_picture_loader fc_test_support >/dev/null ||
  { echo "build-native-tool: building the native libraries failed" >&2; exit 1; }

compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$native/CMakeCache.txt")
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$native/CMakeCache.txt" | tr a-z A-Z)
flags=$(sed -n "s/^CMAKE_CXX_FLAGS_$build_type:[A-Z]*=//p" "$native/CMakeCache.txt")
if grep -q '^FC_SANITIZE:[A-Z]*=ON' "$native/CMakeCache.txt"; then
  flags="$flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
fi
core="web/core/shown_picture.cpp web/core/picture_shapes.cpp web/core/decoded_rows.cpp web/core/picture_decode.cpp
  web/core/vfs_listing.cpp web/core/messages.cpp"
libraries="fcview/libfcview_core.a picture_filter/wic/libfc_codec.a picture_filter/libfc_picture_loader.a
  picture_filter/libfc_picture.a vfs_archive/libfc_vfs.a ipq_archive/libfc_ipq_archive.a archive/libfc_archive.a
  container/libfc_container.a tests/support/libfc_test_support.a writers/libfc_writers.a common/libfc_common.a"
archives=""
for library in $libraries; do archives="$archives $native/$library"; done
png=""
grep -q '^PNG_LIBRARY_RELEASE:FILEPATH=/' "$native/CMakeCache.txt" && png=-lpng
mkdir -p "$(dirname "$output")"
# shellcheck disable=SC2086
"${compiler:-c++}" -std=c++17 $flags -I"$root" -o "$output" "$@" $core $archives $png -lpthread ||
  { echo "build-native-tool: building $output failed" >&2; exit 1; }
