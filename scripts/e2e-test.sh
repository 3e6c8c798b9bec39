#!/usr/bin/env bash
# Runs the end-to-end journeys of the real QuorvelLauncher.exe (tests/e2e/)
# on an Xvfb display of its own, in a Wine prefix of its own (the launcher
# writes into the registry, the desktop and the user's folders there; see
# scripts/wine-test.sh), under a hard time limit.
# Usage: e2e-test.sh SECONDS [run_e2e.py options]
# QUORVEL_E2E_SCREEN (WxHxD) chooses the display's size, 1280x1024x24 by default.
set -uo pipefail
limit=$1
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
build=${QUORVEL_BUILD:-$root/build}
module=journeys
args=("$@")
for i in "${!args[@]}"; do [ "${args[$i]}" = --module ] && module=${args[$((i + 1))]:-$module}; done
export QUORVEL_TEST_NAME=${QUORVEL_TEST_NAME:-e2e-$module}
exec bash "$here/wine-test.sh" --dpi 96 --seconds "$limit" --screen "${QUORVEL_E2E_SCREEN:-1280x1024x24}" \
  "${QUORVEL_PYTHON:-/usr/bin/python3}" "$root/tests/e2e/run_e2e.py" --build "$build" --source "$root" "$@"
