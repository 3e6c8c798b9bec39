#!/usr/bin/env bash
# Runs the end-to-end journeys of the real QuorvelLauncher.exe (tests/e2e/)
# on an Xvfb display of its own, in a Wine prefix of its own (the launcher
# writes into the registry, the desktop and the user's folders there), under
# a hard time limit. Usage: e2e-test.sh SECONDS [run_e2e.py options]
set -uo pipefail
limit=$1
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
build=${QUORVEL_BUILD:-$root/build}
export QUORVEL_WINEPREFIX=$build/wine/prefix-e2e
export QUORVEL_WINEHOME=$build/wine/home-e2e
. "$here/wine-env.sh"
bash "$here/wine-prefix.sh" || exit 1
# A server left by a run that was killed would still serve another display.
wineserver -k >/dev/null 2>&1
if [ ! -e "$WINEPREFIX/.quorvel-unmanaged" ]; then
  # Xvfb runs no window manager: Wine would wait for one at every window.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.quorvel-unmanaged"
fi
timeout -k 10 "$limit" xvfb-run -a -s "-screen 0 1280x1024x24" \
  "${QUORVEL_PYTHON:-/usr/bin/python3}" "$root/tests/e2e/run_e2e.py" --build "$build" --source "$root" "$@"
rc=$?
wineserver -k >/dev/null 2>&1
exit $rc
