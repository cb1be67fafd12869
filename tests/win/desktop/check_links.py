#!/usr/bin/env python3
"""Reads back every link the shortcut tests kept, with lnkinfo, and compares what it shows
with links/expected.txt (file, target, working folder, icon location or "-", tab-separated)."""
import subprocess
import sys

lnkinfo, folder = sys.argv[1], sys.argv[2]


def fields(path):
    out = subprocess.run([lnkinfo, "-c", "windows-936", path], capture_output=True, check=True)
    shown = {}
    for line in out.stdout.decode("utf-8", "replace").splitlines():
        name, sep, value = line.partition(":")
        if sep:
            shown.setdefault(name.strip(), value.strip())
    return shown


failures = 0
with open(f"{folder}/expected.txt", encoding="utf-8") as manifest:
    rows = [line.rstrip("\n").split("\t") for line in manifest if line.strip()]
if not rows:
    sys.exit("no links to check")
for name, target, working, icon in rows:
    shown = fields(f"{folder}/{name}")
    want = {"Local path": target, "Working directory": working,
            "Icon location": None if icon == "-" else icon}
    for key, value in want.items():
        if shown.get(key) != value:
            failures += 1
            print(f"{name}: {key} is {shown.get(key)!r}, expected {value!r}")
    print(f"{name}: checked")
sys.exit(1 if failures else 0)
