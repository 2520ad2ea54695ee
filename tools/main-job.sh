#!/bin/bash
# Set-up and main job: installs what is missing, builds what the job shows
# (the plug-ins, the host program, fcview and the browser viewer), then shows
# the bundled samples through the built plug-ins under Wine, as a host sees
# them, and writes the decoded pictures as PNG files into out/, with the
# browser viewer beside them (out/web/ and out/fc-viewer.html).
# tools/build.sh with no arguments builds everything else (tests, sanitizers).
set -euo pipefail
cd "$(dirname "$0")/.."
# The emulation of 32-bit programs, where it is needed, is made beside the
# installs and the builds.
source tools/emulation/background.sh
fc_emulation_start
FC_EMULATION_LATER=1 tools/setup.sh main
tools/build.sh native:fcview,bmp_to_png win32:Palvo,Merun,Dosek,fc_host,fcview web
fc_emulation_wait || echo "main job: the emulation could not be made; the 64-bit plug-ins are shown instead"
source tools/wine-env.sh

# The 32-bit plug-ins, as most hosts load them (under emulation where the
# kernel runs no 32-bit programs); the 64-bit ones only where 32-bit Windows
# programs cannot run at all.
bin=build/win32/bin
ext=spi
run=wine32
if [ "$FC_WINE32" != 1 ]; then
  bin=build/win64/bin
  ext=sph
  run=wine
  tools/build.sh win64:Palvo,Merun,Dosek,fc_host,fcview
fi
mkdir -p out
echo "== The browser viewer: open out/fc-viewer.html, or publish out/web/ on any static host"
rm -rf out/web && cp -r build/web/site out/web && cp build/web/fc-viewer.html out/fc-viewer.html
ls -l out/fc-viewer.html out/web
echo "== Palvo.$ext: the sample pictures as a host sees them"
$run $bin/fc_host.exe describe $bin/Palvo.$ext samples/*.ipf samples/*.ipq samples/*.mcg
# decode SAMPLE OUTNAME: the picture through Palvo, as a PNG file in out/.
decode() {
  if $run $bin/fc_host.exe decode $bin/Palvo.$ext "$1" "out/$2.bmp"; then
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
$run reg add 'HKCU\Software\Harkimo\Susie\Plug-in\Palvo' /v IpqFormat /t REG_DWORD /d 1 /f >/dev/null
echo "== Palvo.$ext with the IPQ display mode 1 (show connected)"
$run $bin/fc_host.exe describe $bin/Palvo.$ext samples/*.ipq
for sample in samples/*.ipq; do
  decode "$sample" "$(basename "$sample" .ipq)-connected.ipq"
done

echo "== Dosek.$ext: the sample VFS archive"
$run $bin/fc_host.exe list $bin/Dosek.$ext samples/pictures.vfs
rm -rf out/pictures.vfs && mkdir -p out/pictures.vfs
$run $bin/fc_host.exe extract $bin/Dosek.$ext samples/pictures.vfs 'out\pictures.vfs'
echo "== Palvo.$ext: the pictures extracted from the archive"
$run $bin/fc_host.exe describe $bin/Palvo.$ext out/pictures.vfs/*.IPF out/pictures.vfs/*.IPQ out/pictures.vfs/*.MCG

# Back to the default mode 0: IPQ files are archives, opened through Merun.
$run reg add 'HKCU\Software\Harkimo\Susie\Plug-in\Palvo' /v IpqFormat /t REG_DWORD /d 0 /f >/dev/null
echo "== Merun.$ext: the sample IPQ file as an archive of IPF pictures (display mode 0)"
$run $bin/fc_host.exe list $bin/Merun.$ext samples/waves.ipq
rm -rf out/waves.ipq.frames && mkdir -p out/waves.ipq.frames
$run $bin/fc_host.exe extract $bin/Merun.$ext samples/waves.ipq 'out\waves.ipq.frames'
$run $bin/fc_host.exe describe $bin/Palvo.$ext out/waves.ipq.frames/*.IPF
for frame in out/waves.ipq.frames/*.IPF; do
  decode "$frame" "waves-frame-$(basename "$frame" .IPF | tr -d '#')"
done

echo "== fcview: the samples without a viewer"
fcview=build/native/fcview/fcview
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
$run $bin/fcview.exe info samples/sunset.ipf
