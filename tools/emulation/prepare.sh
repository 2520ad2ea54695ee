#!/bin/bash
# Makes what runs 32-bit Windows programs without any i386 package on this
# system, from Debian's packages only, and keeps it for later runs:
#   - where the kernel runs no 32-bit programs, qemu-user 10 (from
#     bookworm-backports; Debian 12's own 7.2 cannot run Wine), downloaded and
#     unpacked into the cache, never installed;
#   - an i386 Debian sysroot with Wine's 32-bit half, a Japanese locale and font;
#   - the preload library that gives Wine the fault type qemu leaves out.
# The cache is FC_EMULATION_DIR (default /var/cache/fc-susie-emulation); a
# part missing or unfinished is made again. Nothing outside it changes, but
# for the binfmt_misc entry made and removed while the sysroot is built.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/emulation/paths.sh
source tools/emulation/kernel.sh
mkdir -p "$FC_EMULATION_DIR"

# The mirror this machine's own package sources name.
debian_mirror() {
  local uri
  uri=$(grep -hoP '^URIs:\s*\K\S+' /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v security | head -1 || true)
  [ -n "$uri" ] || uri=$(grep -hoP '^deb\s+(\[[^]]*\]\s+)?\K\S+' /etc/apt/sources.list 2>/dev/null | grep -v security | head -1 || true)
  echo "${uri:?no Debian mirror among the package sources}"
}

make_qemu() {
  [ -x "$FC_QEMU_I386" ] && "$FC_QEMU_I386" --version | grep -q 'version 10\.' && return
  echo "emulation: fetching qemu-user from bookworm-backports"
  local apt="$FC_EMULATION_DIR/apt"
  rm -rf "$apt" "$FC_EMULATION_DIR/qemu"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $(debian_mirror) bookworm-backports main" >"$apt/sources.list"
  local options=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts="$apt/parts"
                 -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Architectures=amd64)
  apt-get "${options[@]}" update -q >"$apt/update.log" 2>&1 || { cat "$apt/update.log"; return 1; }
  (cd "$apt" && apt-get "${options[@]}" download -q qemu-user/bookworm-backports >download.log 2>&1) ||
    { cat "$apt/download.log"; return 1; }
  dpkg -x "$apt"/qemu-user_*.deb "$FC_EMULATION_DIR/qemu"
  "$FC_QEMU_I386" --version | head -1
}

# Unmounts whatever is still mounted below the sysroot (a run that was killed).
release_sysroot_mounts() {
  local point
  for point in $(findmnt -rn -o TARGET | grep -F "$FC_SYSROOT/" | sort -r); do
    umount -l "$point" || true
  done
}

chroot_run() {
  chroot "$FC_SYSROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

make_sysroot() {
  [ -e "$FC_SYSROOT/.fc-ready" ] && return
  echo "emulation: making the i386 sysroot with Wine in $FC_SYSROOT (some minutes)"
  release_sysroot_mounts
  rm -rf --one-file-system "$FC_SYSROOT"
  local mirror
  mirror=$(debian_mirror)
  debootstrap --arch=i386 --variant=minbase bookworm "$FC_SYSROOT" "$mirror" >"$FC_EMULATION_DIR/debootstrap.log" 2>&1 ||
    { tail -20 "$FC_EMULATION_DIR/debootstrap.log"; return 1; }
  mount -t proc proc "$FC_SYSROOT/proc"
  mount --rbind /dev "$FC_SYSROOT/dev"
  trap release_sysroot_mounts RETURN
  # Only the main suite: the sysroot needs no other index, and so no broken one.
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror bookworm main" >"$FC_SYSROOT/etc/apt/sources.list"
  cp /usr/share/keyrings/debian-archive-keyring.gpg "$FC_SYSROOT/usr/share/keyrings/" 2>/dev/null || true
  {
    chroot_run apt-get update -q &&
      chroot_run apt-get install -y -q --no-install-recommends --no-remove wine wine32 libwine locales fonts-ipafont-gothic &&
      echo 'ja_JP.UTF-8 UTF-8' >>"$FC_SYSROOT/etc/locale.gen" && chroot_run locale-gen
  } >"$FC_EMULATION_DIR/sysroot-apt.log" 2>&1 || { tail -20 "$FC_EMULATION_DIR/sysroot-apt.log"; return 1; }
  touch "$FC_SYSROOT/.fc-ready"
}

make_preload() {
  local source=tools/emulation/trapno_preload.c library="$FC_SYSROOT$FC_PRELOAD"
  [ -f "$library" ] && [ "$library" -nt "$source" ] && return
  mkdir -p "$(dirname "$library")"
  gcc -m32 -O2 -shared -fPIC -Wall -Werror -o "$library" "$source" -ldl
}

# qemu-user only where the kernel runs no 32-bit programs; elsewhere the
# sysroot's programs run as they are.
fc_kernel_runs_i386 || make_qemu
# The sysroot's own programs (dpkg's scripts) are i386 programs: under
# emulation they run through the binfmt_misc entry, held like any other run's
# so that a run ending meanwhile leaves it in place.
held=0
if [ ! -e "$FC_SYSROOT/.fc-ready" ] && ! fc_kernel_runs_i386; then
  tools/emulation/session.sh hold $$ && held=1
fi
status=0
make_sysroot || status=$?
[ "$held" = 1 ] && { tools/emulation/session.sh end $$ || true; }
[ "$status" -eq 0 ] || { echo "emulation: the i386 sysroot could not be made" >&2; exit 1; }
make_preload
echo "emulation: ready ($FC_EMULATION_DIR)"
