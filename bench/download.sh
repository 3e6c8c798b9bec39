#!/bin/bash
# The download engine against curl over the same URLs, in one run.
#
# Run (after scripts/build.sh; as root on Debian it installs nginx-light and
# aria2 when they are missing):
#     bash bench/download.sh
# Environment: QUORVEL_BUILD (default build/), ROUNDS (default 5), SETS ("a
# b", the default, or one of them).
#
# It serves two sets from a private nginx on 127.0.0.1 (its own config, pid
# file and logs under the build folder; no system service is touched):
#   (a) 3,000 files of 1-30 KiB, like asset objects;
#   (b) 4 files of 50 MiB.
# and runs, per set: curl --parallel --parallel-max 16 (the reference) and 64
# (to show the server is not the limit); aria2c -j16 when it is there;
# curl.exe --parallel-max 16 under the same Wine prefix as the engine (curl's
# own tool on the libcurl the engine links, bin/curl.exe of the dependency
# prefix: the same platform); bench_download.exe (the engine under Wine, SHA-1
# of every file checked, as the launcher does) at 1, 8 and 16 workers and its
# default.
#
# Like with like: every tool is timed the same way, as a whole process from
# start to exit (Wine's start-up and shutdown are in the times of both Wine
# programs; the engine's own clock, from Start to the batch's end, is printed
# beside). The rounds are interleaved (each round runs every tool once, in the
# same order), so a drift of the machine lands on every tool alike. Each row
# prints the best and the median of the rounds, and the ratios of its median
# to the medians of native curl and of curl.exe: below 1 is faster. Every
# round's output is checked with sha1sum against the list, and the row says in
# how many rounds every file was there and right. Outputs go to a tmpfs.
#
# Where the engine's time goes (8-core machine, Wine 8): in set (b) the
# engine's own clock is close to curl's time once libcurl reads in 512 KiB
# pieces (the SHA-1 the engine checks and curl does not is about 15 % of
# it), and Wine's start and exit add about 80 ms to a run. Set (a) takes
# about 5 times native curl's time and 0.3 times curl.exe's under the same
# Wine, and that is Wine's sockets: the single-threaded wineserver runs at
# 100 % CPU, and each file costs 15-20 requests to it (WINEDEBUG=+server),
# about 12 of them libcurl's socket waits and polls (select, ioctl,
# event_op), whose count follows the timing; the rest open, name and close
# the file and receive and send. Fetching into memory (--memory) takes
# 85-90 % of the time of fetching to files. The claim scan, the per-task
# locks and the observer calls do not show. bench_download.exe --memory /
# --no-sha1 split the time this way.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
build=${QUORVEL_BUILD:-$root/build}
export QUORVEL_BUILD=$build
rounds=${ROUNDS:-5}
sets=${SETS:-a b}
exe=$build/bench/bench_download.exe
[ -x "$exe" ] || { echo "build first: bash scripts/build.sh ($exe is missing)"; exit 1; }
work=$build/bench/download
mkdir -p "$work"

# --- tools ------------------------------------------------------------------
install_quietly() {
  # No service may start from the package's scripts: a private policy-rc.d
  # says no for the length of the install when the machine has none.
  local made=""
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d && chmod 755 /usr/sbin/policy-rc.d && made=1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@" >/dev/null 2>&1 || true
  [ -n "$made" ] && rm -f /usr/sbin/policy-rc.d
  return 0
}
if [ "$(id -u)" = 0 ]; then
  missing=()
  command -v nginx >/dev/null || missing+=(nginx-light)
  command -v aria2c >/dev/null || missing+=(aria2)
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get update >/dev/null 2>&1 || true
    install_quietly "${missing[@]}"
  fi
fi

# --- data -------------------------------------------------------------------
www=$work/www
if [ ! -e "$www/.done" ]; then
  rm -rf "$www"
  python3 - "$www" <<'PY'
