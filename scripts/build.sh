#!/usr/bin/env bash
# Sets up the toolchain and dependencies (cached outside the work tree),
# then configures and builds the launcher, the tools and the tests.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${QUORVEL_BUILD:-$root/build}
prefix=$(bash "$root/scripts/deps-build.sh" --no-wine | tail -n 1)
export QUORVEL_BUILD=$build
# The tests' own prefixes of earlier checkouts (now copied per entry from the templates).
rm -rf "$build"/wine/prefix-ui* "$build"/wine/home-ui* "$build/wine/prefix-e2e" "$build/wine/home-e2e"
# The private Wine prefixes (32- and 64-bit), then the templates the tests'
# prefixes are copied from: they need only Wine, and are made while the build runs.
prefixes() {
  bash "$root/scripts/wine-prefix.sh" &
  local p32=$!
  QUORVEL_WINEARCH=win64 bash "$root/scripts/wine-prefix.sh" &
  wait $! && wait $p32 &&
    bash "$root/scripts/test-prefix.sh" 96 >/dev/null && bash "$root/scripts/test-prefix.sh" 144 >/dev/null &&
    QUORVEL_WINEARCH=win64 bash "$root/scripts/test-prefix.sh" 96 >/dev/null
}
prefixes &
prefixes=$!
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
      -DDEPS_PREFIX="$prefix" >/dev/null
cmake --build "$build" -j "$(nproc)"
wait $prefixes || { echo "build.sh: the Wine prefixes the tests need could not be made (said above)" >&2; exit 1; }
