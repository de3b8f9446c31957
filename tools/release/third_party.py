#!/usr/bin/env python3
"""The release's third-party notices and its bill of materials, taken from the link itself.

  third_party.py sources [--fetch] PACKAGE
      Prints where the unpacked Debian source of the binary PACKAGE is kept, once per machine;
      with --fetch, fetches it there first unless it is there.
  third_party.py notices LINK.map OWN... --out NOTICES --libraries LIBRARIES.json
      Reads which objects and archive members the linker took (its map), gives each linked
      source file a license from the Debian copyright record of the package that holds it and
      from the file's own header in that package's source, and writes the notices and the list
      of linked libraries. OWN names the tool's own objects and archives (paths as the map gives
      them), which need no notice. Fails when linked code has no license with a notice.
  third_party.py sbom LIBRARIES.json EXE VERSION EPOCH --out BOM.cdx.json
      Writes the CycloneDX bill of materials of EXE, which contains those libraries and depends
      on the Windows DLLs it names. Run after signing, so that it names the executable as shipped.

Import stubs (members that hold only an import table entry of a Windows DLL) ship no code."""
import argparse
import datetime
import fnmatch
import functools
import glob
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile
import urllib.parse
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
OBJDUMP = "x86_64-w64-mingw32-objdump"
COMMON_LICENSES = "/usr/share/common-licenses"
# GCC's own headers, installed with the toolchain, state the exception of GCC's older runtime
# files (GCC-exception-2.0), which GCC's record does not quote: the stack protector's header, for one.
GCC_HEADER_WITH_EXCEPTION_2 = ("x86_64-w64-mingw32-g++-posix", "-print-file-name=include/ssp/ssp.h")

# Debian's short names, as the mingw-w64 record uses them, in SPDX terms.
SPDX_OF_DEBIAN_NAME = {
    "ZPL-2.1": "ZPL-2.1",
    "expat": "MIT",
    "BSD-3-clause": "BSD-3-Clause",
    "BSD-3-clause-Lockless": "BSD-3-Clause",
    "ISC": "ISC",
    "BSD-2-clause-NetBSD": "BSD-2-Clause",
    "public-domain": "LicenseRef-public-domain",
    "Lucent": "LicenseRef-Lucent",
    "David-Gay": "LicenseRef-David-Gay",
    "Keith-Marshall": "LicenseRef-Keith-Marshall",
    "Permissive-Sun": "LicenseRef-Permissive-Sun",
}
# GCC's record is prose, not stanzas: tools/release/gcc-objects.tsv gives each object's license,
# and here are the texts of its terms. GPL from common-licenses, where the record points; the
# Runtime Library Exception from the record; the older linking exception is not in the record and
# is read from the toolchain's own header that states it.
TEXT_OF_GCC_TERM = {"GPL-3.0-or-later": "GPL-3", "GPL-2.0-or-later": "GPL-2", "LGPL-2.1-or-later": "LGPL-2.1",
                    "GCC-exception-3.1": "GCC-exception-3.1", "GCC-exception-2.0": "GCC-exception-2.0"}
UPSTREAM = {"mingw-w64": ("mingw-w64", "https://www.mingw-w64.org/"),
            "gcc": ("GCC, the GNU Compiler Collection", "https://gcc.gnu.org/")}


def run(*command, cwd=None):
    """A tool's output, in English whatever the user's locale, for the parsing below."""
    return subprocess.run(command, check=True, capture_output=True, text=True, cwd=cwd,
                          env=dict(os.environ, LC_ALL="C")).stdout


