#!/usr/bin/env bash
# Gives a test prefix a drive D (a dosdevices link to a folder of the build) or takes it away.
# usage: drive_d.sh present|absent <prefix> <folder for drive D>
# Wine reads the drive list when the prefix's server session starts, so a change of the link
# ends the prefix's running session; a prefix that gets drive D is used by nothing else.
set -euo pipefail
mode=$1 prefix=$2 target=$3
top=$(cd "$(dirname "$0")/../../.." && pwd)
if [ ! -d "$prefix/dosdevices" ]; then
  # The prefix is made on first use.
  KESTRION_WINEPREFIX=$prefix timeout 300 "$top/scripts/wine-run" cmd /c exit 0 >/dev/null 2>&1 || true
fi
link=$prefix/dosdevices/d:
before=$(readlink "$link" 2>/dev/null || true)
rm -f "$link"
if [ "$mode" = present ]; then
  mkdir -p "$target"
  ln -s "$target" "$link"
else
  rm -rf "$target"
fi
after=$(readlink "$link" 2>/dev/null || true)
if [ "$before" != "$after" ]; then
  KESTRION_WINEPREFIX=$prefix "$top/scripts/wine-run" wineserver -k 2>/dev/null || true
  KESTRION_WINEPREFIX=$prefix timeout 60 "$top/scripts/wine-run" wineserver -w 2>/dev/null || true
fi
