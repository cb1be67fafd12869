#!/usr/bin/env python3
"""The packages the run tests install, made with Python's zipfile: a whole client, one without
the client, one whose posconfig.json place is taken by a folder, a corrupt one and a partial one.
usage: make_packages.py <folder>"""
import os
import sys
import zipfile

out = sys.argv[1]
os.makedirs(out, exist_ok=True)


def package(name, entries):
    with zipfile.ZipFile(os.path.join(out, name), "w", zipfile.ZIP_DEFLATED) as z:
        for entry, data in entries:
            if data is None:
                z.writestr(zipfile.ZipInfo(entry), b"")
            else:
                z.writestr(entry, data)


client = ("app/TILLWRIGHT.exe", b"client 2")
package("whole.zip", [client, ("app/data/menu.txt", b"menu 2")])
package("noclient.zip", [("app/readme.txt", b"no client here")])
package("configfolder.zip", [client, ("posconfig.json/", None)])
package("partial.zip", [("app/data/menu.txt", b"menu 3")])
with open(os.path.join(out, "whole.zip"), "rb") as f:
    whole = f.read()
# The central directory cut off: no zip reader can open it.
with open(os.path.join(out, "corrupt.zip"), "wb") as f:
    f.write(whole[: len(whole) - 30])
