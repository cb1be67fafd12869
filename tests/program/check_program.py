#!/usr/bin/env python3
"""Checks a built kestrion.exe without running it: the kind of PE file (PE32 i386 or PE32+ x86-64),
a Windows GUI program, only DLLs that ship with Windows among its imports, and the resources the
program loads (dialog 102 and the string table, each in Chinese 2052 and English 1033, icon 128,
the manifest), and a Release program's size: no symbols or debugging sections, and at most
1,500,000 bytes, small enough to hand to every till. Read with objdump and wrestool, independent
of our own code.
usage: check_program.py win32|win64 <kestrion.exe>"""
import os
import re
import subprocess
import sys

KINDS = {
    "win32": ("i686-w64-mingw32-objdump", "pei-i386"),
    "win64": ("x86_64-w64-mingw32-objdump", "pei-x86-64"),
}
# DLLs that every Windows since 7 ships; a program that needs anything else does not start.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "shlwapi.dll",
    "ole32.dll", "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "wininet.dll", "msvcrt.dll",
    "bcrypt.dll", "version.dll",
}
RT_ICON_GROUP, RT_DIALOG, RT_STRING, RT_MANIFEST = 14, 5, 6, 24
CHINESE, ENGLISH = 2052, 1033
MAX_BYTES = 1_500_000


def main():
    kind, program = sys.argv[1], sys.argv[2]
    objdump, file_format = KINDS[kind]
    problems = []
    headers = subprocess.run([objdump, "-p", program], capture_output=True, text=True,
                             check=True).stdout
    if f"file format {file_format}" not in headers:
        problems.append(f"not a {file_format} file")
    subsystem = re.search(r"^Subsystem\s+(\S+)", headers, re.M)
    if not subsystem or int(subsystem.group(1), 16) != 2:
        problems.append("not a Windows GUI program (subsystem 2)")
    dlls = sorted({d.lower() for d in re.findall(r"DLL Name: (\S+)", headers)})
    foreign = [d for d in dlls if d not in SYSTEM_DLLS]
    if foreign:
        problems.append("imports DLLs that do not ship with Windows: " + ", ".join(foreign))
    sections = subprocess.run([objdump, "-h", program], capture_output=True, text=True,
                              check=True).stdout
    if re.search(r"\s\.debug_", sections):
        problems.append("carries debugging sections (not a stripped Release build)")
    size = os.path.getsize(program)
    if size > MAX_BYTES:
        problems.append(f"{size:,} bytes, more than {MAX_BYTES:,}")

    listing = subprocess.run(["wrestool", "-l", program], capture_output=True, text=True,
                             check=True).stdout
    resources = set()
    for line in listing.splitlines():
        t = re.search(r"--type=(\d+)", line)
        n = re.search(r"--name=(\d+)", line)
        lang = re.search(r"--language=(\d+)", line)
        if t and n:
            resources.add((int(t.group(1)), int(n.group(1)), int(lang.group(1)) if lang else 0))

    def has(rtype, name=None, language=None):
        return any(t == rtype and (name is None or n == name) and
                   (language is None or l == language) for t, n, l in resources)

    wanted = [
        ("dialog 102 (Chinese)", has(RT_DIALOG, 102, CHINESE)),
        ("dialog 102 (English)", has(RT_DIALOG, 102, ENGLISH)),
        ("string table in Chinese (2052)", has(RT_STRING, language=CHINESE)),
        ("string table in English (1033)", has(RT_STRING, language=ENGLISH)),
        ("icon 128", has(RT_ICON_GROUP, 128)),
        ("manifest", has(RT_MANIFEST, 1)),
    ]
    problems += ["no " + what for what, ok in wanted if not ok]
    if problems:
        print(f"{program}: " + "; ".join(problems))
        return 1
    print(f"{program}: {file_format} GUI program of {size:,} bytes; imports {', '.join(dlls)}; "
          + ", ".join(what for what, _ in wanted))
    return 0


if __name__ == "__main__":
    sys.exit(main())
