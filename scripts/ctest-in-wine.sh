#!/usr/bin/env bash
# Runs ctest with as many entries side by side as the machine has cores
# (QUORVEL_TEST_JOBS chooses another number). Each entry brings its own Wine
# prefix, display and wineserver (scripts/wine-test.sh), so no entry waits
# for another's. Arguments go to ctest, e.g. -R 'ui_tests_dpi96'.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/wine-env.sh"
exec ctest --test-dir "$QUORVEL_BUILD" --output-on-failure --timeout 600 -j "${QUORVEL_TEST_JOBS:-$(nproc)}" "$@"
