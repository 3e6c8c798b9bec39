#!/usr/bin/env bash
# Runs ctest with one persistent wineserver for the whole run. The server is
# started detached from our pipes: a wineserver that inherits ctest's output
# pipe keeps every test waiting for it to close.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/wine-env.sh"
wineserver -p </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1
ctest --test-dir "$QUORVEL_BUILD" --output-on-failure --timeout 600 "$@"
rc=$?
wineserver -k </dev/null >/dev/null 2>&1
exit $rc
