#!/bin/bash
# Runs every test: the native unit tests (plain and under ASan/UBSan), the
# plug-ins loaded as a host loads them under Wine (also with code page 932, and
# the dialog under Xvfb), and the checks on the built DLLs and the samples.
# Ends with one line: "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
# Where the kernel runs no 32-bit programs, the emulation for the 32-bit
# Windows programs is made (the first time: minutes of downloads and package
# set-up) while the rest installs and the build runs.
source tools/emulation/background.sh
fc_emulation_start || exit 1
emulation=$FC_EMULATION_PID
FC_EMULATION_LATER=1 tools/setup.sh || exit 1
tools/build.sh || exit 1
fc_emulation_wait
emulation_status=${FC_EMULATION_STATUS:-0}
source tools/wine-env.sh

logs=build/test-logs
mkdir -p "$logs"
passed=0
failed=0
skipped=()

# run_gtest NAME COMMAND...: a GoogleTest program; its own counts are added up.
# A program that hangs (a window that never showed up to be closed, say) is
# ended after FC_TEST_TIMEOUT seconds and counted as failed, so that the run
# always comes to its closing line.
run_gtest() {
  local name=$1
  shift
  timeout -k 30 "${FC_TEST_TIMEOUT:-1200}" "$@" >"$logs/$name.log" 2>&1
  local status=$?
  local ok bad
  ok=$(grep -oP '^\[  PASSED  \] \K[0-9]+' "$logs/$name.log" | tail -1)
  bad=$(grep -oP '^\[  FAILED  \] \K[0-9]+(?= tests?, listed below)' "$logs/$name.log" | tail -1)
  ok=${ok:-0}
  bad=${bad:-0}
  if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then bad=1; fi # crashed, or a sanitizer spoke
  if [ "$ok" -eq 0 ] && [ "$bad" -eq 0 ]; then bad=1; fi     # ran nothing
  passed=$((passed + ok))
  failed=$((failed + bad))
  echo "$name: $ok passed, $bad failed"
  if [ "$bad" -ne 0 ]; then
    grep -E '^\[  FAILED  \]|Failure|ERROR|runtime error' "$logs/$name.log" | head -40
  fi
}

# run_check NAME COMMAND...: one check that passes when the command succeeds.
run_check() {
  local name=$1
  shift
  if "$@" >"$logs/$name.log" 2>&1; then
    passed=$((passed + 1))
    echo "$name: passed"
  else
    failed=$((failed + 1))
    echo "$name: FAILED"
    tail -20 "$logs/$name.log"
  fi
}