def linked_inputs(map_path):
    """Each object the linker took, as (archive or None, object path), in the map's order."""
    with open(map_path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    # The map's headings are in the user's language; a line that begins with an archive's member
    # is one of those the linker took, wherever it stands (input sections are indented).
    members = re.findall(r"^(\S+\.a)\(([^)\s]+)\)", text, re.MULTILINE)
    taken = [(archive, member) for archive, member in members]
    taken += [(None, path) for path in re.findall(r"^LOAD (\S+\.(?:o|obj|res))$", text, re.MULTILINE)]
    return list(dict.fromkeys(taken))


def section_sizes(objects):
    """Each object's sections with contents, and their sizes, in one look."""
    sizes, current = {}, None
    for line in run(OBJDUMP, "-h", *objects).splitlines():
        fields = line.split()
        if line.endswith("file format pe-x86-64"):
            current = sizes.setdefault(line.split(":")[0], {})
        elif len(fields) >= 3 and fields[0].isdigit() and int(fields[2], 16):
            current[fields[1]] = int(fields[2], 16)
    return sizes


def is_import_stub(obj, sizes):
    """An import table entry of a DLL, and at most dlltool's jump through it (jmp *__imp_X)."""
    if not any(name.startswith(".idata$") for name in sizes):
        return False
    code = {name: size for name, size in sizes.items() if not name.startswith(".idata$")}
    if not code:
        return True
    if list(code) != [".text"] or code[".text"] > 8:
        return False
    dump = run(OBJDUMP, "-s", "-j", ".text", obj).splitlines()
    return any(line.split()[1:2] and line.split()[1].startswith("ff25") for line in dump[-1:])


def source_files(obj):
    """The source files whose code or macros the object holds, as its DWARF line tables name them:
    the unit's own file, each file that line rows use, and each file of the library's own source
    tree in the file table (headers whose macros or inline code the unit compiled). Paths in that
    tree are relative to it; installed headers keep their absolute paths."""
    files = set()
    for unit in run(OBJDUMP, "--dwarf=rawline", obj).split("Offset:")[1:]:
        directories, names = {}, {}
        table = None
        for line in unit.splitlines():
            if "The Directory Table" in line:
                table = directories
            elif "The File Name Table" in line:
                table = names
            elif "Line Number Statements" in line:
                table = None
            elif table is directories and (m := re.match(r"\s+(\d+)\s+(?:\(.*?\): )?(\S+)$", line)):
                directories[int(m[1])] = m[2]
            elif table is names and (m := re.match(r"\s+(\d+)\s+(\d+)\s+(?:\d+\s+\d+\s+)?(?:\(.*?\): )?(\S+)$", line)):
                names[int(m[1])] = (int(m[2]), m[3])
        # DWARF 5 names the unit's own file as entry 0; earlier versions have no entry 0 and
        # name it first.
        own_file = 0 if int(re.search(r"DWARF Version:\s+(\d+)", unit)[1]) >= 5 else 1
        used = {own_file} | {int(n) for n in re.findall(r"Set File Name to entry (\d+)", unit)}
        build_folder = directories.get(0, "")
        for index, (directory, name) in names.items():
            path = os.path.normpath(os.path.join(directories.get(directory, ""), name))
            if build_folder.startswith("/") and path.startswith(build_folder + "/"):
                path = os.path.relpath(path, build_folder)
            if not name.startswith("<") and (index in used or not path.startswith("/")):  # not <built-in>
                files.add(path)
    return files


# Where the toolchain installs mingw-w64's headers, and the source folders it installs them from.
# A few names are in two of them: the installed file's contents tell which.
INSTALLED_HEADERS = "/usr/x86_64-w64-mingw32/include/"
HEADER_FOLDERS = ["mingw-w64-headers/crt/", "mingw-w64-headers/include/", "mingw-w64-headers/ddk/include/",
                  "mingw-w64-libraries/winpthreads/include/"]


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def source_path(source, tree, where):
    """The path in the library's source tree of a file that the debug information names."""
    if not source.startswith("/"):
        return source
    if source.startswith(INSTALLED_HEADERS):
        name = source[len(INSTALLED_HEADERS):]
        candidates = [folder + name for folder in HEADER_FOLDERS if os.path.isfile(os.path.join(tree, folder + name))]
        if len(candidates) > 1:
            installed = read_bytes(source)
            candidates = [c for c in candidates if read_bytes(os.path.join(tree, c)) == installed]
        if len(candidates) == 1:
            return candidates[0]
    sys.exit("%s: code from %s, which is in no one source folder of %s" % (where, source, tree))


@functools.lru_cache(maxsize=None)
def source_package(binary_package):
    """The Debian source package, and its version, that a binary package was built from."""
    return run("dpkg-query", "-W", "-f=${source:Package} ${source:Version}", binary_package).split()


def source_tree(binary_package):
    """Where the unpacked source of a binary package is kept: once per machine, for every clone."""
    cache = os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache")
    return os.path.join(cache, "fx2-driver-remover", "%s_%s" % tuple(source_package(binary_package)))


def sources(args):
    """Prints where the source of the binary package is kept. With --fetch, first unpacks it
    there, with Debian's patches applied, unless it is there. apt checks the signatures; a private
    configuration that reads the system's own apt sources as source indexes needs no root and
    changes no file of the system's apt setup."""
    tree = source_tree(args.package)
    if args.fetch and not os.path.isdir(tree):
        fetch_sources(args.package, tree)
    print(tree)


def fetch_sources(package, tree):
    name, version = source_package(package)
    os.makedirs(os.path.dirname(tree), exist_ok=True)
    with tempfile.TemporaryDirectory(dir=os.path.dirname(tree)) as scratch:
        parts = os.path.join(scratch, "sources.list.d")
        os.makedirs(os.path.join(scratch, "lists", "partial"))
        os.makedirs(os.path.join(scratch, "download"))
        os.mkdir(parts)
        for system in ["/etc/apt/sources.list"] + sorted(glob.glob("/etc/apt/sources.list.d/*")):
            if os.path.isfile(system) and system.endswith((".list", ".sources")):
                with open(system, encoding="utf-8") as f:
                    text = re.sub(r"^deb(\s)", r"deb-src\1", f.read(), flags=re.MULTILINE)
                with open(os.path.join(parts, "%d-%s" % (len(os.listdir(parts)), os.path.basename(system))), "w",
                          encoding="utf-8") as f:
                    f.write(re.sub(r"^Types:.*$", "Types: deb-src", text, flags=re.MULTILINE))
        config = os.path.join(scratch, "apt.conf")
        with open(config, "w", encoding="utf-8") as f:
            f.write('Dir::Etc::SourceList "/dev/null";\nDir::Etc::SourceParts "%s";\n'
                    'Dir::State::Lists "%s/lists";\nDir::Cache "%s";\n' % (parts, scratch, scratch))
        apt = dict(os.environ, APT_CONFIG=config, LC_ALL="C")
        # An index that cannot be had is an error here, not a warning that leaves no source.
        for command in (["apt-get", "-q", "--error-on=any", "update"],
                        ["apt-get", "-q", "source", "%s=%s" % (name, version)]):
            done = subprocess.run(command, cwd=os.path.join(scratch, "download"), env=apt,
                                  capture_output=True, text=True)
            if done.returncode != 0:
                sys.exit("%s\ncannot fetch the source of %s %s: %s failed" % (
                    done.stdout + done.stderr, name, version, " ".join(command)))
        unpacked = [d for d in glob.glob(os.path.join(scratch, "download", "*")) if os.path.isdir(d)]
        if len(unpacked) != 1:
            sys.exit("apt-get source gave no one folder of %s %s" % (name, version))
        try:
            os.rename(unpacked[0], tree)
        except OSError:
            if not os.path.isdir(tree):  # else another run fetched it meanwhile
                raise


def installed_package(package):
    """An installed Debian package's name, version and architecture."""
    return tuple(run("dpkg-query", "-W", "-f=${Package} ${Version} ${Architecture}", package).split())


def owning_packages(paths):
    """The Debian package, its version and architecture, of each file, in one look-up."""
    real = {path: os.path.realpath(path) for path in paths}
    found = subprocess.run(["dpkg-query", "-S", *sorted(set(real.values()))], capture_output=True, text=True,
                           env=dict(os.environ, LC_ALL="C"))
    owner_of = {line.split(": ", 1)[1]: line.split(":")[0] for line in found.stdout.splitlines()}
    owners = {}
    for path in paths:
        if real[path] not in owner_of:
            sys.exit("%s: linked code of no Debian package, whose license cannot be known here" % path)
        owner = owner_of[real[path]]
        owners[path] = installed_package(owner)
    return owners


@functools.lru_cache(maxsize=None)
def record_of(package):
    with open("/usr/share/doc/%s/copyright" % package, encoding="utf-8") as f:
        return f.read()


def stanzas(record):
    """The record's paragraphs as dicts of field to value (continuation lines kept)."""
    result = []
    for paragraph in re.split(r"\n\s*\n(?=\S)", record):
        fields, key = {}, None
        for line in paragraph.splitlines():
            if re.match(r"^[A-Za-z-]+:", line):
                key, value = line.split(":", 1)
                fields[key] = value.strip()
            elif key:
                fields[key] += "\n" + line
        result.append(fields)
    return result


def license_text(fields):
    return "\n".join("" if line.strip() == "." else line[1:] for line in fields["License"].splitlines()[1:])


# What a file's own header states, by the words that grant each license, under the names that
# Debian's records give them here. A header that speaks of a license in none of these words
# stops the release, so that no license is read wrong in silence.
HEADER_LICENSES = [
    (r"placed in the Public Domain|THIS SOFTWARE IS NOT COPYRIGHTED", "LicenseRef-public-domain"),
    (r"Permission is hereby granted, free of charge, to any person", "MIT"),
    (r"Redistribution and use in source and binary forms.* Neither the name of", "BSD-3-Clause"),
    # Lucent's and David Gay's permissions differ only in whose name is not to be used.
    (r"the name of Lucent or any of its entities not be used", "LicenseRef-Lucent"),
    (r"the name of the author or any of his current or former employers not be used", "LicenseRef-David-Gay"),
    (r"You may redistribute and/or modify it as you see fit, without restriction of copyright",
     "LicenseRef-Keith-Marshall"),
    (r"Zope Public License", "ZPL-2.1"),
]
LICENSE_WORDS = r"licen[cs]e|copyright|permission|public domain|redistribut"
COPYRIGHT_LINE = r"(?:Copyright\s*(?:\([cC]\)\s*)?|\([cC]\)\s*)(\d{4}.*)"  # the years on, as records give it


def own_header(tree, source, where):
    """A source file's opening comments as it states them, the licenses they grant, and their
    copyright lines; no licenses where the comments state none."""
    with open(os.path.join(tree, source), encoding="utf-8", errors="replace") as f:
        header = re.match(r"(?:\s*(?:/\*.*?\*/|//[^\n]*))*", f.read(), re.DOTALL)[0].strip("\n")
    words = " ".join(" ".join(re.sub(r"^\s*(?:/\*+|\*+/|\*+|//)?", "", line) for line in header.splitlines()).split())
    licenses = [spdx for pattern, spdx in HEADER_LICENSES if re.search(pattern, words)]
    if not licenses and re.search(LICENSE_WORDS, words, re.IGNORECASE):
        sys.exit("%s: %s states a license in words not known here" % (where, source))
    copyright_lines = [" ".join(re.sub(r"\*/$", "", c).split()) for c in re.findall(COPYRIGHT_LINE, header)]
    return licenses, copyright_lines, header


def holders(copyright_lines):
    """Whom copyright lines name, without their years: "2011-2016 the mingw-w64 project" and
    "2011 mingw-w64 project" name the same holder."""
    return {re.sub(r"^(?:the|by)\s+", "", re.sub(r"^[\d\s,-]+", "", line), flags=re.IGNORECASE).rstrip(". ").lower()
            for line in copyright_lines}


def debian_license(record, tree, source, where):
    """License (SPDX), its texts and copyright of a source file of a machine-readable record, from
    the record and from the file's own header; and, where the two differ in a license or a
    holder, what each says."""
    source = source_path(source, tree, where)
    expression, texts, copyright_lines = debian_license_of_path(record, source, where)
    licenses, own_copyright, header = own_header(tree, source, where)
    if not licenses:
        return source, (expression, texts, copyright_lines, None)
    own = " AND ".join(licenses)
    texts = dict(texts, **{"Header of " + source: header})
    stated = None
    if combined({own}) != combined({expression}) or holders(own_copyright) - holders(copyright_lines):
        stated = tuple("%s (%s)" % (e, "; ".join(c) or "no copyright line") for e, c in ((own, own_copyright), (expression, copyright_lines)))
    return source, (combined({own, expression}), texts, list(dict.fromkeys(own_copyright + copyright_lines)), stated)


def debian_license_of_path(record, source, where):
    paragraphs = stanzas(record)
    match = None
    for fields in paragraphs:
        if "Files" in fields and any(fnmatch.fnmatchcase(source, pattern)
                                     for pattern in fields["Files"].split()):
            match = fields  # the last matching stanza rules
    if match is None:
        sys.exit("%s: %s matches no Files: stanza of its Debian record" % (where, source))
    names = re.split(r"\s+and\s+", match["License"].splitlines()[0].strip())
    texts = {}
    for name in names:
        if name not in SPDX_OF_DEBIAN_NAME:
            sys.exit("%s: %s is under %s, which has no SPDX name here" % (where, source, name))
        text = license_text(match) if len(names) == 1 else ""
        if not text.strip():
            text = next((license_text(p) for p in paragraphs
                         if "Files" not in p and p.get("License", "").split("\n")[0] == name), "")
        if not text.strip():
            sys.exit("%s: %s is under %s, whose text its record lacks" % (where, source, name))
        # Texts by Debian's name too: two records' BSD-3-Clause texts name different holders.
        spdx = SPDX_OF_DEBIAN_NAME[name]
        texts[spdx if spdx == name else "%s (Debian: %s)" % (spdx, name)] = text.strip("\n")
    expression = " AND ".join(SPDX_OF_DEBIAN_NAME[n] for n in names)
    copyright_lines = [l.strip() for l in match["Copyright"].splitlines() if l.strip()]
    return expression, texts, copyright_lines


def gcc_license(record, source, expression, where):
    texts = {}
    for term in re.split(r" WITH | AND ", expression):
        name = TEXT_OF_GCC_TERM.get(term)
        if name == "GCC-exception-3.1":
            m = re.search(r"^GCC RUNTIME LIBRARY EXCEPTION\n.*?copyleft\s+requirements of the license of GCC\.\n",
                          record, re.MULTILINE | re.DOTALL)
            text = m and m[0]
        elif name and os.path.exists(os.path.join(COMMON_LICENSES, name)):
            text = open(os.path.join(COMMON_LICENSES, name), encoding="utf-8").read()
        elif name == "GCC-exception-2.0":
            header = open(run(*GCC_HEADER_WITH_EXCEPTION_2).strip(), encoding="utf-8").read()
            m = re.search(r"^In addition to the permissions in the GNU General Public License.*?executable\.\)\n",
                          header, re.MULTILINE | re.DOTALL)
            text = m and m[0]
        else:
            text = None
        if not text:
            sys.exit("%s: the text of %s cannot be found" % (where, term))
        texts[name] = text.strip("\n")
    m = re.search(r"^GCC is Copyright \(C\) (.*?Free Software Foundation, Inc\.)", record,
                  re.MULTILINE | re.DOTALL)
    if not m:
        sys.exit("%s: GCC's record gives no copyright line" % where)
    return source, (expression, texts, [" ".join(m[1].split())], None)


def gcc_sources():
    """Each GCC object's source and license, by the object as the map names it."""
    sources = {}
    with open(os.path.join(HERE, "gcc-objects.tsv"), encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                linked, source, expression = line.split(None, 2)
                sources[linked] = source, expression.strip()
    return sources


def describe_link(map_path, own, scratch):
    """Each linked library: its package, version, upstream and per source file its license."""
    libraries = {}
    known_gcc = gcc_sources()
    inputs = linked_inputs(map_path)
    folders, sizes = {}, {}
    for archive in dict.fromkeys(a for a, _ in inputs if a and not any(a.startswith(o) for o in own)):
        folders[archive] = os.path.join(scratch, str(len(folders)))
        os.mkdir(folders[archive])
        members = [m for a, m in inputs if a == archive]
        run("x86_64-w64-mingw32-ar", "x", os.path.abspath(archive), *members, cwd=folders[archive])
        sizes.update(section_sizes([os.path.join(folders[archive], m) for m in members]))
    shipped = [(archive, obj) for archive, obj in inputs
               if not any((archive or obj) == o or (archive or obj).startswith(o) for o in own)]
    packages = owning_packages(list(dict.fromkeys(archive or obj for archive, obj in shipped)))
    for archive, obj in shipped:
        container = archive or obj
        name = os.path.basename(container)
        where = "%s(%s)" % (name, obj) if archive else name
        path = obj
        if archive:
            path = os.path.join(folders[archive], obj)
            if is_import_stub(path, sizes[path]):
                continue
        package, version, architecture = packages[container]
        record = record_of(package)
        if record.startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format"):
            upstream = re.search(r"^Upstream-Name: (.+)$", record, re.MULTILINE)[1]
            tree = source_tree(package)
            if not os.path.isdir(tree):
                sys.exit("%s: the source of %s is not fetched: run scripts/install-deps release" % (where, package))
            licensed = [debian_license(record, tree, source, where) for source in sorted(source_files(path))]
        elif re.search(r"^GCC is Copyright", record, re.MULTILINE):
            upstream, tree = "gcc", None
            if where not in known_gcc:
                sys.exit("%s: linked GCC code with no source named in tools/release/gcc-objects.tsv" % where)
            licensed = [gcc_license(record, *known_gcc[where], where)]
        else:
            sys.exit("%s: the Debian record of %s is in no form read here" % (where, package))
        if not licensed:
            sys.exit("%s: linked code whose debug information names no source file" % where)
        library = libraries.setdefault(name, {"name": name, "package": package, "version": version,
                                              "architecture": architecture, "upstream": upstream,
                                              "tree": tree,
                                              "files": {}, "members": {}})
        library["files"].update(licensed)
        if archive:
            library["members"][obj] = combined({expression for _, (expression, _, _, _) in licensed})
    return libraries


# The files in which upstream gives the notices that a program statically linked against its
# runtime is to carry, and the part of its tree each speaks for.
UPSTREAM_NOTICES = [("COPYING.MinGW-w64-runtime/COPYING.MinGW-w64-runtime.txt", ""),
                    ("mingw-w64-libraries/winpthreads/COPYING", "mingw-w64-libraries/winpthreads/")]


def write_notices(libraries, out):
    texts, upstream_notices = {}, {}
    # A header that several files share is given once, named after the first of them.
    carriers = {}
    for library in libraries.values():
        for source, (_, license_texts, _, _) in library["files"].items():
            for text_name, text in license_texts.items():
                if text_name.startswith("Header of "):
                    carriers.setdefault(text, []).append(source)
    header_name = {text: "Header of %s" % min(sources) for text, sources in carriers.items()}
    lines = ["Third-party notices for fx2-driver-remover.exe", "",
             "The executable is linked statically. Besides its own code (MIT, see LICENSE) it holds",
             "code of the libraries below, as Debian 12 builds them. For each: the Debian package and",
             "version, the upstream project, and the licenses and copyright lines of the source files",
             "whose code it holds, from each file's own header and from Debian's copyright record;",
             "the full texts of those licenses and headers follow the list, then upstream's own",
             "notice files.", ""]
    for name in sorted(libraries):
        library = libraries[name]
        upstream, url = UPSTREAM[library["upstream"]]
        lines += ["=" * 78, "%s, from Debian's %s %s (upstream: %s, %s)" % (
            name, library["package"], library["version"], upstream, url), "=" * 78]
        by_license, differing = {}, []
        for source, (expression, license_texts, copyright_lines, stated) in sorted(library["files"].items()):
            entry = by_license.setdefault(expression, ([], [], set()))
            entry[0].append(source)
            entry[1].extend(c for c in copyright_lines if c not in entry[1])
            for text_name, text in license_texts.items():
                text_name = header_name.get(text, text_name)
                texts[text_name] = text
                entry[2].add(text_name)
            if stated:
                differing.append("  %s: its header states %s; the record gives %s" % ((source,) + stated))
            for notice, part in UPSTREAM_NOTICES:
                if library["tree"] and source.startswith(part):
                    upstream_notices[notice] = library["tree"]
        for expression, (sources, copyright_lines, text_names) in sorted(by_license.items()):
            lines += ["", "License: " + expression]
            lines += ["  Copyright: " + c for c in copyright_lines]
            lines += ["  Source files: " + ", ".join(sources)]
            lines += ["  License texts below: " + "; ".join(sorted(text_names))]
        if differing:
            lines += ["", "Where a file's own header and Debian's record differ (both are carried above):"]
            lines += differing
        lines.append("")
    lines += ["=" * 78, "License texts", "=" * 78]
    for name in sorted(texts):
        lines += ["", "-" * 78, name, "-" * 78, ""]
        if texts[name] in carriers:
            lines += ["The opening comments, as these files state them: " + ", ".join(sorted(set(carriers[texts[name]]))), ""]
        lines.append(texts[name])
    lines += ["", "=" * 78, "Upstream's own notice files", "=" * 78, "",
              "mingw-w64 asks that a program statically linked against its runtime carry these files.",
              "They are given verbatim, as mingw-w64's source package holds them; the licenses above",
              "come from the linked files alone."]
    for notice, tree in sorted(upstream_notices.items()):
        with open(os.path.join(tree, notice), encoding="utf-8") as f:
            lines += ["", "-" * 78, notice, "-" * 78, "", f.read().rstrip("\n")]
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines).rstrip("\n") + "\n")


