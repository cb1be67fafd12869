#!/usr/bin/env python3
"""Makes the packages the end-to-end tests install, with Python's zipfile, around the stand-in
client (app/TILLWRIGHT.exe), into the folder the sample service serves them from.

  full.zip      a full package: app/TILLWRIGHT.exe, app/readme.txt, app/data/menu.txt
  partial.zip   laid over the previous installation: app/readme.txt (new), app/patch.txt
  upgrade.zip   a full package of the next version: app/TILLWRIGHT.exe, app/readme.txt
  corrupt.zip   full.zip with a damaged entry (its CRC no longer matches)
  noclient.zip  a full package without the client
  climb.zip     the client and entries whose names climb out of the folder
  big.zip       the client and 8 MB that do not compress, for a disk that is too small
"""
import os
import shutil
import sys
import zipfile


def write(path, entries, method=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(path, "w", method) as z:
        for name, data in entries:
            z.writestr(name, data)


def main():
    standin, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    client = open(standin, "rb").read()
    write(os.path.join(out, "full.zip"), [
        ("app/TILLWRIGHT.exe", client),
        ("app/readme.txt", b"full 2.1.5\r\n"),
        ("app/data/menu.txt", "菜单 1\r\n".encode("gbk")),
    ])
    write(os.path.join(out, "partial.zip"), [
        ("app/readme.txt", b"partial 2.1.6\r\n"),
        ("app/patch.txt", b"patch 2.1.6\r\n"),
    ])
    write(os.path.join(out, "upgrade.zip"), [
        ("app/TILLWRIGHT.exe", client),
        ("app/readme.txt", b"upgrade 2.2.0\r\n"),
    ])
    # Stored, so the damage lands in the data and only the CRC check can find it.
    corrupt = os.path.join(out, "corrupt.zip")
    write(corrupt, [("app/TILLWRIGHT.exe", client), ("app/readme.txt", b"corrupt " * 64)],
          zipfile.ZIP_STORED)
    data = bytearray(open(corrupt, "rb").read())
    at = data.find(b"corrupt corrupt")
    data[at:at + 7] = b"CORRUPT"
    open(corrupt, "wb").write(bytes(data))
    write(os.path.join(out, "noclient.zip"), [("app/readme.txt", b"no client 2.1.6\r\n")])
    write(os.path.join(out, "climb.zip"), [
        ("app/TILLWRIGHT.exe", client),
        ("../../climbed.txt", b"outside?\r\n"),
        ("app/../../../up.txt", b"up?\r\n"),
    ])
    write(os.path.join(out, "big.zip"), [("app/TILLWRIGHT.exe", client),
                                         ("app/big.bin", os.urandom(8 * 1024 * 1024))],
          zipfile.ZIP_STORED)
    shutil.copy(standin, os.path.join(out, "TILLWRIGHT.exe"))


if __name__ == "__main__":
    main()
