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
# follows a slower native round pays for starting it again. When one already
# serves this prefix, this one exits at once and that one is used. Its output
# goes nowhere: a server holding the script's pipe open would hold up
# whatever reads the script's output. Stop it with stop_wineserver.
start_wineserver() {  # root of the checkout
  (. "$1/scripts/wine-env.sh" && exec wineserver --foreground --persistent) </dev/null >/dev/null 2>&1 &
  wineserver_pid=$!
}
stop_wineserver() { [ -n "${wineserver_pid:-}" ] && kill "$wineserver_pid" 2>/dev/null; wineserver_pid=; }
