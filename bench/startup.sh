#!/bin/bash
# The launcher's start-up against Wine's own notepad, in one run.
#
# Run (after scripts/build.sh): bash bench/startup.sh
# Environment: QUORVEL_BUILD (default build/), ROUNDS (default 9), LAUNCHER_EXE
# (another build of the launcher to time, say an older one; default the
# build's own).
#
# Every round starts, in turn, the launcher and notepad from a watcher
# program under the same Wine server (bench_screen_watch.exe, which looks at
# the screen as a person does) and times, from its CreateProcess:
#   the first picture: the first time the program's main window shows
#     anything but one flat colour;
#   settled: the last change of that window's picture, once it has stayed
#     the same for 0.7 s;
# and says how much of the first picture was the finished one (the share of
# its pixels that the settled picture shows the same) and how much of it was
# black. The launcher runs from a folder of its own with the real settings
# file it writes, its built-in background, a game folder of the real test
# data's versions (as scripts/run.sh makes it) and a Java registered, so it
# opens without notices; its update check and server addresses point at a
# closed port on this machine. Notepad opens a short text file. Each row
# gives the best and the median of the rounds and the ratio of its median to
# notepad's (below 1 is faster). The Wine prefix is the benchmarks' own
# (build/wine/prefix-bench), made on the first run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
window_bench "$@"
rounds=${ROUNDS:-9}
bench_folder "$root" startup "$launcher"
cp "$launcher" "$work/"
python3 - "$work" "$root/../shared/testdata/real" <<'PY'
import json, os, shutil, sys
work, data = sys.argv[1], sys.argv[2]
versions = os.path.join(work, ".minecraft", "versions")
os.makedirs(versions)
official = os.path.join(data, "versions", "official")
if os.path.isdir(official):
    for name in sorted(os.listdir(official)):
        vid = name[:-len(".json")]
        os.makedirs(os.path.join(versions, vid))
        shutil.copy(os.path.join(official, name), os.path.join(versions, vid, vid + ".json"))
else:
    os.makedirs(os.path.join(versions, "1.7.10"))
    with open(os.path.join(versions, "1.7.10", "1.7.10.json"), "w") as out:
        json.dump({"id": "1.7.10", "type": "release", "releaseTime": "2014-06-26T00:00:00+00:00",
                   "minecraftArguments": "--username ${auth_player_name}", "mainClass": "x", "libraries": []}, out)
folder = os.path.join(work, "quorvel_launcher")
os.makedirs(folder)
with open(os.path.join(folder, "setting.json"), "wb") as out:
    settings = {"game_ver": "1.7.10", "user_type": "offline", "offline_name": "Player"}
    out.write(b"\xff\xfe" + json.dumps(settings, ensure_ascii=False, indent=2).encode("utf-16-le"))
closed = "http://127.0.0.1:9"
with open(os.path.join(work, "endpoints.json"), "w") as out:
    json.dump({k: closed for k in ("version_manifest", "libraries", "assets", "legacy_store", "forge_maven",
                                   "mirror_maven", "mirror", "liteloader", "update", "authentication")}, out)
with open(os.path.join(work, "notes.txt"), "w") as out:
    out.write("".join("line %d of a short text file\r\n" % i for i in range(12)))
PY
dos() { winepath -w "$1" 2>/dev/null; }
export QUORVEL_ENDPOINTS=$(dos "$work/endpoints.json")
outputs=$(mktemp -d)
clean_up() { stop_wineserver; rm -rf "$outputs"; }
trap clean_up EXIT
start_wineserver "$root"
register_fake_java "$work"

wine_watch() { wine "$watch" "$@" 2>/dev/null | tr -d '\r'; }
run_tool() {
  case $1 in
    launcher) wine_watch startup QuorvelLauncher "$(dos "$work")" "$(dos "$work/QuorvelLauncher.exe")" ;;
    notepad) wine_watch startup Notepad "$(dos "$work")" 'C:\windows\system32\notepad.exe' "$(dos "$work/notes.txt")" ;;
  esac
}
field() { sed -n "s/.*\b$1=\([-0-9.]*\).*/\1/p" <<<"$2"; }

tools=(launcher notepad)
declare -A first settled finished dark good
for tool in "${tools[@]}"; do first[$tool]=; settled[$tool]=; finished[$tool]=; dark[$tool]=; good[$tool]=0; done
run_tool launcher >/dev/null || true  # warms the page cache and the font cache
run_tool notepad >/dev/null || true
for round in $(seq "$rounds"); do
  for tool in "${tools[@]}"; do
    out=$(run_tool "$tool" || true)
    if [ -z "$(field settled "$out")" ]; then echo "  round $round, $tool: $out" >&2; continue; fi
    first[$tool]+=" $(field first_picture "$out")"
    settled[$tool]+=" $(field settled "$out")"
    finished[$tool]+=" $(field finished "$out")"
    dark[$tool]+=" $(field dark "$out")"
    good[$tool]=$((good[$tool] + 1))
  done
done

echo "start-up under Wine, warm wineserver and page cache, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg);"
echo "$rounds interleaved rounds; seconds from CreateProcess, as seen on the screen"
read -r _ notepad_first <<<"$(best_and_median ${first[notepad]})"
read -r _ notepad_settled <<<"$(best_and_median ${settled[notepad]})"
printf "  %-30s %8s %8s %9s %8s %8s %9s %10s %7s\n" "" "first" "" "" "settled" "" "" "first pic" "first"
printf "  %-30s %8s %8s %9s %8s %8s %9s %10s %7s\n" "" "best s" "median s" "/notepad" "best s" "median s" \
  "/notepad" "finished" "black"
declare -A labels=([launcher]="QuorvelLauncher.exe" [notepad]="notepad.exe (Wine's own)")
for tool in "${tools[@]}"; do
  [ "${good[$tool]}" -gt 0 ] || { printf "  %-30s FAILED in every round\n" "${labels[$tool]}"; continue; }
  read -r fb fm <<<"$(best_and_median ${first[$tool]})"
  read -r sb sm <<<"$(best_and_median ${settled[$tool]})"
  read -r _ fin <<<"$(best_and_median ${finished[$tool]})"
  read -r _ blk <<<"$(best_and_median ${dark[$tool]})"
  printf "  %-30s %8.3f %8.3f %9s %8.3f %8.3f %9s %9.0f%% %6.0f%%  (%d/%d rounds)\n" "${labels[$tool]}" "$fb" "$fm" \
    "$(ratio "$fm" "$notepad_first")" "$sb" "$sm" "$(ratio "$sm" "$notepad_settled")" \
    "$(echo "$fin * 100" | bc -l)" "$(echo "$blk * 100" | bc -l)" "${good[$tool]}" "$rounds"
done
