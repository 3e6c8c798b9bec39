#!/usr/bin/env bash
# Sets up, builds and runs every test under Wine, inside a virtual display.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh"
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$root/scripts/ctest-in-wine.sh" "$@"
