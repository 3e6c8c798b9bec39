#!/usr/bin/env bash
# Runs one UI test binary on a display of its own (1024x768), in a Wine
# prefix of its own whose screen has the given DPI (scripts/wine-test.sh),
# under a hard time limit. Usage: ui-test.sh DPI SECONDS EXE [ARGS]
# With QUORVEL_WINEARCH=win64 the prefix is a 64-bit Windows, where the
# program runs under WOW64.
set -uo pipefail
dpi=$1 limit=$2
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bits=""; [ "${QUORVEL_WINEARCH:-win32}" = win64 ] && bits=-64
export QUORVEL_TEST_NAME=${QUORVEL_TEST_NAME:-$(basename "$1" .exe)-dpi$dpi$bits}
export QUORVEL_UI_DPI=$dpi
exec bash "$here/wine-test.sh" --dpi "$dpi" --seconds "$limit" --screen 1024x768x24 wine "$@"
