#!/usr/bin/env bash
# Makes a private Wine prefix once per build folder (the 32-bit one, or the
# 64-bit one with QUORVEL_WINEARCH=win64), with the font replacements without
# which GDI+ finds neither "微软雅黑" nor "Consolas" and draws no text at all.
# It is made again when Wine was updated since: the tests' prefixes share its
# libraries (scripts/wine-clone.sh), which Wine would otherwise rewrite.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/wine-env.sh"
# Wine takes its code page from the host locale: without a generated
# zh_CN.UTF-8 it silently falls back to code page 1252.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO="sudo"
  $SUDO localedef -i zh_CN -c -f UTF-8 zh_CN.UTF-8
fi
ready="$WINEPREFIX/.quorvel-ready-936"
# Wine updates a prefix whose stamp differs from its wine.inf's time.
current() {   # current [PREFIX]
  local prefix=${1:-$WINEPREFIX}
  [ -e "$prefix/.quorvel-ready-936" ] || return 1
  local inf; for inf in /usr/share/wine/wine.inf /usr/local/share/wine/wine.inf /opt/wine*/share/wine/wine.inf; do
    [ -e "$inf" ] && { [ "$(tr -dc 0-9 <"$prefix/.update-timestamp" 2>/dev/null)" = "$(stat -c %Y "$inf")" ]; return; }
  done
  return 0
}
# The 32-bit prefix's libraries are, byte for byte, the 32-bit half of the
# 64-bit one's: the two private prefixes keep one copy of them on the disk.
# Their ready marks are renewed, so that the tests' templates are copied again.
share() {
  local wine=$QUORVEL_BUILD/wine
  [ "$WINEPREFIX" = "$wine/prefix" ] || [ "$WINEPREFIX" = "$wine/prefix64" ] || return 0
  [ -e "$wine/prefix/.quorvel-shared" ] && [ -e "$wine/prefix64/.quorvel-shared" ] && return 0
  exec 7>"$wine/.private.lock"
  flock 7
  current "$wine/prefix" && current "$wine/prefix64" || return 0
  [ -e "$wine/prefix/.quorvel-shared" ] && [ -e "$wine/prefix64/.quorvel-shared" ] && return 0
  hardlink --quiet --content --maximize --include "$quorvel_wine_binaries" "$wine/prefix/drive_c" "$wine/prefix64/drive_c"
  touch "$wine/prefix/.quorvel-shared" "$wine/prefix64/.quorvel-shared" \
    "$wine/prefix/.quorvel-ready-936" "$wine/prefix64/.quorvel-ready-936"
}
current && { share; exit 0; }
mkdir -p "$(dirname "$WINEPREFIX")"
exec 8>"$WINEPREFIX.lock"
flock 8   # made once when several ask at the same time
current && { share; exit 0; }
t0=$SECONDS
reg=$(mktemp --suffix=.reg)
cat > "$reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"微软雅黑"="WenQuanYi Micro Hei"
"Microsoft YaHei"="WenQuanYi Micro Hei"
"Consolas"="WenQuanYi Micro Hei Mono"

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"winemenubuilder.exe"=""
"winebrowser.exe"=""
REG
# regedit reads UTF-16 files with a BOM reliably
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$reg"; } > "$reg.u16"
# Each step's failure is its own (errexit does not hold inside a condition).
make_prefix() {
  rm -rf "$WINEPREFIX" "$HOME"
  mkdir -p "$HOME"
  bash "$here/with-display.sh" 640x480x24 sh -c 'wineboot -i && wineserver -w' || return 1
  wine regedit /S "$(winepath -w "$reg.u16")" || return 1
  wineserver -w
  grep -q 'Fonts\\\\Replacements' "$WINEPREFIX/user.reg" || { echo "the font replacements are not in user.reg"; return 1; }
}
quorvel_make_twice "the $WINEARCH Wine prefix $WINEPREFIX" "$WINEPREFIX.log" make_prefix ||
  { rm -f "$reg" "$reg.u16"; exit 1; }
rm -f "$reg" "$reg.u16"
touch "$ready"
share
echo "[wine] private prefix ready in $((SECONDS - t0)) s: $WINEPREFIX" >&2