def combined(expressions):
    """One SPDX expression for all the given ones, each an AND of terms such as "MIT"."""
    terms = sorted({term.strip("()") for e in expressions for term in e.split(" AND ")})
    return " AND ".join("(%s)" % t if " " in t and len(terms) > 1 else t for t in terms)


def distribution():
    """The Debian release the toolchain's packages come from, as package URLs name it (debian-12)."""
    with open("/etc/os-release", encoding="utf-8") as f:
        release = dict(re.findall(r'^(\w+)="?([^"\n]*)"?$', f.read(), re.MULTILINE))
    return "%s-%s" % (release["ID"], release["VERSION_ID"])


def notices(args):
    with tempfile.TemporaryDirectory() as scratch:
        libraries = describe_link(args.map, args.own, scratch)
    write_notices(libraries, args.out)
    summary = [{"name": l["name"], "package": l["package"], "version": l["version"],
                "architecture": l["architecture"], "upstream": l["upstream"], "members": l["members"],
                "license": combined({e for e, _, _, _ in l["files"].values()})}
               for l in sorted(libraries.values(), key=lambda l: l["name"])]
    tools = [dict(zip(("package", "version", "architecture"),
                      installed_package(p)))
             for p in ("g++-mingw-w64-x86-64-posix", "binutils-mingw-w64-x86-64")]
    with open(args.libraries, "w", encoding="utf-8") as f:
        json.dump({"libraries": summary, "tools": tools, "distribution": distribution()}, f, indent=2, sort_keys=True)
        f.write("\n")


