#!/usr/bin/env python3
"""Makes the benchmark's packages with Python's zipfile (deflated), each with the stand-in client
as app/TILLWRIGHT.exe so the real program can install it, and beside each a list of its files
("relative\\path<TAB>bytes", Windows separators) for the platform's floor:

  large.zip   256 MB: one 200 MB entry and seven of 8 MB, data that does not compress
  huge.zip    1 GB: one entry of 1 GB that does not compress
  small.zip   5,000 files of 1-20 KB of text in 50 folders

  make_packages.py <stand-in client> <folder> full|small

The small scale (for CI) makes the same shapes at 16 MB, 64 MB and 500 files. A folder that
already holds the packages of that scale is left as it is.
"""
import os
import random
import sys
import zipfile

MB = 1 << 20
SCALES = {
    # large: (big entry, other entries, their size); huge: bytes; small: files
    "full": {"large": (200 * MB, 7, 8 * MB), "huge": 1024 * MB, "small": 5000},
    "small": {"large": (12 * MB, 4, 1 * MB), "huge": 64 * MB, "small": 500},
}
VERSION = "1"  # bump when the packages change shape
WORDS = ("收银 menu price 商品 order total 会员 till receipt 0123456789 store 折扣 "
         "cash card tax item 数量 name code").split()


class Package:
    def __init__(self, path):
        self.zip = zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=1)
        self.listing = open(os.path.splitext(path)[0] + ".list", "w", encoding="ascii")

    def add(self, name, data):
        self.zip.writestr(name, data)
        self.listing.write("%s\t%d\n" % (name.replace("/", "\\"), len(data)))

    def add_random(self, name, size):
        """An entry of `size` bytes that do not compress, written in pieces."""
        with self.zip.open(name, "w", force_zip64=size > 1 << 31) as out:
            for offset in range(0, size, 16 * MB):
                out.write(os.urandom(min(16 * MB, size - offset)))
        self.listing.write("%s\t%d\n" % (name.replace("/", "\\"), size))

    def close(self):
        self.zip.close()
        self.listing.close()


def text_file(rng, size):
    out = bytearray()
    while len(out) < size:
        out += " ".join(rng.choice(WORDS) for _ in range(12)).encode("gbk") + b"\r\n"
    return bytes(out[:size])


def main():
    standin, folder, scale = sys.argv[1], sys.argv[2], sys.argv[3]
    sizes = SCALES[scale]
    stamp = os.path.join(folder, "made")
    if os.path.exists(stamp) and open(stamp).read() == scale + " " + VERSION:
        return
    os.makedirs(folder, exist_ok=True)
    if os.path.exists(stamp):
        os.remove(stamp)
    client = open(standin, "rb").read()

    big, others, other_size = sizes["large"]
    large = Package(os.path.join(folder, "large.zip"))
    large.add("app/TILLWRIGHT.exe", client)
    large.add_random("app/data/big.bin", big)
    for i in range(others):
        large.add_random("app/data/part%d.bin" % i, other_size)
    large.close()

    huge = Package(os.path.join(folder, "huge.zip"))
    huge.add("app/TILLWRIGHT.exe", client)
    huge.add_random("app/data/huge.bin", sizes["huge"])
    huge.close()

    rng = random.Random(12)
    small = Package(os.path.join(folder, "small.zip"))
    small.add("app/TILLWRIGHT.exe", client)
    for i in range(sizes["small"]):
        small.add("app/data/d%02d/f%04d.txt" % (i % 50, i), text_file(rng, rng.randint(1024, 20480)))
    small.close()

    with open(stamp, "w") as f:
        f.write(scale + " " + VERSION)


if __name__ == "__main__":
    main()
