#!/bin/sh
# Writes a UTF-8 language file as Windows-1251 with CR LF line ends: encode-language-file.sh IN OUT
# A character that Windows-1251 cannot hold fails the build instead of turning into "?".
set -eu
tmp="$2.tmp"
trap 'rm -f "$tmp"' EXIT
iconv -f UTF-8 -t WINDOWS-1251 "$1" > "$tmp"
sed -i 's/\r*$/\r/' "$tmp"
mv "$tmp" "$2"
trap - EXIT