URI_COMPONENT = "-_.!~*'()"  # what a URI component keeps unencoded (JavaScript's encodeURIComponent)


def purl(package, distribution):
    """The package URL of a Debian package in its canonical form: the name percent-encoded ("+"
    too), the version with ":" and "+" kept, the qualifiers sorted, as the deb type has them."""
    return "pkg:deb/debian/%s@%s?arch=%s&distro=%s" % (
        urllib.parse.quote(package["package"], safe=URI_COMPONENT),
        urllib.parse.quote(package["version"], safe=URI_COMPONENT + ":+"), package["architecture"], distribution)


def windows_dlls(exe):
    """The DLLs that the executable imports, and those it names in UTF-16 (as LoadLibraryW takes
    them) without importing them: the system's code that it depends on and does not contain."""
    imported = re.findall(r"^\s*DLL Name: (\S+)$", run(OBJDUMP, "-p", exe), re.MULTILINE)
    with open(exe, "rb") as f:
        named = re.findall(rb"(?:[\w.-]\x00)+?\.\x00[dD]\x00[lL]\x00[lL]\x00", f.read())
    loaded = sorted({n.decode("utf-16-le").lower() for n in named} - {n.lower() for n in imported})
    return [(name, "imported") for name in imported] + [(name, "loaded at run time") for name in loaded]


