#!/bin/bash
# Opens or closes one run's use of the emulation of 32-bit programs:
#   tools/emulation/session.sh begin ID DIR...   # DIR: folders to see inside the sysroot
#   tools/emulation/session.sh hold ID    # the binfmt_misc entry alone (building the sysroot)
#   tools/emulation/session.sh end ID
# ID is the process that uses it (the script that sourced tools/wine-env.sh).
# Several runs may use the emulation at once (two test runs in two clones):
# the binfmt_misc entry and the sysroot's mounts are made by the first and
# removed by the last, each run counted by a file named for its process; a
# run that was killed is no longer counted once its process is gone. `end`
# exits 0 when it removed everything, 3 when other runs still use it.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/emulation/paths.sh
source tools/emulation/kernel.sh
# The runs are counted machine-wide, as the binfmt_misc entry is one for the
# whole machine (whichever cache folder a run's emulation comes from); below
# /run, so that a restart forgets them with the entry.
users=/run/fc-susie-emulation/users
# Every sysroot a run has mounted into, for the last run to release.
sysroots=/run/fc-susie-emulation/sysroots
mkdir -p "$users"
touch "$sysroots"
exec {lock}>/run/fc-susie-emulation/lock
flock "$lock"

# When process ID started (a number that tells it from a later process
# given the same ID), or nothing when there is no such process.
# (The fields after the command name, which may hold spaces: the 20th is the start time.)
started() { sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f20 || true; }

# The runs still alive, stale entries pruned.
live_users() {
  local entry
  for entry in "$users"/*; do
    [ -e "$entry" ] || continue
    if [ -n "$(started "$(basename "$entry")")" ] && [ "$(started "$(basename "$entry")")" = "$(cat "$entry")" ]; then
      echo "$entry"
    else
      rm -f "$entry"
    fi
  done
}

# SOURCE seen at the same path inside the sysroot.
mount_into_sysroot() {
  local target="$FC_SYSROOT$1"
  mkdir -p "$target"
  mountpoint -q "$target" && return 0
  mount --rbind "$1" "$target" && mount --make-rslave "$target"
}

release_all() {
  local sysroot point
  while read -r sysroot; do
    for point in $(findmnt -rn -o TARGET | grep -F "$sysroot/" | sort -r); do
      umount -l "$point" 2>/dev/null || true
    done
  done < <(sort -u "$sysroots"; echo "$FC_SYSROOT")
  : >"$sysroots"
  tools/emulation/binfmt.sh unregister
}

case "${1:-}" in
  begin)
    id=${2:?usage: session.sh begin ID DIR...}
    shift 2
    [ -e "$FC_SYSROOT/.fc-ready" ] && [ -f "$FC_SYSROOT$FC_PRELOAD" ] || { echo "the emulation is not ready" >&2; exit 1; }
    # qemu only where the kernel runs no i386 program itself.
    [ -e "/proc/sys/fs/binfmt_misc/$FC_BINFMT_NAME" ] || fc_kernel_runs_i386 || tools/emulation/binfmt.sh register
    echo "$FC_SYSROOT" >>"$sysroots"
    mountpoint -q "$FC_SYSROOT/proc" || mount -t proc proc "$FC_SYSROOT/proc"
    mount_into_sysroot /dev
    mount_into_sysroot /tmp
    for dir in "$@"; do
      # Below /tmp, already seen through the mount of /tmp.
      case "$dir" in /tmp/?*) ;; *) mount_into_sysroot "$dir" ;; esac
    done
    started "$id" >"$users/$id"
    ;;
  hold)
    id=${2:?usage: session.sh hold ID}
    [ -e "/proc/sys/fs/binfmt_misc/$FC_BINFMT_NAME" ] || fc_kernel_runs_i386 || tools/emulation/binfmt.sh register
    started "$id" >"$users/$id"
    ;;
  end)
    id=${2:?usage: session.sh end ID}
    rm -f "$users/$id"
    [ -z "$(live_users)" ] || exit 3
    release_all
    ;;
  *)
    echo "usage: tools/emulation/session.sh begin ID DIR... | hold ID | end ID" >&2
    exit 2
    ;;
esac
