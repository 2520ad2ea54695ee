#!/bin/bash
# Installs what the build and the tests need on Debian 12, when it is missing:
# mingw-w64 (i686 and x86_64), Wine, Xvfb, clang, CMake, GoogleTest, Google
# Benchmark, libpng, gdk-pixbuf, Qt, a Japanese font and locale, clang's
# WebAssembly target with its C++ library, and Chromium for the browser tests.
#   tools/setup.sh [all|main|emulation-tools]
# all (the default): everything; main: what the main job builds and shows
# (no Qt, gdk-pixbuf, sanitizers or browser); emulation-tools: only what
# makes the emulation below, so that it can start before the rest installs.
#
# No i386 package is ever installed on this system (a stale i386 index makes
# apt trade the system's own compilers for them): Wine's 32-bit half comes
# from an i386 sysroot of its own (tools/emulation/, made with debootstrap),
# run as it is where the kernel runs 32-bit programs and under qemu-user
# where it does not. A system whose Wine already has its 32-bit half (put
# there by hand) is used as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/emulation/kernel.sh

selection=${1:-all}
case "$selection" in all | main | emulation-tools) ;; *) echo "usage: tools/setup.sh [all|main|emulation-tools]" >&2; exit 2 ;; esac

packages=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb xauth clang
          googletest libgtest-dev libpng-dev pkg-config fonts-ipafont-gothic locales
          # the browser viewer's core: clang's wasm32-wasi target, its libc and C++ library, its linker
          wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32 libclang-rt-14-dev-wasm32 lld-14)
if [ "$selection" = all ]; then
  packages+=(libclang-rt-14-dev libbenchmark-dev llvm-14
             # the i386 sanitizer and fuzzer builds (multilib, no i386 packages)
             libc6-dev-i386 lib32stdc++-12-dev lib32gcc-12-dev gcc-multilib qemu-user
             # the Linux image loaders: gdk-pixbuf's development files and thumbnailer, Qt 5 and 6, the MIME database
             libgdk-pixbuf-2.0-dev libgdk-pixbuf2.0-bin shared-mime-info qtbase5-dev qt6-base-dev
             # a Qt image viewer and a screenshot tool for the desktop test
             qimgv x11-apps
             # the browser viewer's tests (driven from npm's playwright-core, which downloads no browser)
             chromium)
fi
# The emulation's sysroot comes from debootstrap; its preload library is built -m32.
fc_host_wine32 || packages+=(debootstrap gcc-multilib)
# Node.js builds the browser viewer and drives its tests; machines that
# come with a newer one keep theirs.
command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)
[ "$selection" = emulation-tools ] && packages=(debootstrap gcc-multilib)
if [ "$selection" = emulation-tools ] && fc_host_wine32; then exit 0; fi
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  # A mirror in the middle of a sync serves some indexes broken: go on with
  # the ones that came, and let the install say if a package is truly missing.
  # The indexes are read once an hour at most: the emulation's tools and the
  # rest are installed one after the other.
  stamp=/var/lib/apt/lists/fc-susie-updated
  if [ -z "$(find "$stamp" -mmin -60 2>/dev/null)" ]; then
    apt_log=$(mktemp)
    $SUDO apt-get update -q >"$apt_log" 2>&1 ||
      echo "setup: some package indexes could not be read ($(grep -c '^[EW]:' "$apt_log") errors); going on with the others"
    rm -f "$apt_log"
    $SUDO touch "$stamp"
  fi
  # --no-remove: an index out of step with the others must never make apt
  # remove what is installed to make room for what it asks for.
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends --no-remove "${missing[@]}"
fi

[ "$selection" = emulation-tools ] && exit 0

# Wine takes its ANSI code page from the locale: the double-byte tests need ja_JP.UTF-8.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi

# The 32-bit Windows programs' emulation: made once, kept between runs.
# FC_EMULATION_LATER=1 leaves it to the caller (the test run makes it while
# the build runs).
if ! fc_host_wine32 && [ "${FC_EMULATION_LATER:-0}" != 1 ]; then
  tools/emulation/prepare.sh
fi
