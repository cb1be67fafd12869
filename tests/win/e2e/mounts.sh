#!/usr/bin/env bash
# Folders whose limits Wine alone cannot make real (it runs as root here, so permissions stop
# nothing): a read-only bind mount and a small tmpfs that fills up. Each one's outcome goes to
# <folder>/<name>.state: "ok", or the reason the machine refused the mount.
#   mounts.sh up <folder>     mounts <folder>/readonly and <folder>/small (4 MB)
#   mounts.sh down <folder>   unmounts both
set -uo pipefail
mode=$1 folder=$2
ro=$folder/readonly small=$folder/small
if [ "$mode" = down ]; then
  for m in "$ro" "$small"; do mountpoint -q "$m" 2>/dev/null && umount "$m"; done
  exit 0
fi
mkdir -p "$ro" "$small"
for m in "$ro" "$small"; do mountpoint -q "$m" 2>/dev/null && umount "$m"; done
# The read-only folder holds a file, so a test can see that it stays.
echo "kept" > "$ro/kept.txt"
if out=$(mount --bind "$ro" "$ro" 2>&1 && mount -o remount,bind,ro "$ro" 2>&1); then
  if touch "$ro/probe" 2>/dev/null; then rm -f "$ro/probe"; echo "mounted but still writable" > "$folder/readonly.state"
  else echo ok > "$folder/readonly.state"; fi
else
  mountpoint -q "$ro" && umount "$ro"
  echo "refused: $out" > "$folder/readonly.state"
fi
if out=$(mount -t tmpfs -o size=4m tmpfs "$small" 2>&1); then
  echo ok > "$folder/small.state"
else
  echo "refused: $out" > "$folder/small.state"
fi
exit 0
