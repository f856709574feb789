#!/usr/bin/env bash
# Runs both README commands, ./run.sh and ./test.sh, on a fresh Debian 13
# (trixie) system: a chroot made by mmdebstrap from Debian's own archive,
# holding a clone of this checkout's committed state (uncommitted changes are
# not in it). Not part of CI: it builds everything from nothing and runs the
# whole suite, which takes an hour or more. Needs root (mmdebstrap, mounts).
#   scripts/check-debian13.sh [--keep] [WORK_DIR]
# WORK_DIR (default: a new folder under /var/tmp) receives the chroot under
# root/ and the logs run.log, test.log and LastTest.log; the chroot is removed
# at the end unless --keep is given. Exit status 0 when both commands passed.
set -euo pipefail
keep=0
if [ "${1:-}" = "--keep" ]; then keep=1; shift; fi
[ "$(id -u)" -eq 0 ] || { echo "check-debian13.sh: run it as root" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d /var/tmp/kuvora-debian13.XXXXXX)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
root="$work/root"
[ ! -e "$root" ] || { echo "check-debian13.sh: $root exists already" >&2; exit 2; }
if ! command -v mmdebstrap >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap >/dev/null
fi

mounted=0
cleanup() {
  # Whatever still runs inside the chroot (a test's leftover) ends by its id.
  for proc in /proc/[0-9]*; do
    [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ] && kill -KILL "${proc#/proc/}" 2>/dev/null
  done
  if [ "$mounted" -eq 1 ]; then umount -R "$root" 2>/dev/null || umount -R -l "$root"; fi
  if [ "$keep" -eq 0 ]; then rm -rf "$root"; fi
}
trap cleanup EXIT

echo "== mmdebstrap trixie into $root"
mmdebstrap --variant=apt --include=ca-certificates,sudo trixie "$root" >"$work/mmdebstrap.log" 2>&1 ||
  { tail -20 "$work/mmdebstrap.log"; exit 1; }
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Packages installed inside do not start their services (pcscd, dbus):
# the tests start what they need themselves.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
# The root must be a mount point, or a test's own mount namespace
# (unshare -m --propagation private) cannot be made inside.
mount --bind "$root" "$root"
mounted=1
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"  # /dev/pts with it: pseudo-terminals for the PN532 tests
mount -t sysfs sys "$root/sys"
git clone -q "$source_dir" "$root/src"
echo "== $(git -C "$root/src" log -1 --format='%h %s')"
grep -E '^(PRETTY_NAME)=' "$root/etc/os-release"

status=0
in_chroot() {
  nice -n 19 chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 TERM=dumb \
    bash -c "cd /src && $1"
}
echo "== ./run.sh"
if in_chroot ./run.sh >"$work/run.log" 2>&1; then echo "run.sh passed"; else echo "run.sh FAILED"; status=1; fi
tail -5 "$work/run.log"
echo "== ./test.sh"
if in_chroot ./test.sh >"$work/test.log" 2>&1; then echo "test.sh passed"; else echo "test.sh FAILED"; status=1; fi
cp "$root/src/build/Testing/Temporary/LastTest.log" "$work/" 2>/dev/null || true
grep -E "tests passed|tests failed|^\s+[0-9]+ - .*\((Failed|Timeout|Not Run|SEGFAULT|Subprocess aborted)\)|warning:" \
  "$work/test.log" || tail -20 "$work/test.log"
echo "logs: $work"
exit "$status"
