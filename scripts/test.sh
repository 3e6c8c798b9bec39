#!/usr/bin/env bash
# Sets up, builds and runs every test under Wine; each test entry runs on a
# virtual display of its own (scripts/wine-test.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh"
exec bash "$root/scripts/ctest-in-wine.sh" "$@"
