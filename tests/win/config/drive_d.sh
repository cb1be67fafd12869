#!/usr/bin/env bash
# Gives the test prefix a drive D (a dosdevices link to a folder of the build) or takes it away.
# usage: drive_d.sh present|absent <prefix> <folder for drive D>
set -euo pipefail
mode=$1 prefix=$2 target=$3
top=$(cd "$(dirname "$0")/../../.." && pwd)
if [ ! -d "$prefix/dosdevices" ]; then
  # The prefix is made on first use.
  KESTRION_WINEPREFIX=$prefix timeout 300 "$top/scripts/wine-run" cmd /c exit 0 >/dev/null 2>&1 || true
fi
rm -f "$prefix/dosdevices/d:"
if [ "$mode" = present ]; then
  mkdir -p "$target"
  ln -s "$target" "$prefix/dosdevices/d:"
else
  rm -rf "$target"
fi
