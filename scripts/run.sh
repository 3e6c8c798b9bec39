#!/usr/bin/env bash
# Sets up and builds everything, then starts the real launcher under Wine, in
# a private prefix, from a folder of its own (build/run/) whose game folder
# holds versions from the real test data beside the checkout: on the caller's
# display when there is one, otherwise on a virtual display. Either way a
# screenshot of the main window is saved, and where is said.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh"
build=${QUORVEL_BUILD:-$root/build}
export QUORVEL_WINEPREFIX=$build/wine/prefix-run
export QUORVEL_WINEHOME=$build/wine/home-run
. "$root/scripts/wine-env.sh"
bash "$root/scripts/wine-prefix.sh"
python=${QUORVEL_PYTHON:-/usr/bin/python3}
args=(--build "$build" --testdata "$root/../shared/testdata/real")
if [ -n "${DISPLAY:-}" ]; then
  exec "$python" "$root/scripts/run-launcher.py" "${args[@]}"
fi
echo "No display: the launcher runs on a virtual one and is closed after the screenshot."
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$python" "$root/scripts/run-launcher.py" "${args[@]}" --virtual
