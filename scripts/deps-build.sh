#!/usr/bin/env bash
# Idempotent set-up of the 32-bit Windows cross toolchain (mingw-w64, posix
# threads) and of the launcher's libraries, cross-built from Debian's own
# source packages into a cache outside the work tree.
#
#   deps-build.sh                  apt installs (when missing), deb-src, sources, cross builds
#   deps-build.sh --no-apt         skip the apt and deb-src steps
#   deps-build.sh --print-prefix   only print the prefix a full run would produce or reuse
#   deps-build.sh --prune          afterwards delete cached builds the current prefix does not use
#
# Environment:
#   DEPS_CACHE     cache root (default ${XDG_CACHE_HOME:-$HOME/.cache}/quorvel-deps)
#   JOBS           parallel jobs (default: nproc)
#   CRYPTOPP_OBJS  optional list of Crypto++ objects to build instead of the whole library
#
# The last line printed is the prefix ("$DEPS_CACHE/current" points at it):
#   include/ lib/ lib/cmake/       static curl (Schannel, http and https), cryptopp, zip, lzma, gtest, gmock
#   bin/curl.exe                   curl's own tool on that libcurl (bench/download.sh runs it under Wine)
#   sysinc/boost sysinc/rapidjson  links to Debian's header packages (used with -isystem)
#   manifest.txt                   the exact versions that went in
# zlib comes from Debian's libz-mingw-w64-dev in the mingw sysroot.
set -euo pipefail

HOST=i686-w64-mingw32
JOBS=${JOBS:-$(nproc)}
DEPS_CACHE=${DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvel-deps}
RECIPE_REV=1                    # bump to force every dependency to rebuild
DO_APT=1 PRINT_ONLY=0 PRUNE=0
for a in "$@"; do
  case "$a" in
    --no-apt) DO_APT=0 ;;
    --no-wine) ;;  # the private Wine prefix is made by wine-prefix.sh
    --print-prefix) PRINT_ONLY=1 ;;
    --prune) PRUNE=1 ;;
    *) echo "unknown option $a" >&2; exit 2 ;;
  esac
done

log() { printf '[deps %(%H:%M:%S)T] %s\n' -1 "$*" >&2; }
SUDO=""; [ "$(id -u)" = 0 ] || SUDO="sudo"
APT=($SUDO env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=900)

APT_PKGS=(g++-mingw-w64-i686 mingw-w64-tools libz-mingw-w64-dev
          cmake ninja-build make dpkg-dev xz-utils
          googletest libboost-dev rapidjson-dev
          wine wine32:i386 xvfb xauth python3 openssl
          wine64 g++-mingw-w64-x86-64-posix                  # a 64-bit Windows (WOW64) for the tests, and its fake Java
          fonts-wqy-microhei locales                         # CJK + mono family for the Wine font replacements
          ${EXTRA_APT_PKGS-imagemagick x11-apps})   # GUI screenshot checks (import/convert, xwd)

# ---------------------------------------------------------------- apt
pkg_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

add_deb_src() {   # mirror the existing deb entries as deb-src, never spelling a host
  if grep -rqsE '^(Types:.*deb-src|[[:space:]]*deb-src[[:space:]])' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    return 1; fi
  local f
  for f in /etc/apt/sources.list.d/*.sources; do            # deb822 format
    [ -e "$f" ] || continue
    grep -qE '^Types:.*\bdeb\b' "$f" || continue
    sed -E 's/^Types:.*/Types: deb-src/' "$f" | $SUDO tee "/etc/apt/sources.list.d/src-$(basename "$f")" >/dev/null
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do   # one-line format
    [ -e "$f" ] || continue
    grep -qE '^[[:space:]]*deb[[:space:]]' "$f" || continue
    sed -nE 's/^[[:space:]]*deb([[:space:]])/deb-src\1/p' "$f" | $SUDO tee "/etc/apt/sources.list.d/src-$(basename "$f" .list).list" >/dev/null
  done
  return 0
}

