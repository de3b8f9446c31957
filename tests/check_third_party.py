#!/usr/bin/env python3
"""Checks what tools/release/third_party.py reads from linked objects of the toolchain: the source
files that each names, with the licenses they come to, and import stubs told from code.

usage: check_third_party.py"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tools", "release"))
import third_party  # noqa: E402

LIB = "/usr/x86_64-w64-mingw32/lib/"
# A linked object, source files it must name and must not, and the license they come to.
SOURCE_CASES = [
    # No line rows: only DWARF 5's entry 0 names the unit's own file.
    ("libmingwex.a(lib64_libmingwex_a-qnan.o)", {"mingw-w64-crt/gdtoa/qnan.c"}, set(),
     "LicenseRef-David-Gay"),
    # pthread.h has no line rows, yet its macros (the mutex initializers) are compiled in.
    ("libpthread.a(libwinpthread_la-mutex.o)",
     {"mingw-w64-libraries/winpthreads/src/mutex.c", "mingw-w64-libraries/winpthreads/include/pthread.h"},
     set(), "BSD-3-Clause AND MIT"),
    # Entry 1 is an installed header that gave no code.
    ("libmingw32.a(lib64_libmingw32_a-natstart.o)", {"mingw-w64-crt/crt/natstart.c"},
     {"mingw-w64-headers/include/combaseapi.h"}, "LicenseRef-public-domain"),
    # An installed public-domain header with inline code, from one source folder: no MIT.
    ("crt2.o", {"mingw-w64-headers/include/psdk_inc/intrin-impl.h"}, set(), "LicenseRef-public-domain"),
]
# Members of libmsvcrt.a: an import stub (Windows' code) and one of mingw-w64's own functions.
STUB_CASES = [("lib64_libmsvcrt_common_a-mbrtowc.o", False), ("libmsvcrt_defs00063.o", True)]


def extracted(linked, scratch):
    if "(" not in linked:
        return LIB + linked
    archive, member = linked.rstrip(")").split("(")
    subprocess.run(["x86_64-w64-mingw32-ar", "x", LIB + archive, member], cwd=scratch, check=True)
    return os.path.join(scratch, member)


def main():
    failures = []
    record = third_party.record_of("mingw-w64-x86-64-dev")
    tree = third_party.source_tree("mingw-w64-x86-64-dev")
    with tempfile.TemporaryDirectory() as scratch:
        for linked, named, not_named, license in SOURCE_CASES:
            licensed = dict(third_party.debian_license(record, tree, source, linked)
                            for source in third_party.source_files(extracted(linked, scratch)))
            found = third_party.combined({expression for expression, _, _, _ in licensed.values()})
            if not named <= licensed.keys() or not_named & licensed.keys() or found != license:
                failures.append("%s: names %s, under %s" % (linked, sorted(licensed), found))
        for member, stub in STUB_CASES:
            path = extracted("libmsvcrt.a(%s)" % member, scratch)
            if third_party.is_import_stub(path, third_party.section_sizes([path])[path]) != stub:
                failures.append("%s: taken for %s" % (member, "code" if stub else "an import stub"))
    if failures:
        sys.exit("\n".join(failures))
    print("%d objects' sources and %d members' kinds as expected" % (len(SOURCE_CASES), len(STUB_CASES)))


if __name__ == "__main__":
    main()