import hashlib, os, random, sys
www = sys.argv[1]
rng = random.Random(20261207)
def put(rel, data, listing):
    path = os.path.join(www, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    listing.append("%s %d %s" % (hashlib.sha1(data).hexdigest(), len(data), rel))
for name, count, low, high in (("a", 3000, 1024, 30 * 1024), ("b", 4, 50 << 20, 50 << 20)):
    listing = []
    for i in range(count):
        data = rng.randbytes(rng.randint(low, high))
        digest = hashlib.sha1(data).hexdigest()
        rel = "%s/%s/%s" % (name, digest[:2], digest) if name == "a" else "%s/big%d.bin" % (name, i)
        put(rel, data, listing)
    with open(os.path.join(www, name + ".list"), "w") as f:
        f.write("\n".join(listing) + "\n")
PY
  touch "$www/.done"
fi

# --- server -----------------------------------------------------------------
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
server_pid=
stop_server() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; server_pid=; }
trap stop_server EXIT
if command -v nginx >/dev/null; then
  server="nginx (sendfile, tcp_nodelay, 2 workers, keep-alive)"
  mkdir -p "$work/nginx/tmp"
  user_line=""; [ "$(id -u)" = 0 ] && user_line="user root;"
  cat > "$work/nginx/nginx.conf" <<CONF
$user_line
worker_processes 2;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  sendfile on;
  tcp_nodelay on;
  keepalive_requests 1000000;
  keepalive_timeout 60;
  default_type application/octet-stream;
  client_body_temp_path $work/nginx/tmp/body;
  proxy_temp_path $work/nginx/tmp/proxy;
  fastcgi_temp_path $work/nginx/tmp/fastcgi;
  uwsgi_temp_path $work/nginx/tmp/uwsgi;
  scgi_temp_path $work/nginx/tmp/scgi;
  server { listen 127.0.0.1:$port; root $www; }
}
CONF
  nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -g 'daemon on;'
  for _ in $(seq 50); do [ -s "$work/nginx/nginx.pid" ] && break; sleep 0.1; done
  server_pid=$(cat "$work/nginx/nginx.pid")
else
  # Without nginx: a threaded keep-alive Python server (Nagle off), which is
  # itself the bottleneck of set (a); say so in the output.
  server="Python ThreadingHTTPServer (nginx missing: the server limits set a)"
  python3 - "$www" "$port" <<'PY' &
import functools, sys
from http.server import SimpleHTTPRequestHandler, ThreadingHTTPServer
class Handler(SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True
    def log_message(self, *args): pass
ThreadingHTTPServer.daemon_threads = True
ThreadingHTTPServer(("127.0.0.1", int(sys.argv[2])), functools.partial(Handler, directory=sys.argv[1])).serve_forever()
PY
  server_pid=$!
fi
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$port/a.list" && break; sleep 0.1; done
base="http://127.0.0.1:$port"
echo "server: $server on $base"

# --- runs -------------------------------------------------------------------
# curl.exe comes from the dependency prefix the build was configured with.
prefix=$(sed -n 's/^DEPS_PREFIX:[A-Z]*=//p' "$build/CMakeCache.txt")
curl_exe=$prefix/bin/curl.exe
[ -f "$curl_exe" ] || echo "($curl_exe is missing: bash scripts/build.sh rebuilds the dependencies with it)"

# Outputs go to a tmpfs (BENCH_OUT, default /dev/shm/...), one folder per
# run, deleted once checked. On the disk they would measure the disk: here,
# deleting thousands of files makes ext4 slow to create new ones for a
# minute or more (its inode allocator walks over recently freed inodes),
# which charged each run for the clean-up of the one before.
runs=${BENCH_OUT:-/dev/shm/quorvel-download-bench-$$}
mkdir -p "$runs"
clean_up() { stop_server; stop_wineserver; rm -rf "$runs"; }
trap clean_up EXIT
start_wineserver "$root"
"$root/scripts/wine-run.sh" "$exe" >/dev/null 2>&1 || true   # the prefix is loaded before the first timed run

tools=(curl16 curl64)
command -v aria2c >/dev/null && tools+=(aria2)
[ -f "$curl_exe" ] && tools+=(curlexe)
tools+=(engine1 engine8 engine16 engine0)
curl_options=(--silent --show-error --fail --create-dirs --parallel)

# run_tool TOOL FOLDER: one run of TOOL writing into FOLDER (its output in
# FOLDER.log). output_of TOOL FOLDER: where the set's files are then (the
# engine puts them one level down).
run_tool() {
  local tool=$1 out=$2
  case $tool in
    curl16|curl64) (cd "$out" && curl "${curl_options[@]}" --parallel-max "${tool#curl}" -K "$work/$set.curl") ;;
    aria2) (cd "$out" && aria2c -q -j16 -x1 --allow-overwrite=true --auto-file-renaming=false \
             --file-allocation=none --console-log-level=error -i "$work/$set.aria2") ;;
    curlexe) (cd "$out" && "$root/scripts/wine-run.sh" "$curl_exe" "${curl_options[@]}" --parallel-max 16 \
               -K "Z:$work/$set.curl") ;;
    engine*) "$root/scripts/wine-run.sh" "$exe" "$work/$set.engine" "Z:$out" 1 "${tool#engine}" ;;
  esac >"$out.log" 2>&1
}
output_of() { case $1 in engine*) echo "$2/w${1#engine}r0" ;; *) echo "$2" ;; esac; }

