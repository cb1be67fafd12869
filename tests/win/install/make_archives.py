#!/usr/bin/env python3
"""Makes the zip archives the archive tests unpack, with the tools that make real packages:
Python's zipfile and Info-ZIP zip. Usage: make_archives.py OUT_FOLDER"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

out = sys.argv[1]
shutil.rmtree(out, ignore_errors=True)
os.makedirs(out)


def path(name):
    return os.path.join(out, name)


def python_zip(name, entries, method=zipfile.ZIP_DEFLATED):
    """entries: (name, bytes or None for a folder entry, date_time or None)."""
    with zipfile.ZipFile(path(name), "w", method) as z:
        for entry, data, when in entries:
            info = zipfile.ZipInfo(entry, when or (2024, 5, 6, 7, 8, 10))
            info.compress_type = method
            if data is None:
                info.external_attr = 0o40755 << 16 | 0x10
                z.writestr(info, b"")
            else:
                info.external_attr = 0o644 << 16
                z.writestr(info, data)


big = bytes((i * 7) % 256 for i in range(100000))  # several 16 KB buffers

python_zip("example.zip", [("app/", None, None), ("app/TILLWRIGHT.exe", b"new exe", None),
                           ("app/lib/x.dll", b"dll", (2020, 1, 2, 3, 4, 6))])
python_zip("nodirs.zip", [("app/a/b/c.txt", b"deep", None), ("top.txt", b"top", None),
                          ("app/big.bin", big, None)])
# Long enough to unpack that the window must be served while it goes on.
python_zip("large.zip", [("app/large.bin", bytes(96 << 20), None)])
python_zip("slip.zip", [("../../x.txt", b"1", None), ("C:\\y.txt", b"2", None),
                        ("a/../../z.txt", b"3", None), ("..\\w.txt", b"4", None),
                        ("app/../../../v.txt", b"5", None), ("/abs.txt", b"6", None),
                        ("s.txt:stream", b"7", None), ("app/.. /u.txt", b"8", None)])
python_zip("device.zip", [("app/ok.txt", b"ok", None), ("app/NUL.txt", b"x", None)])
python_zip("utf8.zip", [("app/中文/说明.txt", b"utf8 name", None)])
with zipfile.ZipFile(path("empty.zip"), "w"):
    pass
with open(path("notzip.zip"), "wb") as f:
    f.write(b"<html><body>404 Not Found</body></html>\n")
python_zip("noflag_folder.zip", [("app/", b"", None), ("app/a.txt", b"a", None)])

# GBK names stored raw, without the UTF-8 flag, as zip tools on Chinese Windows store them:
# placeholders of the same length, patched in local header and central directory alike.
python_zip("gbk.zip", [("app/QQQQ/WWWW.txt", b"gbk name", None), ("app/JJ.txt", b"jou", None)])
with open(path("gbk.zip"), "rb") as f:
    data = f.read()
data = (data.replace(b"QQQQ", "中文".encode("gbk")).replace(b"WWWW", "说明".encode("gbk"))
        .replace(b"JJ", b"\x81\x5c"))  # a character whose trail byte is '\'
with open(path("gbk.zip"), "wb") as f:
    f.write(data)

# A checksum that does not match (stored data changed) and a damaged deflate stream.
python_zip("crc.zip", [("app/first.txt", b"first", None),
                       ("app/TILLWRIGHT.exe", b"STORED-PAYLOAD", None)], zipfile.ZIP_STORED)
with open(path("crc.zip"), "rb") as f:
    data = f.read()
with open(path("crc.zip"), "wb") as f:
    f.write(data.replace(b"STORED-PAYLOAD", b"STORED-PAYLOAX"))
python_zip("inflate.zip", [("app/TILLWRIGHT.exe", b"x" * 5000 + bytes(range(256)) * 20, None)])
with open(path("inflate.zip"), "rb") as f:
    data = bytearray(f.read())
with zipfile.ZipFile(path("inflate.zip")) as z:
    info = z.infolist()[0]
start = info.header_offset + 30 + len(info.filename.encode()) + len(info.extra)
for i in range(start, start + info.compress_size):
    data[i] ^= 0x5A
with open(path("inflate.zip"), "wb") as f:
    f.write(bytes(data))

# A deflate stream that ends before the size its headers announce.
python_zip("short.zip", [("app/TILLWRIGHT.exe", b"short" * 100, None)])
with open(path("short.zip"), "rb") as f:
    data = bytearray(f.read())
with zipfile.ZipFile(path("short.zip")) as z:
    info = z.infolist()[0]
central = data.rindex(b"PK\x01\x02")
for at in (info.header_offset + 22, central + 24):
    data[at:at + 4] = struct.pack("<I", info.file_size + 100)
with open(path("short.zip"), "wb") as f:
    f.write(bytes(data))

# Info-ZIP zip on a Unix tree: Unix host system, mode bits, the UT extra field; and an encrypted
# entry (zip -P).
work = tempfile.mkdtemp()
try:
    tree = os.path.join(work, "tree")
    os.makedirs(os.path.join(tree, "app", "empty"))
    for name, data, mode in [("app/rw.txt", b"rw", 0o644), ("app/ro.txt", b"ro", 0o444)]:
        with open(os.path.join(tree, name), "wb") as f:
            f.write(data)
        os.chmod(os.path.join(tree, name), mode)
    # 2021-03-04 05:06:07 UTC and 2022-01-01 00:00:00 UTC
    os.utime(os.path.join(tree, "app/rw.txt"), (1640995200, 1614834367))
    os.utime(os.path.join(tree, "app/ro.txt"), (1640995200, 1614834367))
    subprocess.run(["zip", "-q", "-r", path("unix.zip"), "app"], cwd=tree, check=True)
    subprocess.run(["zip", "-q", "-P", "secret", path("encrypted.zip"), "app/rw.txt"], cwd=tree,
                   check=True)
finally:
    for root, dirs, files in os.walk(work):
        for name in files:
            os.chmod(os.path.join(root, name), 0o644)
    shutil.rmtree(work)