step_apt() {
  local need_update=0 missing=()
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386; need_update=1; fi
  add_deb_src && need_update=1
  local p; for p in "${APT_PKGS[@]}"; do pkg_installed "$p" || missing+=("$p"); done
  # the Sources index must be there for apt-get source
  apt-get source --print-uris curl >/dev/null 2>&1 || need_update=1
  if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
    log "apt-get update"; "${APT[@]}" update >/dev/null
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    log "apt-get install ${missing[*]}"; "${APT[@]}" install --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# ---------------------------------------------------------------- versions / keys
src_version() {   # version apt-get source would fetch for a source package (from the .dsc name)
  apt-get source --print-uris "$1" 2>/dev/null | awk -v p="$1_" '$2 ~ /\.dsc$/ && index($2,p)==1 {v=substr($2,length(p)+1); sub(/\.dsc$/,"",v); print v; exit}'
}
bin_version() { dpkg-query -W -f='${Version}' "$1"; }
short() { sha1sum | cut -c1-10; }


# ---------------------------------------------------------------- sources
fetch_src() {   # fetch_src SRCPKG VERSION -> prints unpacked source dir
  local pkg=$1 ver=$2 d="$DEPS_CACHE/src/$1_$2"
  if [ ! -e "$d/.done" ]; then
    rm -rf "$d"; mkdir -p "$d"
    log "apt-get source $pkg=$ver"
    (cd "$d" && apt-get source -q "$pkg=$ver" >/dev/null 2>"$d/fetch.err") || { cat "$d/fetch.err" >&2; return 1; }
    touch "$d/.done"
  fi
  find "$d" -mindepth 1 -maxdepth 1 -type d | head -1
}

# ---------------------------------------------------------------- toolchain file
write_toolchain() {   # write_toolchain FILE — DEPS_PREFIX defaults to the file's own directory
  cat > "$1" <<'EOF'
# CMake toolchain: 32-bit Windows via Debian's mingw-w64 (posix thread model, needed for std::thread/std::mutex)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR           ${TOOLCHAIN_PREFIX}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB       ${TOOLCHAIN_PREFIX}-gcc-ranlib-posix CACHE FILEPATH "")
if(NOT DEPS_PREFIX)
  if(DEFINED ENV{DEPS_PREFIX})
    set(DEPS_PREFIX "$ENV{DEPS_PREFIX}")
  else()
    set(DEPS_PREFIX "${CMAKE_CURRENT_LIST_DIR}")
  endif()
endif()
set(CMAKE_FIND_ROOT_PATH ${DEPS_PREFIX} /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ZLIB_USE_STATIC_LIBS ON CACHE BOOL "use libz.a, not libz.dll.a")
# Boost/RapidJSON headers from Debian, exposed without the rest of the Linux /usr/include
set(DEPS_SYSINC "${DEPS_PREFIX}/sysinc" CACHE PATH "")
# run test executables under Wine (ctest, gtest_discover_tests)
find_program(WINE_EXECUTABLE wine)
if(WINE_EXECUTABLE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_EXECUTABLE})
endif()
EOF
}

CMAKE_COMMON=()
cmake_dep() {   # cmake_dep SRC BUILD INSTALL [cmake args...]
  local src=$1 bld=$2 inst=$3; shift 3
  cmake -S "$src" -B "$bld" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$DEPS_CACHE/toolchain.cmake" \
        -DDEPS_PREFIX="$inst" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$inst" \
        -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF "$@"
  cmake --build "$bld" -j "$JOBS"
  cmake --install "$bld"
}

