#!/bin/bash
# Installs what the build and the tests need on Debian 12, when it is missing:
# mingw-w64 (i686 and x86_64), Wine with the i386 architecture, Xvfb, clang, CMake,
# GoogleTest, Google Benchmark, libpng and a Japanese font and locale.
set -euo pipefail

packages=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb xauth clang libclang-rt-14-dev
          googletest libgtest-dev libbenchmark-dev libpng-dev fonts-ipafont-gothic locales
          libc6-dev-i386 lib32stdc++-12-dev lib32gcc-12-dev linux-libc-dev:i386 qemu-user
          # the Linux image loader: gdk-pixbuf's development files and thumbnailer, the MIME database
          pkg-config libgdk-pixbuf-2.0-dev libgdk-pixbuf2.0-bin shared-mime-info)
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine takes its ANSI code page from the locale: the double-byte tests need ja_JP.UTF-8.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf-\?8$'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
