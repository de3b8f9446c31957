#!/usr/bin/env python3
"""Checks the release package: the executable as built, the README, the LICENSE, the notices
and a bill of materials of that executable; notices that give the full text of each license
block they name, and the notices that the linked code is known to owe; a bill that names every
DLL the executable imports; a README that names the package of this version; and that linked
code with no license known stops the notices.

usage: check_release_package.py PACKAGE.zip EXE README"""
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile
import zipfile

GENERATOR = os.path.join(os.path.dirname(__file__), "..", "tools", "release", "third_party.py")
GCC = "/usr/lib/gcc/x86_64-w64-mingw32/12-posix/"
# A link that takes code whose license is not known here, and what the notices must say.
UNLICENSED_LINKS = [
    ("LOAD %scrtfastmath.o" % GCC, "crtfastmath.o: linked GCC code with no source named"),
    ("%slibquadmath.a(fmodq.o)" % GCC, "libquadmath.a(fmodq.o): linked GCC code"),
    ("LOAD {scratch}/vendored.o", "vendored.o: linked code of no Debian package"),
]
# Notices that the linked code owes, each stated only in a linked file's own header or in
# upstream's notice files, never in Debian's summary of a whole folder.
OWED_NOTICES = [
    "(C) 2010 Lockless Inc.",  # pthread.h, whose macros winpthreads' members compile
    "Copyright (c) 2015 Intel Corporation",  # winpthreads' mutex.c and spinlock.c
    "Copyright (C) 1997, 1999, 2001 Lucent Technologies",  # mingw_pformat.c
    "\nCOPYING.MinGW-w64-runtime/COPYING.MinGW-w64-runtime.txt\n",
    "\nmingw-w64-libraries/winpthreads/COPYING\n",
]


def unwritten_texts(notices):
    """License blocks that the notices name but do not give in full."""
    texts = dict(re.findall(r"^-{78}\n([^\n]+)\n-{78}\n\n(.*?)(?=\n\n-{78}\n|\n\n={78}\n|\Z)", notices,
                            re.MULTILINE | re.DOTALL))
    named = {n for line in re.findall(r"^  License texts below: (.*)$", notices, re.MULTILINE)
             for n in line.split("; ")}
    return sorted(n for n in named if not texts.get(n, "").strip())


def unnamed_imports(exe, bom):
    dumped = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True, check=True)
    named = {c["name"] for c in bom.get("components", [])}
    return sorted(set(re.findall(r"^\s*DLL Name: (\S+)$", dumped.stdout, re.MULTILINE)) - named)


def refuses_unlicensed_code():
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        with open("/usr/x86_64-w64-mingw32/lib/crt2.o", "rb") as f, open(scratch + "/vendored.o", "wb") as out:
            out.write(f.read())
        for line, message in UNLICENSED_LINKS:
            with open(scratch + "/link.map", "w") as f:
                f.write(line.format(scratch=scratch) + "\n")
            run = subprocess.run([sys.executable, GENERATOR, "notices", scratch + "/link.map", "own.a",
                                  "--out", scratch + "/notices", "--libraries", scratch + "/libraries"],
                                 capture_output=True, text=True)
            if run.returncode == 0 or message not in run.stderr:
                failures.append("%s: exit %d, %s" % (line, run.returncode, run.stderr.strip()))
    return failures


def main():
    package, exe, readme = sys.argv[1:4]
    with zipfile.ZipFile(package) as z:
        names = sorted(z.namelist())
        expected = ["LICENSE", "README.md", "THIRD-PARTY-NOTICES.txt", "fx2-driver-remover.cdx.json",
                    "fx2-driver-remover.exe"]
        if names != expected:
            sys.exit("package holds %s, expected %s" % (names, expected))
        with open(exe, "rb") as f:
            if z.read("fx2-driver-remover.exe") != f.read():
                sys.exit("the packaged executable is not the one built")
        bom = json.loads(z.read("fx2-driver-remover.cdx.json"))
        contained = bom["metadata"]["component"].get("components", [])  # what the executable holds
        digest = hashlib.sha256(z.read("fx2-driver-remover.exe")).hexdigest()
        if bom["metadata"]["component"]["hashes"] != [{"alg": "SHA-256", "content": digest}]:
            sys.exit("the bill of materials does not name the packaged executable")
        notices = z.read("THIRD-PARTY-NOTICES.txt").decode("utf-8")
        libraries = {library["name"]: package["name"] for package in contained for library in package["components"]}
        unnoticed = [name for name, package in libraries.items()
                     if "\n%s, from Debian's %s " % (name, package) not in notices]
        if unnoticed:
            sys.exit("libraries of the bill with no notice: %s" % unnoticed)
        # Code that an import library also carries counts, and so does the stack protector's.
        missing = {"libmsvcrt.a", "libssp.a", "libstdc++.a", "libpthread.a"} - libraries.keys()
        if missing:
            sys.exit("the bill lacks linked libraries: %s" % sorted(missing))
        if unwritten_texts(notices):
            sys.exit("license blocks named without their text: %s" % unwritten_texts(notices))
        unowed = [n for n in OWED_NOTICES if n not in notices]
        if unowed:
            sys.exit("the notices lack: %s" % unowed)
        if unnamed_imports(exe, bom):
            sys.exit("DLLs imported that the bill does not name: %s" % unnamed_imports(exe, bom))
        # Loaded at run time from the system folder alone, so imported by no table.
        if "setupapi.dll" not in {c["name"].lower() for c in bom.get("components", [])}:
            sys.exit("the bill does not name setupapi.dll, which the executable loads")
    with open(readme, encoding="utf-8") as f:
        if os.path.basename(package) not in f.read():
            sys.exit("README does not name %s" % os.path.basename(package))
    failures = refuses_unlicensed_code()
    if failures:
        sys.exit("notices written over code of unknown license:\n" + "\n".join(failures))
    print("%s: %s; %d libraries with notices; unlicensed code refused" % (
        os.path.basename(package), ", ".join(names), len(libraries)))


if __name__ == "__main__":
    sys.exit(main())
