#!/usr/bin/env bash
# Known answers for the machine-key tests, made with the host's openssl and
# iconv rather than the code under test: per vector four lines (machine-id
# text, password, SHA-256 key of the UTF-16LE id in hex, Base64 of the
# AES-256-CFB128 cipher text of id + password with a zero IV, or "-" when
# the plain text is not ASCII and so depends on the ANSI code page).
set -euo pipefail
out=$1
zero_iv=00000000000000000000000000000000

vector() {
  local id=$1 password=$2 ascii=$3 key b64=-
  key=$(printf '%s' "$id" | iconv -f UTF-8 -t UTF-16LE | openssl dgst -sha256 -binary | od -An -v -tx1 | tr -d " \n")
  if [ "$ascii" = yes ]; then
    b64=$(printf '%s%s' "$id" "$password" | openssl enc -aes-256-cfb -K "$key" -iv "$zero_iv" | base64 -w0)
  fi
  printf '%s\n%s\n%s\n%s\n' "$id" "$password" "$key" "$b64"
}

{
  vector "1234567890QUORVEL-PCplayer" "p@ss w0rd! 1234567890abcdefghij" yes
  vector "4294967295WORKSTATIONAdministrator" "x" yes
  vector "3735928559测试机器玩家" "" no
} > "$out.tmp"
mv "$out.tmp" "$out"
