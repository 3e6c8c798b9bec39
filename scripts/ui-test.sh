#!/usr/bin/env bash
# Runs one UI test binary on an Xvfb display of its own, in a Wine prefix of
# its own (made once per DPI, with the font replacements) whose screen has the
# given DPI, under a hard time limit. Usage: ui-test.sh DPI SECONDS EXE [ARGS]
# With QUORVEL_WINEARCH=win64 the prefix is a 64-bit Windows (prefix-uiDPI-64),
# where the program runs under WOW64.
set -uo pipefail
dpi=$1 limit=$2
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${QUORVEL_BUILD:-$(cd "$here/.." && pwd)/build}
bits=""; [ "${QUORVEL_WINEARCH:-win32}" = win64 ] && bits=-64
export QUORVEL_WINEPREFIX=$build/wine/prefix-ui$dpi$bits
export QUORVEL_WINEHOME=$build/wine/home-ui$dpi$bits
. "$here/wine-env.sh"
bash "$here/wine-prefix.sh" || exit 1
if [ ! -e "$WINEPREFIX/.quorvel-dpi-$dpi" ]; then
  # The screen DPI is read when the wineserver starts. Xvfb runs no window
  # manager: Wine would wait two seconds for one at every hidden window.
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.quorvel-dpi-$dpi"
fi
export QUORVEL_UI_DPI=$dpi
# The wineserver of this prefix (and Wine's desktop process with it) ends
# with the run, so nothing keeps the display or ctest's pipes open.
timeout -k 10 "$limit" xvfb-run -a -s "-screen 0 1024x768x24" \
  sh -c 'wine "$@" </dev/null; rc=$?; wineserver -k; exit $rc' ui-test "$@"
