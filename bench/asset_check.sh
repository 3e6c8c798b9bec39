#!/bin/bash
# The asset-object check with local SHA-1 verification against sha1sum over
# the same files, in one run.
#
# Run (after scripts/build.sh): bash bench/asset_check.sh
# Environment: QUORVEL_BUILD (default build/), ROUNDS (default 7).
#
# bench_asset_check.exe writes 3,000 objects sized like the 1.12 index once;
# then every round runs, in turn, each of these as a whole process:
#   the check: CheckAssetObjects with local SHA-1 verification under Wine,
#     which hashes on min(cores, 4) threads (one below 64 files);
#   the same check pinned to one core (taskset), to show what its threads buy;
#   the check without verification (the index and the presence of the files:
#     what is left is the cost of hashing);
#   sha1sum over the same files, one process at a time;
#   sha1sum at the check's parallelism: as many processes, each on its share.
# Each row prints the best and the median of the rounds and the ratios of its
# median to the medians of both sha1sum rows (below 1 is faster); the checks'
# own clocks (from the manager's creation to the check's end) beside. One
# object holds a wrong byte: every round of every verifying tool must report
# exactly that one and hash all 3,000 (the check without verification: none
# missing), or the row says FAILED.
#
# Where the check's time goes under Wine (8-core machine, Wine 8, 3,000 files
# of 327 MB, one process, best of rounds): finding the files takes 15 ms;
# opening and closing them 80 ms, two round trips a file to the
# single-threaded wineserver (create_file, close_handle); the first read
# 35 ms more (get_handle_fd, the file's Unix descriptor); the reads 45 ms;
# hashing (SHA-NI, about 1.5 GB/s a thread) 210 ms: 0.37 s in all on one
# thread. Four threads take as long: ntdll holds one lock of the process
# (its descriptor cache) across the get_handle_fd and close_handle round
# trips, and the threads queue on it, while hashing in memory alone goes from
# 213 to 60-100 ms on four threads. Within one process that makes about
# 0.12 s (open, descriptor, close) the floor and the sum above the usual
# figure; sha1sum in four processes shares no such lock. Opening without the
# attribute lookup and hashing without seeks took seven of about thirty
# system calls a file away (3-5 %).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
build=${QUORVEL_BUILD:-$root/build}
export QUORVEL_BUILD=$build
rounds=${ROUNDS:-7}
exe=$build/bench/bench_asset_check.exe
[ -x "$exe" ] || { echo "build first: bash scripts/build.sh ($exe is missing)"; exit 1; }
tree=$build/bench/asset-tree
objects=$tree/.minecraft/assets/objects
outputs=$(mktemp -d)
clean_up() { stop_wineserver; rm -rf "$tree" "$outputs"; }
trap clean_up EXIT
start_wineserver "$root"

rm -rf "$tree"
mkdir -p "$tree"
made=$("$root/scripts/wine-run.sh" "$exe" --build "Z:$tree" 2>&1 | tr -d '\r')
bad=$(echo "$made" | sed -n 's/.* bad=\([0-9a-f]*\).*/\1/p')
count=$(echo "$made" | sed -n 's/^objects=\([0-9]*\) .*/\1/p')
bytes=$(echo "$made" | sed -n 's/.* bytes=\([0-9]*\) .*/\1/p')
[ -n "$bad" ] || { echo "the tree was not written: $made"; exit 1; }
cores=$(nproc)
parallel=$((cores < 4 ? cores : 4))

tools=(check)
command -v taskset >/dev/null && tools+=(check1)
tools+=(presence sha1sum sha1sumP)

# run_tool TOOL OUTPUT: one run; the check's line or sha1sum's lines go to OUTPUT.
run_tool() {
  local tool=$1 out=$2
  case $tool in
    check) "$root/scripts/wine-run.sh" "$exe" "Z:$tree" ;;
    check1) taskset -c 0 "$root/scripts/wine-run.sh" "$exe" "Z:$tree" ;;
    presence) "$root/scripts/wine-run.sh" "$exe" --no-verify "Z:$tree" ;;
    sha1sum) (cd "$objects" && find . -type f -print0 | xargs -0 sha1sum) ;;
    # Each process writes a file of its own: lines of processes sharing one
    # pipe could interleave.
    sha1sumP) (cd "$objects" && find . -type f -print0 |
                 xargs -0 -P "$parallel" -n $(((count + parallel - 1) / parallel)) \
                   sh -c 'exec sha1sum "$@" > "$0.$$"' "$out.part"; cat "$out".part.*) ;;
  esac >"$out" 2>/dev/null
}

# right TOOL OUTPUT: exactly the bad object reported (none without verification)
right() {
  case $1 in
    check|check1) [ "$(tr -d '\r' < "$2" | sed -n 's/^seconds=[0-9.]* //p')" = "missing=1 $bad" ] ;;
    presence) tr -d '\r' < "$2" | grep -q '^seconds=[0-9.]* missing=0$' ;;
    *) [ "$(awk -v n="$count" '{k = $2; sub(/.*\//, "", k)} $1 != k {w = w " " k} END {print NR == n ? "all" w : "not all"}' \
             "$2")" = "all $bad" ] ;;
  esac
}

declare -A times own good
for tool in "${tools[@]}"; do times[$tool]=; own[$tool]=; good[$tool]=0; done
for round in $(seq "$rounds"); do
  for tool in "${tools[@]}"; do
    out=$outputs/$tool-$round
    start=$EPOCHREALTIME
    run_tool "$tool" "$out" || true
    end=$EPOCHREALTIME
    times[$tool]+=" $(echo "$end - $start" | bc -l)"
    [[ $tool == sha1sum* ]] || own[$tool]+=" $(tr -d '\r' < "$out" | sed -n 's/^seconds=\([0-9.]*\) .*/\1/p')"
    right "$tool" "$out" && good[$tool]=$((good[$tool] + 1))
    rm -f "$out" "$out".part.*
  done
done

read -r _ one <<<"$(best_and_median ${times[sha1sum]})"
read -r _ many <<<"$(best_and_median ${times[sha1sumP]})"
echo "asset objects: $count files, $((bytes / 1000000)) MB, page cache warm; $cores cores;" \
  "$rounds interleaved rounds, each tool timed as a whole process"
header 42 sha1sum "sha1sum -P$parallel" "every round's result"
declare -A labels=([check]="check, verifying (Wine)" [check1]="check, verifying, one core (taskset -c 0)"
                   [presence]="check, presence only (Wine)" [sha1sum]="sha1sum, one process at a time"
                   [sha1sumP]="sha1sum, $parallel processes (xargs -P$parallel)")
for tool in "${tools[@]}"; do
  row 42 "${labels[$tool]}" "${times[$tool]}" "${own[$tool]}" "${good[$tool]}" "$one" "$many"
done
