#!/usr/bin/env bash
# Makes a private Wine prefix once per build folder (the 32-bit one, or the
# 64-bit one with QUORVEL_WINEARCH=win64), with the font replacements without
# which GDI+ finds neither "微软雅黑" nor "Consolas" and draws no text at all.
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
[ -e "$ready" ] && exit 0
rm -rf "$WINEPREFIX" "$HOME"
mkdir -p "$HOME" "$(dirname "$WINEPREFIX")"
t0=$SECONDS
xvfb-run -a sh -c 'wineboot -i && wineserver -w' >/dev/null 2>&1
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
wine regedit /S "$(winepath -w "$reg.u16")" >/dev/null 2>&1
wineserver -w
rm -f "$reg" "$reg.u16"
touch "$ready"
echo "[wine] private prefix ready in $((SECONDS - t0)) s: $WINEPREFIX" >&2
