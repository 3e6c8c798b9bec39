#!/usr/bin/env bash
# Sets up, builds and starts the launcher under Wine from its own folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh"
exe="$root/build/app/QuorvelLauncher.exe"
file "$exe" 2>/dev/null || true
echo "Built $exe."
echo "The launcher window is not there yet: its start-up code has not been written, so nothing is started."