# ---------------------------------------------------------------- recipes (their text is part of each key)
build_xz() {        # liblzma (static; consumers need LZMA_API_STATIC — the CMake target sets it)
  cmake_dep "$1" "$2" "$3"
}
build_libzip() {    # libzip static, zlib only (no bzip2/lzma/zstd/openssl); ZIP_STATIC is baked into zipconf.h
  cmake_dep "$1" "$2" "$3" -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_OPENSSL=OFF -DENABLE_GNUTLS=OFF \
    -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=ON \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
}
# libcurl leaves out what the launcher never asks for: cookies, stored logins, forms, alternative
# services, HSTS lists, DNS over HTTPS, authentication beyond Basic, option lookup, the header API,
# local binding, DNS shuffling and the text progress meter (transfer callbacks stay).
build_curl() {      # libcurl static, Schannel TLS, HTTP/HTTPS only; consumers need CURL_STATICLIB (target sets it)
  # bin/curl.exe, linked with that same libcurl, is the benchmarks' peer under Wine (a few seconds more to build)
  cmake_dep "$1" "$2" "$3" -DBUILD_CURL_EXE=ON -DHTTP_ONLY=ON -DCURL_ENABLE_SSL=ON -DCURL_USE_SCHANNEL=ON \
    -DCURL_USE_OPENSSL=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=ON \
    -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON -DCURL_ZLIB=ON \
    -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none -DENABLE_UNICODE=ON -DENABLE_MANUAL=OFF -DPICKY_COMPILER=OFF \
    -DCURL_DISABLE_COOKIES=ON -DCURL_DISABLE_NETRC=ON -DCURL_DISABLE_MIME=ON -DCURL_DISABLE_ALTSVC=ON \
    -DCURL_DISABLE_HSTS=ON -DCURL_DISABLE_DOH=ON -DCURL_DISABLE_NTLM=ON -DCURL_DISABLE_CRYPTO_AUTH=ON \
    -DCURL_DISABLE_KERBEROS_AUTH=ON -DCURL_DISABLE_NEGOTIATE_AUTH=ON -DCURL_DISABLE_GETOPTIONS=ON \
    -DCURL_DISABLE_HEADERS_API=ON -DCURL_DISABLE_BINDLOCAL=ON -DCURL_DISABLE_SHUFFLE_DNS=ON \
    -DCURL_DISABLE_PROGRESS_METER=ON
}
build_cryptopp() {  # Crypto++ static via its GNUmakefile-cross (no CMake upstream)
  # Programs that use only hashes, AES and Base64 should link none of the big
  # integers and public-key code. Three things in the library pull them in:
  # parameters assigned to Integer (off: CRYPTOPP_NO_ASSIGN_TO_INTEGER, for
  # the library and its users), template instances the core takes from the
  # DLL-support object (dll.o: the core and the integers carry their own),
  # and the core's number-to-text helper, which lives among the integers
  # (made an object of its own, the integers' copy kept to themselves).
  local src=$1 bld=$2 inst=$3
  rm -rf "$bld"; cp -a "$src" "$bld"
  local flags="-DNDEBUG -g0 -O2 -pipe -DCRYPTOPP_NO_ASSIGN_TO_INTEGER"
  local mk=(make -C "$bld" -f GNUmakefile-cross -j "$JOBS" CXX=$HOST-g++-posix AR=$HOST-gcc-ar-posix
            RANLIB=$HOST-gcc-ranlib-posix CXXFLAGS="$flags")
  if [ -n "${CRYPTOPP_OBJS:-}" ]; then
    local objs=(); local o; for o in $CRYPTOPP_OBJS; do objs+=("$o.o"); done
    "${mk[@]}" "${objs[@]}"
    (cd "$bld" && $HOST-gcc-ar-posix rcs libcryptopp.a "${objs[@]}")
  else
    "${mk[@]}" static
  fi
  local o
  for o in cryptlib integer; do
    (cd "$bld" && $HOST-g++-posix $flags -DCRYPTOPP_MANUALLY_INSTANTIATE_TEMPLATES -c "$o.cpp" -o "$o.o")
  done
  cat > "$bld/inttostring64.cpp" <<'CPP'
// The core's own copy of the library's IntToString<word64>, which otherwise
// sits among the big integers (the high bit of base asks for capitals).
#include "misc.h"
NAMESPACE_BEGIN(CryptoPP)
template <> std::string IntToString<word64>(word64 value, unsigned int base)
{
    const char letter = (base & (1U << 31)) ? 'A' : 'a';
    base &= ~(1U << 31);
    if (value == 0) return "0";
    std::string text;
    for (; value > 0; value /= base) {
        const unsigned int digit = static_cast<unsigned int>(value % base);
        text.insert(text.begin(), static_cast<char>(digit < 10 ? '0' + digit : letter + digit - 10));
    }
    return text;
}
NAMESPACE_END
CPP
  (cd "$bld" && $HOST-g++-posix $flags -c inttostring64.cpp -o inttostring64.o &&
    $HOST-objcopy --localize-symbol=__ZN8CryptoPP11IntToStringIyEENSt7__cxx1112basic_stringIcSt11char_traitsIcESaIcEEET_j integer.o &&
    $HOST-gcc-ar-posix rs libcryptopp.a cryptlib.o integer.o inttostring64.o)
  "${mk[@]}" PREFIX="$inst" install-lib
}
build_googletest() { # gtest + gmock static, from Debian's googletest package sources
  cmake_dep "$1" "$2" "$3" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}