# The plug-ins import system DLLs only and export their names with fixed ordinals.
check_plugin_imports() {
  local imports
  for plugin in build/win32/bin/*.spi build/win64/bin/*.sph; do
    imports=$(x86_64-w64-mingw32-objdump -p "$plugin" | grep -oP 'DLL Name: \K.*' | tr 'A-Z' 'a-z' | sort -u)
    echo "$plugin imports: $imports"
    for dll in $imports; do
      case "$dll" in kernel32.dll | user32.dll | advapi32.dll | msvcrt.dll) ;; *) return 1 ;; esac
    done
  done
}

# The bundled samples are exactly what the writers make today.
check_samples_current() {
  local fresh
  fresh=$(mktemp -d)
  build/native/tools/samples/make_samples "$fresh" && diff -r samples "$fresh"
  local status=$?
  rm -rf "$fresh"
  return $status
}

# The emulation of 32-bit programs, where it is used: the preload library
# gives a fault handler the trap number a kernel would (the test fails
# without it), and a run leaves neither its binfmt_misc entry nor a mount
# of the sysroot behind.
check_trapno_preload() {
  mkdir -p build/emulation &&
    gcc -m32 -O1 -Wall -Werror -o build/emulation/trapno_preload_test tools/emulation/trapno_preload_test.c &&
    "$FC_QEMU_I386" -L / -E LD_PRELOAD="$FC_SYSROOT$FC_PRELOAD" build/emulation/trapno_preload_test
}
check_emulation_cleanup() {
  if [ "${FC_EMULATION_RELEASED:-0}" != 1 ]; then
    echo "other runs still use the emulation: its entry and mounts stay until the last one ends"
    return 0
  fi
  [ ! -e "/proc/sys/fs/binfmt_misc/$FC_BINFMT_NAME" ] || { echo "the binfmt_misc entry is still there"; return 1; }
  ! findmnt -rn -o TARGET | grep -F "$FC_SYSROOT/" || { echo "still mounted in the sysroot"; return 1; }
}
# A failed set-up of the emulation fails the run (its 32-bit runs are then
# named as skipped).
[ -z "$emulation" ] || run_check emulation-prepare test "$emulation_status" -eq 0
# The fault types qemu leaves out, given back by the preload library.
if [ "$FC_WINE32_QEMU" = 1 ]; then
  run_check emulation-trapno check_trapno_preload
fi
run_gtest native build/native/tests/native_tests
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_gtest native-sanitized build/sanitize/tests/native_tests
# The native unit tests as i386 code under ASan and UBSan (SSE2, as the
# 32-bit plug-ins): directly, or emulated where the kernel runs no 32-bit programs.
if { cmake --preset sanitize32 && cmake --build --preset sanitize32 -j"$(nproc)"; } >build/sanitize32.log 2>&1; then
  UBSAN_OPTIONS=print_stacktrace=1 run_gtest native-sanitized-i386 tools/run-i386.sh build/sanitize32/tests/native_tests
else
  run_check native-sanitized-i386-build false
  tail -20 build/sanitize32.log
fi
# The command-line tool end to end on the samples; its Windows build under
# Wine is compared with the native one.
run_gtest fcview build/native/tests/fcview_tests --gtest_filter='-FcviewWindows*'
ASAN_OPTIONS=detect_leaks=1 \
  run_gtest fcview-sanitized build/sanitize/tests/fcview_tests --gtest_filter='-FcviewWindows*'
# Both widths of fcview.exe, the 32-bit one through this machine's way of
# running 32-bit Windows programs.
if [ "$FC_WINE32" = 1 ]; then
  FCVIEW_WINDOWS_BINARY=build/win32/bin/fcview.exe FCVIEW_WINE=$FC_WINE32_RUN \
    run_gtest fcview-wine32 build/native/tests/fcview_tests --gtest_filter='FcviewWindows*'
else
  skipped+=(fcview-wine32)
fi
FCVIEW_WINDOWS_BINARY=build/win64/bin/fcview.exe \
  run_gtest fcview-wine64 build/native/tests/fcview_tests --gtest_filter='FcviewWindows*'
# The Linux image loader through gdk-pixbuf's API (samples, writers' pictures,
# the hostile corpus, thumbnails), plain and under ASan/UBSan; then installed
# into a temporary prefix, where the MIME database and gdk-pixbuf must find it.
run_gtest pixbuf build/native/tests/pixbuf_tests --gtest_filter='-Installed*'
ASAN_OPTIONS=detect_leaks=1 \
  run_gtest pixbuf-sanitized build/sanitize/tests/pixbuf_tests --gtest_filter='Pixbuf*:-PixbufThumbnailer*'
pixbuf_prefix=$(mktemp -d)
run_check pixbuf-install cmake --install build/native --prefix "$pixbuf_prefix"
FC_INSTALL_PREFIX=$pixbuf_prefix run_gtest pixbuf-installed build/native/tests/pixbuf_tests --gtest_filter='Installed*'
rm -rf "$pixbuf_prefix"

# The Qt image-format plug-ins through QImageReader, for each Qt: samples,
# writers' pictures, IPQ frames, the hostile corpus, plain and under ASan/UBSan;
# then installed into a temporary prefix and found there through
# QT_PLUGIN_PATH; and qimgv, a Qt viewer from Debian, showing a sample on a
# private X display of its own, kept as build/test-logs/qt/qimgv-sunset.png.
check_qt_viewer() {
  local display=120 xvfb viewer home dump=$logs/qt/qimgv-sunset.xwd
  mkdir -p "$logs/qt" && rm -f "$dump"
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
  home=$(mktemp -d)
  HOME=$home XDG_CONFIG_HOME=$home/.config DISPLAY=":$display" QT_PLUGIN_PATH="$PWD/build/native/qt5/plugins" \
    qimgv "$PWD/samples/sunset.ipf" &
  viewer=$!
  sleep 8
  xwd -root -display ":$display" -out "$dump"
  kill "$viewer" "$xvfb"
  wait "$viewer" "$xvfb" 2>/dev/null
  rm -rf "$home"
  FC_SCREEN_XWD=$dump FC_SCREEN_SAMPLE=samples/sunset.ipf FC_SCREEN_PNG=$logs/qt/qimgv-sunset.png \
    build/native/tests/qt5_reader_tests --gtest_filter='QtViewerScreen*' && rm -f "$dump"
}
run_qt_tests() {
  local major prefix folder
  for major in 5 6; do
    run_gtest qt$major build/native/tests/qt${major}_reader_tests --gtest_filter='-QtViewerScreen*'
    ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/tests/qt/lsan.supp \
      run_gtest qt$major-sanitized build/sanitize/tests/qt${major}_reader_tests --gtest_filter='-QtViewerScreen*'
  done
  prefix=$(mktemp -d)
  run_check qt-install cmake --install build/native --prefix "$prefix"
  for major in 5 6; do
    folder=$(find "$prefix" -path "*/qt$major/plugins/imageformats/libfcpictures.so" -printf '%h\n' | head -1)
    FC_QT_PLUGIN_PATH=${folder%/imageformats} \
      run_gtest qt$major-installed build/native/tests/qt${major}_reader_tests --gtest_filter='QtPlugin*:QtSamples*:QtFrames*'
  done
  rm -rf "$prefix"
  run_check qt-viewer check_qt_viewer
}
run_qt_tests

