#!/usr/bin/env bash
# Runs one test command in a Wine prefix, on an Xvfb display and with a
# wineserver of its own, under a hard time limit. Nothing of one entry (its
# registry, user folders, temporary files, Wine desktop, windows on the
# screen, small disk) is seen by another, so ctest runs them side by side.
# Usage: wine-test.sh [--dpi N] [--seconds S] [--screen WxHxD] COMMAND [ARGS]
#   e.g. wine-test.sh wine build/tests/core/core_tests.exe --gtest_filter=Sha1*
# The prefix is copied from the template of its kind (scripts/test-prefix.sh:
# 32-bit, or 64-bit with QUORVEL_WINEARCH=win64, at the given DPI) at every
# run into build/wine/entries/NAME/; it is left there for a look when the
# run fails. NAME is QUORVEL_TEST_NAME (ctest sets the entry's name), by hand
# the program's name.
set -uo pipefail
dpi=96 limit=540 screen=1280x1024x24
while [ $# -gt 0 ]; do
  case $1 in
    --dpi) dpi=$2; shift 2 ;;
    --seconds) limit=$2; shift 2 ;;
    --screen) screen=$2; shift 2 ;;
    *) break ;;
  esac
done
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
template=$(bash "$here/test-prefix.sh" "$dpi") || exit 1
bits=""; [ "${QUORVEL_WINEARCH:-win32}" = win64 ] && bits=-64
program=$1; [ "$program" = wine ] && program=${2:-wine}
name=${QUORVEL_TEST_NAME:-$(basename "$program" .exe)-dpi$dpi$bits}
entry=$(dirname "$template")/entries/$name
export QUORVEL_WINEPREFIX=$entry/prefix QUORVEL_WINEHOME=$entry/home
. "$here/wine-env.sh"
small=$entry/small-disk
# What a run that was killed may have left: its server, its small disk.
[ -d "$WINEPREFIX" ] && wineserver -k >/dev/null 2>&1
mountpoint -q "$small" 2>/dev/null && umount "$small"
rm -rf "$entry"
# Copied under a shared lock: test-prefix.sh remakes a template only under its own.
flock -s "$template.lock" bash "$here/wine-clone.sh" "$template/prefix" "$template/home" "$WINEPREFIX" "$HOME" || exit 1
# A tiny file system for the full-disk test; where mounting is not allowed
# (no root, a restricted container) that test skips and says so.
unset QUORVEL_SMALL_DISK
mkdir -p "$small"
mount -t tmpfs -o size=256k tmpfs "$small" 2>/dev/null && export QUORVEL_SMALL_DISK=$small
export QUORVEL_PREFIX_DPI=$dpi
# Started apart from our pipes: a wineserver that inherits ctest's output
# pipe keeps ctest waiting for it to close. It ends with the run, and with it
# every process of the prefix (Wine's desktop process among them).
end() {
  wineserver -k >/dev/null 2>&1
  wineserver -w
  mountpoint -q "$small" && umount "$small"
}
run=
trap 'kill -TERM -- -$run 2>/dev/null; end; exit 143' TERM INT HUP
wineserver -p </dev/null >/dev/null 2>&1
# In a process group of its own (timeout makes one), ended whole at the limit.
timeout -k 10 "$limit" bash "$here/with-display.sh" "$screen" "$@" </dev/null &
run=$!
wait $run
rc=$?
[ $rc = 124 ] && echo "wine-test.sh: $name did not end within $limit s" >&2
end
# 77: ctest's "skipped"
if [ $rc = 0 ] || [ $rc = 77 ]; then rm -rf "$entry"; else echo "wine-test.sh: its prefix is kept in $entry" >&2; fi
exit $rc
