#!/usr/bin/env bash
# Gives a test prefix a drive D (a dosdevices link to a folder of the build) or takes it away,
# and makes its Program Files folders read-only or writable again.
# usage: drive_d.sh present|cdrom|absent <prefix> <folder for drive D> [readonly|writable]
#   present   drive D, a fixed disk (the kind Wine gives a link without a type of its own)
#   cdrom     drive D, a CD-ROM drive: the link, and "d:"="cdrom" in HKLM\Software\Wine\Drives
#   absent    no drive D
#   readonly  Program Files (and Program Files (x86)) as a read-only bind mount, as a standard
#             user meets them on Windows; writable (the default) undoes the mount
# Wine reads the drive list and the drive types when the prefix's server session starts, so a
# change ends the prefix's running session; a prefix that gets drive D is used by nothing else.
set -euo pipefail
mode=$1 prefix=$2 target=$3 program_files=${4:-writable}
top=$(cd "$(dirname "$0")/../../.." && pwd)
run() { KESTRION_WINEPREFIX=$prefix "$top/scripts/wine-run" "$@"; }
if [ ! -d "$prefix/dosdevices" ]; then
  # The prefix is made on first use.
  run cmd /c exit 0 >/dev/null 2>&1 || true
fi
drive_key='HKLM\Software\Wine\Drives'
# Wine's mount manager reads the drive types from the system's own (64-bit) view of the registry.
# A 32-bit reg.exe on a 64-bit prefix writes to Wow6432Node unless it is told the view.
view=()
if grep -q '^\[Software\\\\Wow6432Node\\\\' "$prefix/system.reg" 2>/dev/null; then view=(/reg:64); fi
link=$prefix/dosdevices/d:
before=$(readlink "$link" 2>/dev/null || true)
type_before=$(grep -c '^"d:"="cdrom"' "$prefix/system.reg" 2>/dev/null || true)
type_before=${type_before:-0}
rm -f "$link"
if [ "$mode" = present ] || [ "$mode" = cdrom ]; then
  mkdir -p "$target"
  ln -s "$target" "$link"
else
  rm -rf "$target"
fi
if [ "$mode" = cdrom ]; then
  run reg add "$drive_key" /v d: /d cdrom /f "${view[@]}" >/dev/null 2>&1
  type_after=1
else
  [ "$type_before" = 0 ] || run reg delete "$drive_key" /v d: /f "${view[@]}" >/dev/null 2>&1 || true
  type_after=0
fi
after=$(readlink "$link" 2>/dev/null || true)
if [ "$before" != "$after" ] || [ "$type_before" != "$type_after" ]; then
  # Ended cleanly, the server saves the registry first.
  run wineserver -k 2>/dev/null || true
  KESTRION_WINEPREFIX=$prefix timeout 60 "$top/scripts/wine-run" wineserver -w 2>/dev/null || true
fi

for folder in "$prefix/drive_c/Program Files" "$prefix/drive_c/Program Files (x86)"; do
  [ -d "$folder" ] || continue
  while mountpoint -q "$folder"; do umount "$folder"; done
  if [ "$program_files" = readonly ]; then
    mount --bind "$folder" "$folder"
    mount -o remount,bind,ro "$folder"
    if touch "$folder/.probe" 2>/dev/null; then
      rm -f "$folder/.probe"
      echo "drive_d.sh: $folder is still writable after the read-only mount" >&2
      exit 1
    fi
  fi
done
