#!/bin/bash
# The download engine against curl over the same URLs, in one run.
#
# Run (after scripts/build.sh; as root on Debian it installs nginx-light and
# aria2 when they are missing):
#     bash bench/download.sh
# Environment: QUORVEL_BUILD (default build/), ROUNDS (default 5: each time
# is the best of that many runs), SETS ("a b", the default, or one of them).
#
# It serves two sets from a private nginx on 127.0.0.1 (its own config, pid
# file and logs under the build folder; no system service is touched):
#   (a) 3,000 files of 1-30 KiB, like asset objects;
#   (b) 4 files of 50 MiB.
# and times, per set: bench_download.exe (the engine under Wine, SHA-1 of
# every file checked, as the launcher does) at 1, 8 and 16 workers and its
# default; curl --parallel --parallel-max 16 (and 64, to show the server is
# not the limit); aria2c -j16 when it is there. Each is printed as
# time / curl-16 time: 1.00 is as fast as curl, below 1 is faster. Every
# output tree is checked with sha1sum afterwards. Outputs go to a tmpfs.
#
# Where the engine's time goes (8-core machine, Wine 8): set (b) is within
# noise of curl once libcurl reads in 512 KiB pieces (the SHA-1 the engine
# checks and curl does not is about 15 % of it). Set (a) is about 3.5-4 times
# curl's time, and that is Wine's sockets: the single-threaded wineserver
# runs at 100 % CPU, and each file costs about 33 round trips to it, 24 of
# them libcurl's socket waits and polls (WSAEventSelect, select, recv, send);
# fetching into memory (--memory) takes 85-90 % of the time of fetching to
# files. The claim scan, the per-task locks and the observer calls do not
# show. bench_download.exe --memory / --no-sha1 split the time this way.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
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
# Outputs go to a tmpfs (BENCH_OUT, default /dev/shm/...), one folder per
# run, deleted once checked. On the disk they would measure the disk: here,
# deleting thousands of files makes ext4 slow to create new ones for a
# minute or more (its inode allocator walks over recently freed inodes),
# which charged each run for the clean-up of the one before.
runs=${BENCH_OUT:-/dev/shm/quorvel-download-bench-$$}
mkdir -p "$runs"
clean_up() { stop_server; rm -rf "$runs"; }
trap clean_up EXIT
best_of() {  # "<best seconds> <folder of the last run>" of "$@", run $rounds times, each in a fresh folder
  local best= t s e out
  for _ in $(seq "$rounds"); do
    out=$(mktemp -d "$runs/run.XXXXXX")
    s=$(date +%s.%N); (cd "$out" && "$@") >/dev/null 2>&1 || echo "  (exit $? from $1)" >&2; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best $out"
}
check() {  # sha1sum over an output tree, then the outputs of the runs go
  local bad
  bad=$(cd "$1" && sha1sum -c --quiet "$work/$set.sha1" 2>/dev/null | wc -l) || true
  rm -rf "${runs:?}"/*
  [ "$bad" = 0 ] && echo "sha1 ok" || echo "SHA-1 FAILED for $bad files"
}
row() { printf '  %-34s %8.3f s   ratio %5.2f   %s\n' "$1" "$2" "$(echo "$2 / $ref" | bc -l)" "$3"; }
measure() {  # label, command...
  local label=$1 r; shift
  r=$(best_of "$@")
  row "$label" "${r%% *}" "$(check "${r#* }")"
}

for set in $sets; do
  list=$www/$set.list
  count=$(wc -l < "$list")
  bytes=$(awk '{s+=$2} END {print s}' "$list")
  awk -v b="$base" '{print b "/" $3 " " $1 " " $2 " " $3}' "$list" > "$work/$set.engine"
  awk '{print $1 "  " $3}' "$list" > "$work/$set.sha1"
  awk -v b="$base" '{print "url = \"" b "/" $3 "\"\noutput = \"" $3 "\""}' "$list" > "$work/$set.curl"
  awk -v b="$base" '{print b "/" $3 "\n  out=" $3}' "$list" > "$work/$set.aria2"
  echo
  echo "set ($set): $count files, $((bytes / 1024 / 1024)) MiB; best of $rounds; ratio = time / curl-16 time"

  ref=1
  r=$(best_of curl --silent --show-error --fail --create-dirs --parallel --parallel-max 16 -K "$work/$set.curl")
  ref=${r%% *}
  row "curl --parallel-max 16" "$ref" "$(check "${r#* }")"
  measure "curl --parallel-max 64" curl --silent --show-error --fail --create-dirs --parallel --parallel-max 64 \
    -K "$work/$set.curl"
  if command -v aria2c >/dev/null; then
    measure "aria2c -j16" aria2c -q -j16 -x1 --allow-overwrite=true --auto-file-renaming=false \
      --file-allocation=none --console-log-level=error -i "$work/$set.aria2"
  fi

  # One process per run; the program times itself from Start to the batch's
  # end (Wine's start-up is left out; curl's start-up is in curl's time).
  for w in 1 8 16 0; do
    best=; used=; ok=; last_out=
    for round in $(seq "$rounds"); do
      last_out=$runs/$set-engine-w$w-$round
      line=$("$root/scripts/wine-run.sh" "$exe" "$work/$set.engine" "Z:$last_out" 1 "$w" 2>&1 | tr -d '\r' |
             grep '^workers=' || true)
      [ -n "$line" ] || { echo "  engine, $w workers: did not run"; continue 2; }
      t=$(echo "$line" | sed -n 's/.* seconds=\([0-9.]*\) .*/\1/p')
      used=$(echo "$line" | sed -n 's/.* used=\([0-9]*\) .*/\1/p')
      ok=$(echo "$line" | sed -n 's/.* ok=\([0-9/]*\).*/\1/p')
      if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    done
    label="engine, $w workers"; [ "$w" = 0 ] && label="engine, default ($used workers)"
    [ "$used" != "$w" ] && [ "$w" != 0 ] && label="$label ($used used)"
    row "$label" "$best" "ok $ok, $(check "$last_out/w${w}r0")"
  done
done
