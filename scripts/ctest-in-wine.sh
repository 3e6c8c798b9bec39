#!/usr/bin/env bash
# Runs ctest with one persistent wineserver per prefix (the 32-bit one and
# the 64-bit one of the *_wow64 entries) for the whole run. The servers are
# started detached from our pipes: a wineserver that inherits ctest's output
# pipe keeps every test waiting for it to close.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
in_prefix() { (export QUORVEL_WINEARCH=$1; shift; . "$root/scripts/wine-env.sh"; "$@" </dev/null >/dev/null 2>&1); }
for arch in win32 win64; do
  in_prefix $arch wineserver -p
  in_prefix $arch wine wineboot
done
. "$root/scripts/wine-env.sh"
# A tiny file system for the full-disk test; where mounting is not allowed
# (no root, a restricted container) that test skips and says so.
small=$QUORVEL_BUILD/small-disk
mkdir -p "$small"
if mountpoint -q "$small" || mount -t tmpfs -o size=256k tmpfs "$small" 2>/dev/null; then
  export QUORVEL_SMALL_DISK=$small
fi
ctest --test-dir "$QUORVEL_BUILD" --output-on-failure --timeout 600 "$@"
rc=$?
mountpoint -q "$small" && umount "$small"
for arch in win32 win64; do in_prefix $arch wineserver -k; done
exit $rc