def project_developers():
    """Who the executable's LICENSE names as its copyright holders."""
    with open(os.path.join(HERE, "..", "..", "LICENSE"), encoding="utf-8") as f:
        m = re.search(r"^Copyright \(c\) [\d, -]+ (.+)$", f.read(), re.MULTILINE)
    if not m:
        sys.exit("LICENSE names no copyright holder")
    return m[1].strip()


def sbom(args):
    with open(args.libraries, encoding="utf-8") as f:
        linked = json.load(f)
    with open(args.exe, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    exe = os.path.basename(args.exe)
    debian = {"name": "Debian", "url": ["https://www.debian.org/"]}
    developers = project_developers()
    # One component for each Debian package, holding the libraries linked from it, and each
    # library the archive members the link took: a purl names the package alone.
    packages = {}
    for library in linked["libraries"]:
        upstream, url = UPSTREAM[library["upstream"]]
        package = packages.setdefault(library["package"], {
            "type": "library", "bom-ref": purl(library, linked["distribution"]), "name": library["package"],
            "version": library["version"], "supplier": debian, "licenses": [],
            "purl": purl(library, linked["distribution"]),
            "pedigree": {"ancestors": [{"type": "library", "name": upstream,
                                        "version": re.sub(r"-[^-]*$", "", library["version"]),
                                        "externalReferences": [{"type": "website", "url": url}]}]},
            "components": []})
        package["components"].append({
            "type": "library", "bom-ref": library["name"], "name": library["name"],
            "licenses": [{"expression": library["license"]}],
            "components": [{"type": "library", "bom-ref": "%s(%s)" % (library["name"], member),
                            "name": "%s(%s)" % (library["name"], member), "licenses": [{"expression": expression}]}
                           for member, expression in sorted(library["members"].items())]})
    for package in packages.values():
        package["licenses"] = [{"expression": combined({c["licenses"][0]["expression"] for c in package["components"]})}]
        for library in package["components"]:
            if not library["components"]:
                del library["components"]
    dlls = [{"type": "library", "bom-ref": name, "name": name, "scope": "required",
             "description": "Windows system DLL, %s; not contained" % how} for name, how in windows_dlls(args.exe)]
    contained = sorted(packages.values(), key=lambda c: c["name"])
    bom = {
        "bomFormat": "CycloneDX", "specVersion": "1.6",
        "version": 1,
        "metadata": {
            "timestamp": datetime.datetime.fromtimestamp(int(args.epoch), datetime.timezone.utc)
            .strftime("%Y-%m-%dT%H:%M:%SZ"),
            "tools": {"components": [{"type": "application", "name": t["package"],
                                      "version": t["version"], "supplier": debian,
                                      "purl": purl(t, linked["distribution"])}
                                     for t in linked["tools"]]},
            "authors": [{"name": developers}],
            "component": {"type": "application", "bom-ref": exe, "name": "fx2-driver-remover",
                          "version": args.version, "description": exe, "supplier": {"name": developers},
                          "hashes": [{"alg": "SHA-256", "content": digest}],
                          "licenses": [{"license": {"id": "MIT"}}],
                          # Nested: the executable contains each package's code, linked in statically.
                          "components": contained}},
        # Beside it: the system's DLLs, which it needs and does not contain.
        "components": dlls,
        "dependencies": [{"ref": exe, "dependsOn": [c["bom-ref"] for c in contained + dlls]}]
        + [{"ref": c["bom-ref"]} for c in contained + dlls],
        "compositions": [{"aggregate": "complete", "assemblies": [exe],
                          "dependencies": [exe]}],
    }
    # The serial number follows from the bill's content, so that the same bill always has the same
    # one, and a corrected bill a new one.
    canonical = json.dumps(bom, sort_keys=True, separators=(",", ":")).encode("utf-8")
    bom = {"serialNumber": uuid.uuid5(uuid.NAMESPACE_URL, "urn:sha256:" + hashlib.sha256(canonical).hexdigest()).urn,
           **bom}
    with open(args.out, "w", encoding="utf-8", newline="\n") as f:
        json.dump(bom, f, indent=2)
        f.write("\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    n = commands.add_parser("notices")
    n.add_argument("map")
    n.add_argument("own", nargs="+")
    n.add_argument("--out", required=True)
    n.add_argument("--libraries", required=True)
    s = commands.add_parser("sbom")
    for name in ("libraries", "exe", "version", "epoch"):
        s.add_argument(name)
    s.add_argument("--out", required=True)
    f = commands.add_parser("sources")
    f.add_argument("package")
    f.add_argument("--fetch", action="store_true")
    args = parser.parse_args()
    {"notices": notices, "sbom": sbom, "sources": sources}[args.command](args)


if __name__ == "__main__":
    main()
