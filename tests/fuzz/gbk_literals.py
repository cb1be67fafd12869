#!/usr/bin/env python3
"""The rules' sources for clang, which has no -fexec-charset=GBK.

gcc turns the UTF-8 narrow literals of our sources into GBK bytes; clang only knows UTF-8. For each
source that has a non-ASCII character in a plain "..." or '...' literal, this writes a copy whose
literals spell the GBK bytes as octal escapes (an octal escape never runs on into the next
character, as a hex one would), so the compiled rule holds the same bytes as on Windows. Comments
and literals with an encoding prefix (u8, u, U, L) stay as they are; a #line directive keeps
diagnostics pointing at the original file. Sources without such literals get no copy.

    gbk_literals.py SOURCE_ROOT OUT_DIR SOURCE...   prints "SOURCE|COPY" for every copy

A non-ASCII character in a plain raw string, or one without a GBK form, is an error, never a
silent UTF-8 string.
"""
import os
import sys

ENCODING_PREFIXES = ("L", "u", "U", "u8")


def escape(ch, where):
    try:
        data = ch.encode("gbk")
    except UnicodeEncodeError:
        sys.exit(f"{where}: {ch!r} has no GBK form (gcc's -fexec-charset=GBK refuses it too)")
    return "".join(f"\\{b:03o}" for b in data)


def transcode(text, where):
    """The text with the plain literals' non-ASCII characters escaped, and whether any were."""
    out, changed, i, n = [], False, 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = end + 2 if end >= 0 else -1
        else:
            end = None
        if end is not None:  # a comment, up to its end
            end = n if end < 0 else end
            out.append(text[i:end])
            i = end
            continue
        if c not in "\"'":
            out.append(c)
            i += 1
            continue
        # The identifier characters right before the quote: an encoding or raw prefix.
        j = i
        while j > 0 and (text[j - 1].isalnum() or text[j - 1] == "_"):
            j -= 1
        prefix = text[j:i]
        if c == "'" and prefix and prefix not in ENCODING_PREFIXES:  # a digit separator: 1'000
            out.append(c)
            i += 1
            continue
        if c == '"' and prefix.endswith("R"):
            open_paren = text.index("(", i)
            closing = ")" + text[i + 1:open_paren] + '"'
            end = text.index(closing, open_paren) + len(closing)
            if prefix == "R" and any(ord(ch) > 0x7F for ch in text[i:end]):
                sys.exit(f"{where}: a raw string with non-ASCII text cannot hold GBK bytes")
            out.append(text[i:end])
            i = end
            continue
        plain = prefix not in ENCODING_PREFIXES
        k = i + 1
        out.append(c)
        while k < n and text[k] != c:
            if text[k] == "\\":
                out.append(text[k:k + 2])
                k += 2
            elif plain and ord(text[k]) > 0x7F:
                out.append(escape(text[k], where))
                changed = True
                k += 1
            else:
                out.append(text[k])
                k += 1
        out.append(c)
        i = k + 1
    return "".join(out), changed


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    root, out_dir = (os.path.abspath(a) for a in sys.argv[1:3])
    for given in sys.argv[3:]:
        source = os.path.abspath(given)
        with open(source, encoding="utf-8") as f:
            result, changed = transcode(f.read(), source)
        if not changed:
            continue
        rel = os.path.relpath(source, root)
        copy = os.path.join(out_dir, os.path.basename(source) if rel.startswith("..") else rel)
        content = f'#line 1 "{source}"\n{result}'
        try:
            with open(copy, encoding="utf-8") as f:
                same = f.read() == content
        except FileNotFoundError:
            same = False
        if not same:  # an unchanged copy keeps its time stamp: no needless rebuild
            os.makedirs(os.path.dirname(copy), exist_ok=True)
            with open(copy, "w", encoding="utf-8") as f:
                f.write(content)
        print(f"{given}|{copy}")


if __name__ == "__main__":
    main()
