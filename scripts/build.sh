#!/usr/bin/env bash
# Sets up the toolchain and dependencies (cached outside the work tree),
# then configures and builds the launcher, the tools and the tests.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUORVEL_BUILD:-$root/build}
prefix=$(bash "$root/scripts/deps-build.sh" --no-wine | tail -n 1)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
      -DDEPS_PREFIX="$prefix" >/dev/null
cmake --build "$build" -j "$(nproc)"
bash "$root/scripts/wine-prefix.sh"
QUORVEL_WINEARCH=win64 bash "$root/scripts/wine-prefix.sh"
