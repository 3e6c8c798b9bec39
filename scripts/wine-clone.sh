#!/usr/bin/env bash
# Makes a Wine prefix from another one in a fraction of a second and of the
# disk: the Windows programs and libraries (nearly all of a prefix's 0.6 to
# 1.3 GB) are hard links to the source's, everything else is a real copy.
# Usage: wine-clone.sh SOURCE_PREFIX SOURCE_HOME PREFIX HOME
#
# Wine replaces the registry files by renaming a new one over them, but
# programs write .ini files in place, and the user's folders belong to each
# prefix: all of these are copied. Wine writes into its programs and
# libraries only when it updates a prefix to a newer Wine; the source must
# therefore be up to date (scripts/test-prefix.sh rebuilds it when Wine
# changed), so that the copy never starts such an update.
# The user's shell folders (Desktop, Documents, ...) are links to the
# source's home; the copy's point to its own.
set -euo pipefail
src=$1 src_home=$2 dst=$3 dst_home=$4
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
[ -e "$src/.update-timestamp" ] || { echo "wine-clone.sh: $src is no Wine prefix" >&2; exit 1; }
rm -rf "$dst" "$dst_home"
mkdir -p "$dst" "$dst_home"
shopt -s dotglob nullglob
for entry in "$src"/*; do
  [ "$(basename "$entry")" = drive_c ] || cp -a "$entry" "$dst/"
done
mkdir "$dst/drive_c"
for entry in "$src"/drive_c/*; do
  if [ "$(basename "$entry")" = users ]; then cp -a "$entry" "$dst/drive_c/"; else cp -al "$entry" "$dst/drive_c/"; fi
done
# Only program files stay shared; the rest (ini, inf, manifests, hosts, ...) are a few kilobytes.
find "$dst/drive_c" -type f -links +1 -regextype posix-extended ! -iregex ".*$quorvel_wine_binaries" \
  -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} +
src_home=$(cd "$src_home" && pwd -P)
find "$dst/drive_c/users" -type l | while read -r link; do
  target=$(readlink "$link")
  case "$target" in
    "$src_home") ln -sfn "$dst_home" "$link" ;;
    "$src_home"/*) ln -sfn "$dst_home/${target#"$src_home"/}" "$link" ;;
  esac
done