# dep table: name | how to get the source | version
declare -A VER SRCPKG
plan() {
  SRCPKG=([xz]=xz-utils [libzip]=libzip [curl]=curl [cryptopp]=libcrypto++)
  local d; for d in xz libzip curl cryptopp; do
    VER[$d]=$(src_version "${SRCPKG[$d]}")
    [ -n "${VER[$d]}" ] || { echo "cannot resolve source version of ${SRCPKG[$d]} (deb-src missing? run without --no-apt)" >&2; exit 1; }
  done
  VER[googletest]=$(bin_version googletest)
}
dep_key() {   # dep_key NAME -> NAME-VERSION-HASH
  local n=$1
  printf '%s\n%s\n%s\n%s\n' "$TOOLCHAIN_ID" "${VER[$n]}" "$(declare -f "build_$n" cmake_dep write_toolchain)" \
    "$([ "$n" = cryptopp ] && echo "${CRYPTOPP_OBJS:-}")" | short | sed "s/^/$n-${VER[$n]//[:~]/_}-/"
}

build_dep() {
  local n=$1 key dir src
  key=$(dep_key "$n"); dir="$DEPS_CACHE/pkg/$key"
  if [ -e "$dir/.done" ]; then log "$n: cached ($key)"; echo "$dir"; return; fi
  if [ "$n" = googletest ]; then src=$(dpkg -L googletest | grep -m1 -E '/src/googletest/CMakeLists.txt$' | xargs dirname)   # top level: gtest+gmock
  else src=$(fetch_src "${SRCPKG[$n]}" "${VER[$n]}"); fi
  local t0=$SECONDS bld="$DEPS_CACHE/build/$n" tmp="$dir.tmp" lg="$DEPS_CACHE/logs/$key.log"
  rm -rf "$bld" "$tmp"; mkdir -p "$DEPS_CACHE/build" "$DEPS_CACHE/logs" "$DEPS_CACHE/pkg"
  log "$n ${VER[$n]}: building (log: $lg)"
  if ! ( "build_$n" "$src" "$bld" "$tmp" ) >"$lg" 2>&1; then tail -40 "$lg" >&2; log "$n: FAILED"; exit 1; fi
  # pkg-config files carry the absolute install dir: point them at the final dir
  grep -rl -- "$tmp" "$tmp/lib/pkgconfig" 2>/dev/null | xargs -r sed -i "s|$tmp|$dir|g"
  echo "$n ${VER[$n]} built in $((SECONDS - t0)) s; $TOOLCHAIN_ID" > "$tmp/.done"
  rm -rf "$dir"; mv "$tmp" "$dir"; rm -rf "$bld"
  log "$n: done in $((SECONDS - t0)) s"
  echo "$dir"
}

