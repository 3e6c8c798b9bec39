#!/bin/bash
# Long lists in a real window: 菜单 → 原版下载 until the version list has
# settled, with 5,000 versions against the real 907, and the wheel over the
# long list against Wine's own notepad holding the same 5,000 lines, in one
# run.
#
# Run (after scripts/build.sh): bash bench/list.sh
# Environment: QUORVEL_BUILD (default build/), ROUNDS (default 7), NOTCHES
# (default 100), NOTCH_MS (default 20: 50 notches a second, a fast spin),
# LAUNCHER_EXE (another build of the launcher to time; default the build's own).
#
# Two launchers run side by side, each from a folder of its own whose server
# addresses point at a local HTTP server: one is offered the real version
# manifest (907 versions, ../shared/testdata/real), the other a manifest of
# 5,000 (the real ones and made-up ones after them). Their main windows are
# told apart by their titles. notepad holds a text file with one line per
# version of the 5,000, in a window of the list dialog's size. Every round,
# in turn, for each launcher: the watcher (bench_screen_watch.exe, which
# looks at the screen as a person does) clicks 菜单 and 原版下载 and times,
# from the click, until the list's window has stayed unchanged for 0.7 s;
# then turns the wheel NOTCHES times over the list, one notch every NOTCH_MS,
# counting the changes of a strip of the list on the screen (frames), the
# time from the last notch to the last change (lag) and the CPU the
# launcher's process used meanwhile; then closes the dialog. notepad's edit
# control gets the same wheel. The first opening of each list fetches it
# from the server and is not counted; later openings fill the list from
# the list the dialog keeps, as a player's do. Rows give the best and the
# median of the rounds and the ratio of the median to the reference's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
window_bench "$@"
rounds=${ROUNDS:-7}
notches=${NOTCHES:-100}
notch_ms=${NOTCH_MS:-20}
real=$root/../shared/testdata/real/manifest/version_manifest.json  # the real test data beside the checkout
bench_folder "$root" list "$launcher" "$real"
ports=$(python3 -c 'import socket
s=[socket.socket() for _ in range(2)]
[x.bind(("127.0.0.1", 0)) for x in s]
print(" ".join(str(x.getsockname()[1]) for x in s))')
read -r port907 port5000 <<<"$ports"
python3 - "$work" "$real" "$port907" "$port5000" <<'PY'
import json, os, shutil, sys
work, real, p907, p5000 = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
manifest = json.load(open(real, encoding="utf-8"))
many = dict(manifest, versions=list(manifest["versions"]))
n = 0
while len(many["versions"]) < 5000:
    n += 1
    many["versions"].append({"id": "0.%d.%d-bench" % (n // 100, n % 100), "type": "old_alpha",
                             "url": "http://127.0.0.1/none.json", "time": "2009-05-16T11:48:00+00:00",
                             "releaseTime": "2009-05-16T11:48:00+00:00"})
for count, data, port in (("907", manifest, p907), ("5000", many, p5000)):
    folder = os.path.join(work, count)
    os.makedirs(os.path.join(folder, "site", "mc", "game"))
    os.makedirs(os.path.join(folder, ".minecraft", "versions", "1.7.10"))
    with open(os.path.join(folder, ".minecraft", "versions", "1.7.10", "1.7.10.json"), "w") as out:
        json.dump({"id": "1.7.10", "type": "release", "releaseTime": "2014-06-26T00:00:00+00:00",
                   "minecraftArguments": "--username ${auth_player_name}", "mainClass": "x", "libraries": []}, out)
    with open(os.path.join(folder, "site", "mc", "game", "version_manifest.json"), "w", encoding="utf-8") as out:
        json.dump(data, out)
    os.makedirs(os.path.join(folder, "quorvel_launcher"))
    settings = {"mainframe_title": "TRELM bench %s" % count, "game_ver": "1.7.10", "user_type": "offline",
                "offline_name": "Player", "bmclapi": False}
    with open(os.path.join(folder, "quorvel_launcher", "setting.json"), "wb") as out:
        out.write(b"\xff\xfe" + json.dumps(settings, ensure_ascii=False).encode("utf-16-le"))
    base = "http://127.0.0.1:%d" % port
    closed = "http://127.0.0.1:9"
    with open(os.path.join(folder, "endpoints.json"), "w") as out:
        json.dump({k: (base if k in ("version_manifest", "mirror") else closed)
                   for k in ("version_manifest", "libraries", "assets", "legacy_store", "forge_maven",
                             "mirror_maven", "mirror", "liteloader", "update", "authentication")}, out)
with open(os.path.join(work, "versions.txt"), "w", encoding="utf-8") as out:
    out.write("".join("%s\t%s\t%s\r\n" % (v["id"], v["type"], v.get("releaseTime", "")) for v in many["versions"]))
PY
for count in 907 5000; do cp "$launcher" "$work/$count/QuorvelLauncher.exe"; done
dos() { winepath -w "$1" 2>/dev/null; }
servers=()
outputs=$(mktemp -d)
clean_up() {
  for title in "TRELM - 原版下载" "TRELM bench 907" "TRELM bench 5000" "versions.txt - 记事本" "versions.txt - Notepad"; do
    wine "$watch" close "$title" >/dev/null 2>&1 || true
  done
  for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; done
  stop_wineserver
  rm -rf "$outputs"
}
trap clean_up EXIT
python3 -m http.server --bind 127.0.0.1 --directory "$work/907/site" "$port907" >/dev/null 2>&1 & servers+=($!)
python3 -m http.server --bind 127.0.0.1 --directory "$work/5000/site" "$port5000" >/dev/null 2>&1 & servers+=($!)
start_wineserver "$root"
register_fake_java "$work"
for count in 907 5000; do
  (cd "$work/$count" && QUORVEL_ENDPOINTS=$(dos "$work/$count/endpoints.json") \
     wine "$(dos "$work/$count/QuorvelLauncher.exe")" >/dev/null 2>&1 &)
done
(cd "$work" && wine notepad.exe "$(dos "$work/versions.txt")" >/dev/null 2>&1 &)

wine_watch() { wine "$watch" "$@" 2>/dev/null | tr -d '\r'; }
field() { sed -n "s/.*\b$1=\([-0-9.]*\).*/\1/p" <<<"$2"; }
list_title="TRELM - 原版下载"
# The menu: 5 items 24 high, 2 separators 5 high, 2 pixels around; 原版下载 is the first.
open_list() { wine_watch openlist "TRELM bench $1" "$list_title" -106 14 134 14; }
scroll() { wine_watch scroll "$1" 200 200 "$notches" "$notch_ms" "$2"; }
# notepad's title follows the system's language
notepad_title=$(wine_watch place "versions.txt - 记事本" 690 20 570 388 >/dev/null && echo "versions.txt - 记事本" ||
                { wine_watch place "versions.txt - Notepad" 690 20 570 388 >/dev/null &&
                  echo "versions.txt - Notepad"; } || true)
[ -n "$notepad_title" ] || { echo "notepad did not open"; exit 1; }
# Side by side, so that a click meant for one never lands on the other.
wine_watch place "TRELM bench 907" 0 0 0 0 >/dev/null || { echo "the launcher of 907 did not open"; exit 1; }
wine_watch place "TRELM bench 5000" 0 540 0 0 >/dev/null || { echo "the launcher of 5000 did not open"; exit 1; }
for count in 907 5000; do  # the first opening fetches the list
  open_list "$count" >/dev/null || true
  wine_watch close "$list_title" >/dev/null || true
done

declare -A fill fps lag cpu good
for key in l907 l5000 s5000 snotepad; do fill[$key]=; fps[$key]=; lag[$key]=; cpu[$key]=; good[$key]=0; done
for round in $(seq "$rounds"); do
  direction=down; [ $((round % 2)) -eq 0 ] && direction=up  # notepad keeps its place
  for count in 907 5000; do
    out=$(open_list "$count" || true)
    if [ -n "$(field settled "$out")" ]; then
      fill[l$count]+=" $(field settled "$out")"; good[l$count]=$((good[l$count] + 1))
    else
      echo "  round $round, list of $count: $out" >&2
    fi
    if [ "$count" = 5000 ]; then
      out=$(scroll "$list_title" down || true)  # a new dialog: from the top
      [ -n "${BENCH_VERBOSE:-}" ] && echo "  raw: $out" >&2
      if [ -n "$(field fps "$out")" ]; then
        fps[s5000]+=" $(field fps "$out")"; lag[s5000]+=" $(field lag "$out")"; cpu[s5000]+=" $(field cpu "$out")"
        good[s5000]=$((good[s5000] + 1))
      else
        echo "  round $round, wheel over 5000: $out" >&2
      fi
    fi
    wine_watch close "$list_title" >/dev/null || true
  done
  out=$(scroll "$notepad_title" "$direction" || true)
  if [ -n "$(field fps "$out")" ]; then
    fps[snotepad]+=" $(field fps "$out")"; lag[snotepad]+=" $(field lag "$out")"; cpu[snotepad]+=" $(field cpu "$out")"
    good[snotepad]=$((good[snotepad] + 1))
  else
    echo "  round $round, wheel over notepad: $out" >&2
  fi
done

echo "long lists under Wine, warm wineserver, $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg);"
echo "$rounds interleaved rounds (the first, fetching opening of each list not counted)"
echo
echo "菜单 → 原版下载 until the list has settled (seconds from the click on 原版下载, as seen on the screen):"
read -r _ ref <<<"$(best_and_median ${fill[l907]})"
printf "  %-34s %8s %8s %10s\n" "" "best s" "median s" "/907 rows"
for count in 907 5000; do
  [ "${good[l$count]}" -gt 0 ] || { printf "  %-34s FAILED in every round\n" "$count versions"; continue; }
  read -r b m <<<"$(best_and_median ${fill[l$count]})"
  printf "  %-34s %8.3f %8.3f %10s  (%d/%d rounds)\n" "$count versions" "$b" "$m" "$(ratio "$m" "$ref")" \
    "${good[l$count]}" "$rounds"
done
echo
echo "$notches wheel notches, one every $notch_ms ms, over 5,000 lines (medians; frames seen on the screen):"
printf "  %-34s %9s %9s %9s %12s %12s\n" "" "frames/s" "lag s" "CPU" "fps/notepad" "lag/notepad"
read -r _ nfps <<<"$(best_and_median ${fps[snotepad]:-0})"
read -r _ nlag <<<"$(best_and_median ${lag[snotepad]:-0})"
declare -A labels=([s5000]="the launcher's version list" [snotepad]="notepad.exe (Wine's own)")
for key in s5000 snotepad; do
  [ "${good[$key]}" -gt 0 ] || { printf "  %-34s FAILED in every round\n" "${labels[$key]}"; continue; }
  read -r _ f <<<"$(best_and_median ${fps[$key]})"
  read -r _ l <<<"$(best_and_median ${lag[$key]})"
  read -r _ c <<<"$(best_and_median ${cpu[$key]})"
  printf "  %-34s %9.1f %9.3f %8.0f%% %12s %12s  (%d/%d rounds)\n" "${labels[$key]}" "$f" "$l" \
    "$(echo "$c * 100" | bc -l)" "$(ratio "$f" "$nfps")" "$(ratio "$l" "$nlag")" "${good[$key]}" "$rounds"
done
