#!/bin/bash
# The asset-object check with local SHA-1 verification, against sha1sum over
# the same files, both measured in this run. Prints sha1sum time / check time:
# 1.0 is as fast as sha1sum.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORVEL_BUILD:-$root/build}
tree=$build/bench/asset-tree
rm -rf "$tree"
mkdir -p "$tree"

out=$("$root/scripts/wine-run.sh" "$build/bench/bench_asset_check.exe" "Z:$tree" 2>&1 | tr -d "\r")
echo "$out" | grep -v '^seconds='
launcher=$(echo "$out" | sed -n 's/^seconds=//p')
[ -n "$launcher" ] || { echo "the check did not run"; exit 1; }

best=
for _ in 1 2 3 4 5 6; do
  start=$(date +%s.%N)
  (cd "$tree/.minecraft/assets/objects" && find . -type f -print0 | xargs -0 sha1sum > /dev/null)
  end=$(date +%s.%N)
  t=$(echo "$end - $start" | bc -l)
  if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
done
printf 'sha1sum over the same files: best of 6 %.1f ms\n' "$(echo "$best * 1000" | bc -l)"
printf 'ratio (sha1sum time / check time): %.2f\n' "$(echo "$best / $launcher" | bc -l)"
rm -rf "$tree"
