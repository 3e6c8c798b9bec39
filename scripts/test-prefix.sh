#!/usr/bin/env bash
# Prints the folder of the template prefix the tests' prefixes are copied
# from (scripts/wine-test.sh), making it first when needed: the private
# prefix of scripts/wine-prefix.sh (the 64-bit one with QUORVEL_WINEARCH=win64)
# with the given screen DPI and without window management, copied cheaply
# (scripts/wine-clone.sh). Usage: test-prefix.sh DPI
# Xvfb runs no window manager: a managed Wine would wait for one at every
# window. The DPI is read when a prefix's wineserver starts.
set -euo pipefail
dpi=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
unset QUORVEL_WINEPREFIX QUORVEL_WINEHOME
. "$here/wine-env.sh"
bash "$here/wine-prefix.sh"
base=$WINEPREFIX base_home=$HOME
bits=""; [ "$WINEARCH" = win64 ] && bits=-64
template=$QUORVEL_BUILD/wine/template-dpi$dpi$bits
# The template goes with the base it was copied from; a new or updated base makes it again.
source_id="$(stat -c '%i %Y' "$base/.quorvel-ready-936") $(tr -dc 0-9 <"$base/.update-timestamp") dpi $dpi"
current() { [ "$(cat "$template/prefix/.quorvel-template" 2>/dev/null)" = "$source_id" ]; }
make_template() {
  bash "$here/wine-clone.sh" "$base" "$base_home" "$template/prefix" "$template/home" || return 1
  WINEPREFIX=$template/prefix HOME=$template/home bash "$here/with-display.sh" 640x480x24 sh -c "
    wine reg add 'HKCU\\Control Panel\\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f &&
    wine reg add 'HKCU\\Software\\Wine\\X11 Driver' /v Managed /t REG_SZ /d N /f &&
    wineserver -w" </dev/null || return 1
  grep -q '^"Managed"="N"' "$template/prefix/user.reg" || { echo "Managed=N is not in user.reg"; return 1; }
}
if ! current; then
  exec 8>"$template.lock"
  flock 8
  if ! current; then
    WINEPREFIX=$template/prefix quorvel_make_twice "the template $template" "$template.log" make_template || exit 1
    echo "$source_id" >"$template/prefix/.quorvel-template"
  fi
fi
echo "$template"
