# Sourced by the benchmark scripts: what their like-with-like runs share.
# Each tool is timed as a whole process, the rounds take every tool in turn,
# and a row shows the best and the median of its rounds.

# best_and_median SECONDS... -> "<best> <median>"
best_and_median() {
  printf '%s\n' "$@" | sort -g |
    awk '{v[NR] = $1} END {m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print v[1], m}'
}

# ratio A B -> A / B to two places; "-" when there is no B
ratio() {
  if [ -n "$2" ]; then printf '%5.2f' "$(echo "$1 / $2" | bc -l)"; else printf '%5s' -; fi
}

# A table of tools: header WIDTH REFERENCE1 REFERENCE2 LAST-COLUMN, then per
# tool row WIDTH LABEL "SECONDS..." "OWN-CLOCK SECONDS..." ROUNDS-RIGHT
# REFERENCE1-MEDIAN REFERENCE2-MEDIAN, with $rounds rounds; the ratios are of
# the row's median to each reference's median.
header() {
  printf "  %-${1}s %8s %8s %10s %12s  %s\n" "" "best s" "median s" "/$2" "/$3" "$4"
}
row() {
  local best median own_best own_median verdict="$5/$rounds rounds right"
  read -r best median <<<"$(best_and_median $3)"
  [ "$5" = "$rounds" ] || verdict="FAILED: only $verdict"
  if [ -n "${4// /}" ]; then
    read -r own_best own_median <<<"$(best_and_median $4)"
    verdict=$(printf '%s; own clock %.3f / %.3f s' "$verdict" "$own_best" "$own_median")
  fi
  printf "  %-${1}s %8.3f %8.3f %10s %12s  %s\n" "$2" "$best" "$median" "$(ratio "$median" "$6")" \
    "$(ratio "$median" "$7")" "$verdict"
}

# One wineserver for the whole run, as on a running Windows: otherwise it
# exits a few seconds after the last Wine program, and whichever Wine program
# follows a slower native round pays for starting it again. Wine's own
# services start here too, with no output: started by a timed program whose
# output a pipe reads, they would hold that pipe open. When a server already
# serves the prefix, that one is used and left running.
start_wineserver() {  # root of the checkout
  wine_env=$1/scripts/wine-env.sh
  wineserver_ours=
  if (. "$wine_env" && wineserver -p) </dev/null >/dev/null 2>&1; then wineserver_ours=1; fi
  (. "$wine_env" && wine wineboot) </dev/null >/dev/null 2>&1 || true
}
# Ends the server started above with every Wine program of the prefix (a
# server ended alone leaves Wine's services waiting on each other's pipes).
stop_wineserver() {
  [ -n "${wineserver_ours:-}" ] && (. "$wine_env" && wineserver -k) </dev/null >/dev/null 2>&1
  wineserver_ours=
}

# The launcher benchmarks' set-up: the benchmarks' own Wine prefix (made on
# the first run) in this shell's environment, and a fresh folder
# build/bench/NAME, left in $work, holding the fake Java in java/bin. Needs
# build, and each further argument is a file that must exist.
bench_folder() {  # root name needed...
  local root=$1 name=$2 need; shift 2
  for need in "$build/bench/bench_screen_watch.exe" "$build/tools/fake_java/bin/java.exe" "$@"; do
    [ -e "$need" ] || { echo "missing: $need (build first: bash scripts/build.sh)" >&2; exit 1; }
  done
  export QUORVEL_WINEPREFIX=$build/wine/prefix-bench QUORVEL_WINEHOME=$build/wine/home-bench
  bash "$root/scripts/wine-prefix.sh" >&2
  work=$build/bench/$name
  rm -rf "$work"
  mkdir -p "$work/java/bin"
  cp "$build/tools/fake_java/bin/"{java,javaw}.exe "$work/java/bin/"
  . "$root/scripts/wine-env.sh"
}

# Registers the fake Java of a bench_folder with the running Wine server, so
# that the launcher opens without its no-Java notice.
register_fake_java() {  # work
  wine reg add 'HKLM\SOFTWARE\JavaSoft\Java Runtime Environment\1.8.0_151' /v JavaHome /t REG_SZ \
    /d "$(winepath -w "$1/java" 2>/dev/null)" /f >/dev/null 2>&1
}

# window_bench "$@": for the benchmarks that watch real windows. Runs the
# calling script again on a virtual screen when there is none, and sets
# build (exported as QUORVEL_BUILD), watch (the screen watcher) and
# launcher (LAUNCHER_EXE or the build's own).
window_bench() {
  if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"; fi
  build=${QUORVEL_BUILD:-$root/build}
  export QUORVEL_BUILD=$build
  watch=$build/bench/bench_screen_watch.exe
  launcher=${LAUNCHER_EXE:-$build/app/QuorvelLauncher.exe}
}