declare -A times own good used
for set in $sets; do
  list=$www/$set.list
  count=$(wc -l < "$list")
  bytes=$(awk '{s+=$2} END {print s}' "$list")
  awk -v b="$base" '{print b "/" $3 " " $1 " " $2 " " $3}' "$list" > "$work/$set.engine"
  awk '{print $1 "  " $3}' "$list" > "$work/$set.sha1"
  awk -v b="$base" '{print "url = \"" b "/" $3 "\"\noutput = \"" $3 "\""}' "$list" > "$work/$set.curl"
  awk -v b="$base" '{print b "/" $3 "\n  out=" $3}' "$list" > "$work/$set.aria2"
  for tool in "${tools[@]}"; do times[$tool]=; own[$tool]=; good[$tool]=0; used[$tool]=; done

  for round in $(seq "$rounds"); do
    for tool in "${tools[@]}"; do
      out=$runs/$set-$tool-$round
      mkdir -p "$out"
      start=$EPOCHREALTIME
      run_tool "$tool" "$out" || true
      end=$EPOCHREALTIME
      times[$tool]+=" $(echo "$end - $start" | bc -l)"
      if [[ $tool == engine* ]]; then
        line=$(tr -d '\r' < "$out.log" | grep '^workers=' || true)
        own[$tool]+=" $(echo "$line" | sed -n 's/.* seconds=\([0-9.]*\) .*/\1/p')"
        used[$tool]=$(echo "$line" | sed -n 's/.* used=\([0-9]*\) .*/\1/p')
      fi
      # Every file there and right: sha1sum -c fails on a missing one too.
      if (cd "$(output_of "$tool" "$out")" 2>/dev/null && sha1sum -c --quiet --status "$work/$set.sha1"); then
        good[$tool]=$((good[$tool] + 1))
      fi
      rm -rf "$out" "$out.log"
    done
  done

  read -r _ ref <<<"$(best_and_median ${times[curl16]})"
  peer=; [ -n "${times[curlexe]:-}" ] && read -r _ peer <<<"$(best_and_median ${times[curlexe]})"
  echo
  echo "set ($set): $count files, $((bytes / 1024 / 1024)) MiB; $rounds interleaved rounds, each tool timed as a whole process"
  header 34 curl curl.exe "sha1sum of every round's output"
  for tool in "${tools[@]}"; do
    case $tool in
      curl16) label="curl --parallel-max 16" ;;
      curl64) label="curl --parallel-max 64" ;;
      aria2) label="aria2c -j16" ;;
      curlexe) label="curl.exe --parallel-max 16 (Wine)" ;;
      engine0) label="engine, default (${used[$tool]:-?} workers)" ;;
      *) label="engine, ${tool#engine} workers"
         [ -n "${used[$tool]}" ] && [ "${used[$tool]}" != "${tool#engine}" ] && label="$label (${used[$tool]} used)" ;;
    esac
    row 34 "$label" "${times[$tool]}" "${own[$tool]}" "${good[$tool]}" "$ref" "$peer"
  done
done