# ---------------------------------------------------------------- main
mkdir -p "$DEPS_CACHE"
exec 9>"$DEPS_CACHE/.lock"; flock 9          # one builder at a time per cache
T0=$SECONDS
[ $DO_APT = 1 ] && [ $PRINT_ONLY = 0 ] && step_apt
# known only once the cross compiler is installed
TOOLCHAIN_ID="$($HOST-g++-posix --version | head -1) / mingw-w64 $(bin_version mingw-w64-i686-dev) / rev $RECIPE_REV"
write_toolchain "$DEPS_CACHE/toolchain.cmake"
plan

DEPS=(xz libzip curl cryptopp googletest)
manifest=$(
  echo "toolchain: $TOOLCHAIN_ID"
  echo "zlib (libz-mingw-w64-dev): $(bin_version libz-mingw-w64-dev)"
  echo "boost headers (libboost-dev): $(bin_version libboost-dev)"
  echo "rapidjson headers (rapidjson-dev): $(bin_version rapidjson-dev)"
  for n in "${DEPS[@]}"; do echo "$n: $(dep_key "$n")"; done
)
PKEY=$(printf '%s\n' "$manifest" | short)
PREFIX="$DEPS_CACHE/prefix-$PKEY"
if [ $PRINT_ONLY = 1 ]; then echo "$PREFIX"; exit 0; fi

if [ ! -e "$PREFIX/.done" ]; then
  dirs=(); for n in "${DEPS[@]}"; do dirs+=("$(build_dep "$n")"); done
  rm -rf "$PREFIX.tmp"; mkdir -p "$PREFIX.tmp"
  for d in "${dirs[@]}"; do cp -al "$d/." "$PREFIX.tmp/"; done     # hard links: no extra disk
  rm -f "$PREFIX.tmp/.done"
  grep -rl -- "$DEPS_CACHE/pkg/" "$PREFIX.tmp/lib/pkgconfig" 2>/dev/null | xargs -r sed -i -E "s|$DEPS_CACHE/pkg/[^/]+|$PREFIX|g"
  mkdir -p "$PREFIX.tmp/sysinc"
  ln -sfn /usr/include/boost "$PREFIX.tmp/sysinc/boost"          # Debian's header locations
  ln -sfn /usr/include/rapidjson "$PREFIX.tmp/sysinc/rapidjson"
  write_toolchain "$PREFIX.tmp/toolchain.cmake"
  printf '%s\n' "$manifest" > "$PREFIX.tmp/manifest.txt"
  rm -rf "$PREFIX"; mv "$PREFIX.tmp" "$PREFIX"
  sed -i "s|$PREFIX.tmp|$PREFIX|g" "$PREFIX/manifest.txt"
  touch "$PREFIX/.done"
else
  log "prefix cached: $PREFIX"
fi
ln -sfn "prefix-$PKEY" "$DEPS_CACHE/current"

cat > "$PREFIX/deps.env" <<EOF
# source this file: . "\$DEPS_CACHE/current/deps.env"
export DEPS_PREFIX="$PREFIX"
export DEPS_TOOLCHAIN="$PREFIX/toolchain.cmake"
export PKG_CONFIG_LIBDIR="$PREFIX/lib/pkgconfig:/usr/$HOST/lib/pkgconfig"
EOF
if [ $PRUNE = 1 ]; then   # keep only what the current prefix was made from
  for d in "$DEPS_CACHE"/prefix-*; do [ "$d" = "$PREFIX" ] || rm -rf "$d"; done
  for d in "$DEPS_CACHE"/pkg/*; do grep -qF ": $(basename "$d")" "$PREFIX/manifest.txt" || rm -rf "$d"; done
  for d in "$DEPS_CACHE"/src/*; do
    keep=0; for n in "${!SRCPKG[@]}"; do [ "$(basename "$d")" = "${SRCPKG[$n]}_${VER[$n]}" ] && keep=1; done
    [ $keep = 1 ] || rm -rf "$d"
  done
  rm -rf "$DEPS_CACHE/build" "$DEPS_CACHE/logs"
fi
log "ready in $((SECONDS - T0)) s: $PREFIX"
echo "$PREFIX"