# The browser viewer: its core, both WebAssembly modules (SIMD and portable),
# against the same core built natively, under Node's test runner; then the
# page itself in Debian's Chromium, headless (the site and the single file
# from file://, offline). Their own counts are added up.
run_counted() {
  local name=$1 pass_pattern=$2 fail_pattern=$3
  shift 3
  timeout -k 30 "${FC_TEST_TIMEOUT:-1200}" "$@" >"$logs/$name.log" 2>&1
  local status=$? ok bad
  ok=$(grep -oP "$pass_pattern" "$logs/$name.log" | tail -1)
  bad=$(grep -oP "$fail_pattern" "$logs/$name.log" | tail -1)
  ok=${ok:-0}
  bad=${bad:-0}
  if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then bad=1; fi
  if [ "$ok" -eq 0 ] && [ "$bad" -eq 0 ]; then bad=1; fi
  passed=$((passed + ok))
  failed=$((failed + bad))
  echo "$name: $ok passed, $bad failed"
  [ "$bad" -eq 0 ] || grep -E 'not ok|FAIL|Error|failed' "$logs/$name.log" | head -40
}
run_counted web-core '^# pass \K[0-9]+' '^# fail \K[0-9]+' tests/web/core/run.sh
run_counted web '^web: \K[0-9]+(?= passed)' '^web: [0-9]+ passed, \K[0-9]+' tests/web/run.sh

