#!/bin/bash
# Set-up and main job: installs what is missing, builds everything, then shows
# the bundled samples through the built plug-ins under Wine, as a host sees
# them, and writes the decoded pictures as PNG files into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh
source tools/wine-env.sh

# The 32-bit plug-ins, as most hosts load them; the 64-bit ones where this
# machine runs no 32-bit programs.
bin=build/win32/bin
ext=spi
if [ "$FC_WINE32" != 1 ]; then
  bin=build/win64/bin
  ext=sph
fi
mkdir -p out
echo "== Palvo.spi: the sample pictures as a host sees them"
wine $bin/fc_host.exe describe $bin/Palvo.$ext samples/*.ipf samples/*.ipq samples/*.mcg
# decode SAMPLE OUTNAME: the picture through Palvo.spi, as a PNG file in out/.
decode() {
  if wine $bin/fc_host.exe decode $bin/Palvo.$ext "$1" "out/$2.bmp"; then
    build/native/tools/samples/bmp_to_png "out/$2.bmp" "out/$2.png"
    rm -f "out/$2.bmp"
    echo "decoded $1 -> out/$2.png"
  fi
}
for sample in samples/*.ipf samples/*.ipq samples/*.mcg; do
  decode "$sample" "$(basename "$sample")"
done

# The IPQ display mode is the user's setting; show the multi-picture once more
# with all its frames stacked (mode 1), as a user who chose that would see it.
wine reg add 'HKCU\Software\Harkimo\Susie\Plug-in\Palvo' /v IpqFormat /t REG_DWORD /d 1 /f >/dev/null
echo "== Palvo.spi with the IPQ display mode 1 (show connected)"
wine $bin/fc_host.exe describe $bin/Palvo.$ext samples/*.ipq
for sample in samples/*.ipq; do
  decode "$sample" "$(basename "$sample" .ipq)-connected.ipq"
done

echo "== Dosek.spi: the sample VFS archive"
wine $bin/fc_host.exe list $bin/Dosek.$ext samples/pictures.vfs
rm -rf out/pictures.vfs && mkdir -p out/pictures.vfs
wine $bin/fc_host.exe extract $bin/Dosek.$ext samples/pictures.vfs 'out\pictures.vfs'
echo "== Palvo.spi: the pictures extracted from the archive"
wine $bin/fc_host.exe describe $bin/Palvo.$ext out/pictures.vfs/*.IPF out/pictures.vfs/*.IPQ out/pictures.vfs/*.MCG

# Back to the default mode 0: IPQ files are archives, opened through Merun.
wine reg add 'HKCU\Software\Harkimo\Susie\Plug-in\Palvo' /v IpqFormat /t REG_DWORD /d 0 /f >/dev/null
echo "== Merun.spi: the sample IPQ file as an archive of IPF pictures (display mode 0)"
wine $bin/fc_host.exe list $bin/Merun.$ext samples/waves.ipq
rm -rf out/waves.ipq.frames && mkdir -p out/waves.ipq.frames
wine $bin/fc_host.exe extract $bin/Merun.$ext samples/waves.ipq 'out\waves.ipq.frames'
wine $bin/fc_host.exe describe $bin/Palvo.$ext out/waves.ipq.frames/*.IPF
for frame in out/waves.ipq.frames/*.IPF; do
  decode "$frame" "waves-frame-$(basename "$frame" .IPF | tr -d '#')"
done

echo "== fcview: the samples without a viewer"
fcview=build/native/tools/fcview/fcview
$fcview info samples/sunset.ipf samples/waves.ipq samples/dusk.mcg
for sample in samples/*.ipf samples/*.ipq samples/*.mcg; do
  $fcview convert --force "$sample" "out/$(basename "$sample").fcview.png"
done
$fcview convert --force --all-frames samples/waves.ipq out/waves.ipq.fcview.png
$fcview list samples/pictures.vfs
$fcview list --json samples/waves.ipq
rm -rf out/pictures.vfs.fcview && $fcview extract samples/pictures.vfs out/pictures.vfs.fcview
$fcview extract --force samples/waves.ipq out/waves.ipq.fcview
echo "== fcview: the whole sample archive to PNG in one command, and a picture back into it"
$fcview convert --force samples/pictures.vfs out/pictures.vfs.png/
$fcview encode --force out/pictures.vfs.png/CASTLE.IPF.png out/castle-again.ipf
$fcview replace --force samples/pictures.vfs out/pictures-again.vfs CASTLE.IPF=out/castle-again.ipf
$fcview list out/pictures-again.vfs
echo "== fcview.exe (the Windows build) under Wine"
wine $bin/fcview.exe info samples/sunset.ipf
