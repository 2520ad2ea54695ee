#!/bin/bash
# Set-up and main job: installs what is missing, builds everything, then shows
# the bundled samples through the built plug-ins under Wine, as a host sees
# them, and writes the decoded pictures as PNG files into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh
source tools/wine-env.sh

bin=build/win32/bin
mkdir -p out
echo "== Palvo.spi: the sample pictures as a host sees them"
wine $bin/fc_host.exe describe $bin/Palvo.spi samples/*.ipf samples/*.ipq samples/*.mcg
for sample in samples/*.ipf samples/*.ipq samples/*.mcg; do
  name=$(basename "$sample")
  if wine $bin/fc_host.exe decode $bin/Palvo.spi "$sample" "out/$name.bmp"; then
    build/native/tools/samples/bmp_to_png "out/$name.bmp" "out/$name.png"
    rm -f "out/$name.bmp"
    echo "decoded $sample -> out/$name.png"
  fi
done
