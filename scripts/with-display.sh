#!/usr/bin/env bash
# Runs a command on an Xvfb display of its own and ends the display with it.
# Usage: with-display.sh WIDTHxHEIGHTxDEPTH COMMAND [ARGS]
# Xvfb picks a free display number itself (-displayfd) and says which once it
# accepts clients, so displays started side by side never race for a number
# as `xvfb-run -a` does (it tests a lock file, then starts the server).
set -uo pipefail
screen=$1
shift
dir=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-display.XXXXXX") || exit 1
mkfifo "$dir/number"
# The display also ends when this script is killed outright.
deathsig=(); setpriv --help 2>/dev/null | grep -q pdeathsig && deathsig=(setpriv --pdeathsig KILL)
"${deathsig[@]}" Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset \
  3>"$dir/number" </dev/null >"$dir/log" 2>&1 &
xvfb=$!
stop() { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$dir"; }
trap 'stop; exit 143' TERM INT HUP
read -r number <"$dir/number"
if [ -z "${number:-}" ]; then
  echo "with-display.sh: Xvfb did not start:" >&2
  cat "$dir/log" >&2
  stop
  exit 1
fi
unset XAUTHORITY
export DISPLAY=:$number
"$@"
rc=$?
stop
exit $rc
