#!/usr/bin/env python3
"""Checks the release package: exactly the executable as built, the README and the LICENSE,
and a README that names the package of this version.

usage: check_release_package.py PACKAGE.zip EXE README"""
import os
import sys
import zipfile


def main():
    package, exe, readme = sys.argv[1:4]
    with zipfile.ZipFile(package) as z:
        names = sorted(z.namelist())
        expected = ["LICENSE", "README.md", "fx2-driver-remover.exe"]
        if names != expected:
            sys.exit("package holds %s, expected %s" % (names, expected))
        with open(exe, "rb") as f:
            if z.read("fx2-driver-remover.exe") != f.read():
                sys.exit("the packaged executable is not the one built")
    with open(readme, encoding="utf-8") as f:
        if os.path.basename(package) not in f.read():
            sys.exit("README does not name %s" % os.path.basename(package))
    print("%s: %s" % (os.path.basename(package), ", ".join(names)))


if __name__ == "__main__":
    sys.exit(main())
