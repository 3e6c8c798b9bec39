# Sourced by the scripts: the private Wine environment of this checkout.
# Never the user's own prefix or home: a fresh prefix links its Windows
# desktop to $HOME, and shortcuts made in tests must not reach the host.
export QUORVEL_ROOT=${QUORVEL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export QUORVEL_BUILD=${QUORVEL_BUILD:-$QUORVEL_ROOT/build}
# QUORVEL_WINEARCH=win64 picks the 64-bit prefix, where the launcher runs
# under WOW64 as on most players' Windows; the default is a 32-bit Windows.
export WINEARCH=${QUORVEL_WINEARCH:-win32}
quorvel_bits=""; [ "$WINEARCH" = win64 ] && quorvel_bits=64
export WINEPREFIX=${QUORVEL_WINEPREFIX:-$QUORVEL_BUILD/wine/prefix$quorvel_bits}
export HOME=${QUORVEL_WINEHOME:-$QUORVEL_BUILD/wine/home$quorvel_bits}
unset quorvel_bits
export WINEDEBUG=-all
# no Mono/Gecko offers (there is no network), no host menu entries, no host
# browser, and no debugger: a crash ends the program at once, saying where
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winebrowser.exe=d;winedbg.exe=d"
# code page 936, as on a Simplified Chinese Windows (QUORVEL_LANG=C.UTF-8 gives 1252)
export LANG=${QUORVEL_LANG:-zh_CN.UTF-8}
# A prefix's Windows programs and libraries: nearly all of its size, and
# written by Wine only when it updates the prefix to a newer Wine.
quorvel_wine_binaries='\.(dll|exe|drv|sys|nls|ocx|acm|cpl|tlb|vxd|ax|com|ds|msstyles|mod|icm|ttf|ttc|fon)$'
# Makes a prefix or template with a shell function, Wine's own output (its
# errors on) going to a log; a failure names it, shows the log's end and is
# tried once more: wineboot was seen to fail once on a loaded machine where
# the next try passed. Usage: quorvel_make_twice WHAT LOG FUNCTION
quorvel_make_twice() {
  local try
  for try in 1 2; do
    WINEDEBUG=err+all "$3" >"$2" 2>&1 && return 0
    echo "$(basename "$0"): $1 could not be made (try $try of 2)." >&2
    echo "The end of Wine's log, $2:" >&2
    tail -n 20 "$2" | sed 's/^/  /' >&2
    wineserver -k >/dev/null 2>&1 || true
  done
  return 1
}