# The DLL tests, once for the 32-bit plug-ins and once for the 64-bit ones.
run_dll_tests() {
  local bits=$1 bin=build/win$1/bin wine=wine
  [ "$bits" = 32 ] && wine=$FC_WINE32_RUN
  run_gtest dll-wine$bits $wine $bin/dll_tests.exe --gtest_filter='-*Cp932*:*Dialog*:MerunBinding*'
  # Where Merun finds Palvo: from a copy of the test program in a directory
  # without the plug-ins, so that only the places under test can provide it.
  local binding="$logs/binding$bits"
  rm -rf "$binding" && mkdir -p "$binding" && cp $bin/dll_tests.exe "$binding/"
  FC_PLUGIN_DIR="$(winepath -w $bin)" \
    run_gtest dll-wine$bits-binding $wine "$binding/dll_tests.exe" --gtest_filter='MerunBinding*'
  LC_ALL=ja_JP.UTF-8 run_gtest dll-wine$bits-cp932 $wine $bin/dll_tests.exe --gtest_filter='*Cp932*'
  # Code page 932 so that the Japanese template shows its texts; screenshots
  # of both templates are kept beside the logs.
  mkdir -p "$logs/win$bits"
  # An absolute path: tests of where Merun finds Palvo change the current directory.
  # FC_DIALOG_JAPANESE_FACE: the font the Japanese template must be measured
  # in (Wine's stand-in for its face).
  FC_ARTIFACTS=$PWD/$logs/win$bits LC_ALL=ja_JP.UTF-8 FC_DIALOG_JAPANESE_FACE=IPAGothic \
    run_gtest dll-wine$bits-dialog $wine $bin/dll_tests.exe --gtest_filter='*Dialog*'
  # The labels measured again with a proportional face standing in for the
  # template's "ＭＳ Ｐゴシック", as on a Japanese Windows.
  local replacements='HKCU\Software\Wine\Fonts\Replacements'
  LC_ALL=ja_JP.UTF-8 $wine reg add "$replacements" /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f >/dev/null 2>&1
  LC_ALL=ja_JP.UTF-8 FC_DIALOG_JAPANESE_FACE=IPAPGothic \
    run_gtest dll-wine$bits-dialog-proportional $wine $bin/dll_tests.exe --gtest_filter='DialogTextFit*'
  LC_ALL=ja_JP.UTF-8 $wine reg delete "$replacements" /v 'ＭＳ Ｐゴシック' /f >/dev/null 2>&1
  for shot in "$logs/win$bits"/*.bmp; do
    [ -f "$shot" ] && build/native/tools/samples/bmp_to_png "$shot" "${shot%.bmp}.png" && rm -f "$shot"
  done
}
# 32-bit Windows programs run straight through Wine or under emulation
# (tools/wine-env.sh); only where neither can be had are their runs named as
# skipped at the end.
if [ "$FC_WINE32" = 1 ]; then
  run_dll_tests 32
  wine_widths=(32 64)
else
  skipped+=(dll-wine32 wic-wine32)
  wine_widths=(64)
fi
run_dll_tests 64
# The host benchmark's pixel check and the soak's growth check in the 32-bit
# plug-ins, the ones most hosts load. Under emulation the timings they print
# say nothing about speed (SSE2 code runs many times slower there).
if [ "$FC_WINE32" = 1 ]; then
  [ "$FC_WINE32_QEMU" = 1 ] && echo "host-bench32, soak32: under emulation; their timings are no speed figures"
  run_check host-bench32 wine32 build/win32/bin/host_bench.exe 0.01
  run_check soak32 wine32 build/win32/bin/soak.exe "${FC_SOAK_CALLS:-1000}"
else
  skipped+=(host-bench32 soak32)
fi
# The screenshots of the dialogs and About boxes are kept as PNG files.
check_screenshots() {
  local missing=0
  for bits in "${wine_widths[@]}"; do
    for shot in dialog-english dialog-japanese about-english about-japanese about-merun-english about-merun-japanese; do
      if [ -s "$logs/win$bits/$shot.png" ]; then echo "$logs/win$bits/$shot.png"; else echo "missing $logs/win$bits/$shot.png"; missing=1; fi
    done
  done
  return $missing
}
run_check screenshots check_screenshots
# The WIC codec in the throwaway prefix: each width registered with its own
# regsvr32 and opened by a WIC program of that width, then both unregistered
# and the registry checked for any key left.
run_wic_tests() {
  local system32='C:\windows\system32\regsvr32.exe' regsvr32_32='C:\windows\syswow64\regsvr32.exe'
  local wine32=$FC_WINE32
  # A pure 32-bit prefix (the emulated one) keeps its regsvr32 in system32.
  [ "$FC_WINE32_MODE" = emulated ] && regsvr32_32=$system32
  [ "$wine32" = 1 ] && run_check wic-register32 wine32 "$regsvr32_32" /s build/win32/bin/PalvoWic.dll
  run_check wic-register64 wine "$system32" /s build/win64/bin/PalvoWic.dll
  [ "$wine32" = 1 ] && run_gtest wic-wine32 "$FC_WINE32_RUN" build/win32/bin/wic_tests.exe --gtest_filter='-WicUnregistered*'
  run_gtest wic-wine64 wine build/win64/bin/wic_tests.exe --gtest_filter='-WicUnregistered*'
  [ "$wine32" = 1 ] && run_check wic-unregister32 wine32 "$regsvr32_32" /s /u build/win32/bin/PalvoWic.dll
  run_check wic-unregister64 wine "$system32" /s /u build/win64/bin/PalvoWic.dll
  [ "$wine32" = 1 ] && run_gtest wic-wine32-unregistered "$FC_WINE32_RUN" build/win32/bin/wic_tests.exe --gtest_filter='WicUnregistered*'
  run_gtest wic-wine64-unregistered wine build/win64/bin/wic_tests.exe --gtest_filter='WicUnregistered*'
}
run_wic_tests
# The codec imports system DLLs only and exports the four COM server entries.
check_codec_dll() {
  local codec imports entry headers
  for codec in build/win32/bin/PalvoWic.dll build/win64/bin/PalvoWic.dll; do
    # Read once: grep -q would close the pipe early, and pipefail count that as a failure.
    headers=$(x86_64-w64-mingw32-objdump -p "$codec")
    imports=$(grep -oP 'DLL Name: \K.*' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
    echo "$codec imports: $imports"
    for dll in $imports; do
      case "$dll" in kernel32.dll | advapi32.dll | msvcrt.dll | ole32.dll) ;; *) return 1 ;; esac
    done
    for entry in DllGetClassObject DllCanUnloadNow DllRegisterServer DllUnregisterServer; do
      grep -qP "\] $entry\$" <<<"$headers" || { echo "$codec: no export $entry"; return 1; }
    done
  done
}
run_check codec-dll check_codec_dll
# Every fuzz target briefly (libFuzzer, ASan, UBSan), in both widths: the
# x86-64 build and the i386 one, the code the 32-bit plug-ins run; anything
# found fails the run.
run_check fuzz tools/fuzz.sh 5
grep -E 'executions' "$logs/fuzz.log" || true
# The release holds both plug-in builds, the tool and both guides.
check_package() {
  tools/package.sh >/dev/null || return 1
  local version listing
  version=$(grep -oP '^CMAKE_PROJECT_VERSION:STATIC=\K.*' build/native/CMakeCache.txt)
  listing=$(cmake -E tar tf "build/release/fc-susie-plugins-$version.zip") || return 1
  echo "$listing"
  for file in 32bit/Palvo.spi 32bit/Merun.spi 32bit/Dosek.spi 64bit/Palvo.sph 64bit/Merun.sph 64bit/Dosek.sph \
              tool/fcview tool/fcview.exe README-en.txt README-ja.txt LICENSE.txt CHANGES.txt \
              fc-viewer.html web/index.html; do
    grep -q "fc-susie-plugins-$version/$file" <<<"$listing" || { echo "missing $file"; return 1; }
  done
}

run_check package check_package
# The release's Linux folder: the gdk-pixbuf loader, its MIME types and thumbnailer entry.
check_package_linux() {
  local folder
  folder=$(find build/release -maxdepth 2 -type d -name linux | head -1)
  [ -n "$folder" ] || return 1
  ls -l "$folder"
  for file in libpixbufloader-fc.so fc-pictures.xml fc-pictures.thumbnailer INSTALL-linux.txt \
              qt5/libfcpictures.so qt6/libfcpictures.so; do
    [ -s "$folder/$file" ] || { echo "missing linux/$file"; return 1; }
  done
}
run_check package-linux check_package_linux
# The release holds the WIC decoder of both widths and its two commands.
check_codec_package() {
  local release
  release=$(find build/release -mindepth 1 -maxdepth 1 -type d | head -1)
  for file in 32bit/PalvoWic.dll 64bit/PalvoWic.dll install-wic.cmd uninstall-wic.cmd; do
    [ -f "$release/$file" ] || { echo "missing $file in $release"; return 1; }
  done
}
run_check codec-package check_codec_package
run_check plugin-imports check_plugin_imports
run_check samples-current check_samples_current

# The Wine environment ends here rather than at exit, so that what it leaves
# behind can be checked.
fc_wine_env_end
trap - EXIT
if [ "$FC_WINE32_MODE" = emulated ]; then
  run_check emulation-cleanup check_emulation_cleanup
fi

if [ ${#skipped[@]} -gt 0 ]; then
  echo "skipped, as this machine can run no 32-bit Windows programs: ${skipped[*]}"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
