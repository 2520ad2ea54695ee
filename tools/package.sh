#!/bin/bash
# Builds the release: a folder and a zip in build/release, both named with the
# version (fc-susie-plugins-1.1), holding the 32-bit .spi and 64-bit .sph
# plug-ins, the fcview tool (Linux and Windows builds), the user guide in
# English and Japanese, the licence and the list of changes, and the browser
# viewer (a folder for any static web host, and one self-contained HTML file).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh native win32 win64 web

# The version is the project's, as CMake set it.
version=$(grep -oP '^CMAKE_PROJECT_VERSION:STATIC=\K.*' build/native/CMakeCache.txt)
[ -n "$version" ] || { echo "package: no project version in build/native" >&2; exit 1; }
name=fc-susie-plugins-$version
release=build/release/$name
rm -rf build/release && mkdir -p "$release/32bit" "$release/64bit" "$release/tool"
cp build/win32/bin/Palvo.spi build/win32/bin/Merun.spi build/win32/bin/Dosek.spi "$release/32bit/"
cp build/win64/bin/Palvo.sph build/win64/bin/Merun.sph build/win64/bin/Dosek.sph "$release/64bit/"
# The WIC decoder beside the plug-ins of its width, and the commands that register and remove both.
cp build/win32/bin/PalvoWic.dll "$release/32bit/"
cp build/win64/bin/PalvoWic.dll "$release/64bit/"
cp tools/package/install-wic.cmd tools/package/uninstall-wic.cmd "$release/"
for tool in build/win32/bin/fcview.exe build/native/fcview/fcview; do
  [ -f "$tool" ] && cp "$tool" "$release/tool/"
done
cp tools/package/guide-en.txt "$release/README-en.txt"
cp tools/package/guide-ja.txt "$release/README-ja.txt"
cp LICENSE "$release/LICENSE.txt"
cp CHANGES.txt "$release/CHANGES.txt"
# The Linux image loader for gdk-pixbuf, its MIME types and thumbnailer entry.
mkdir -p "$release/linux"
cp build/native/gdk-pixbuf/loaders/libpixbufloader-fc.so "$release/linux/"
strip --strip-unneeded "$release/linux/libpixbufloader-fc.so"
cp picture_filter/gdk_pixbuf/fc-pictures.xml picture_filter/gdk_pixbuf/fc-pictures.thumbnailer \
   tools/package/INSTALL-linux.txt "$release/linux/"
# The Qt image-format plug-ins, one per Qt version.
for major in 5 6; do
  mkdir -p "$release/linux/qt$major"
  cp "build/native/qt$major/plugins/imageformats/libfcpictures.so" "$release/linux/qt$major/"
  strip --strip-unneeded "$release/linux/qt$major/libfcpictures.so"
done
# The browser viewer: web/ for a static host, fc-viewer.html to open from disk.
cp -r build/web/site "$release/web"
cp build/web/fc-viewer.html "$release/"
(cd build/release && cmake -E tar cf "$name.zip" --format=zip "$name")
echo "package: build/release/$name/ and build/release/$name.zip"
(cd build/release && find "$name" -type f | sort)
