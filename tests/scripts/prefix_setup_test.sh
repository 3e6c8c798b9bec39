#!/usr/bin/env bash
# The set-up never stops without a word: a Wine prefix or a tests' template
# that cannot be made is named, with the end of Wine's log, after one more
# try. Wine's steps are made to fail by stand-ins found first on the PATH;
# each prints a line of its own into Wine's log and counts its calls.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
scripts=$here/../../scripts
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-prefix-setup.XXXXXX")
trap 'rm -rf "$work"' EXIT
failed=0
expect() {  # expect WHAT CONDITION...
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failed=1; fi
}
stand_in() {  # stand_in NAME: a command that says it failed and counts its calls
  cat >"$work/bin/$1" <<STUB
#!/bin/sh
echo x >>"$work/$1.calls"
echo "$1: made to fail by the test" >&2
exit 1
STUB
  chmod +x "$work/bin/$1"
}
calls() { [ "$(wc -l <"$work/$1.calls" 2>/dev/null || echo 0)" -eq "$2" ]; }
said() { grep -qF -- "$1" "$work/stderr"; }
mkdir -p "$work/bin"
export QUORVEL_BUILD=$work/build
unset QUORVEL_WINEPREFIX QUORVEL_WINEHOME QUORVEL_WINEARCH

# The private prefix: wineboot fails at both tries.
stand_in wineboot
PATH=$work/bin:$PATH bash "$scripts/wine-prefix.sh" 2>"$work/stderr"
rc=$?
prefix=$QUORVEL_BUILD/wine/prefix
expect "a prefix that cannot be made fails the set-up" [ "$rc" -ne 0 ]
expect "wineboot is tried twice" calls wineboot 2
expect "the prefix is named at each try" said "the win32 Wine prefix $prefix could not be made (try 2 of 2)"
expect "the end of Wine's log is shown" said "wineboot: made to fail by the test"

# A tests' template, over a base prefix that stands ready: its registry step fails.
mkdir -p "$prefix/drive_c/users" "$QUORVEL_BUILD/wine/home"
for inf in /usr/share/wine/wine.inf /usr/local/share/wine/wine.inf /opt/wine*/share/wine/wine.inf; do
  [ -e "$inf" ] && { stat -c %Y "$inf" >"$prefix/.update-timestamp"; break; }
done
touch "$prefix/.quorvel-ready-936" "$prefix/user.reg"
stand_in wine
PATH=$work/bin:$PATH bash "$scripts/test-prefix.sh" 96 >/dev/null 2>"$work/stderr"
rc=$?
expect "a template that cannot be made fails the set-up" [ "$rc" -ne 0 ]
expect "its registry step is tried twice" calls wine 2
expect "the template is named" said "the template $QUORVEL_BUILD/wine/template-dpi96 could not be made (try 2 of 2)"
expect "the end of Wine's log is shown" said "wine: made to fail by the test"
[ "$failed" = 0 ] || { echo "--- what the set-up said:"; cat "$work/stderr"; }
exit "$failed"
