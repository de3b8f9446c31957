#!/usr/bin/env python3
"""The release's third-party notices and its bill of materials, taken from the link itself.

  third_party.py notices LINK.map OWN... --out NOTICES --libraries LIBRARIES.json
      Reads which objects and archive members the linker took (its map), gives each linked
      source file a license from the Debian copyright record of the package that holds it, and
      writes the notices and the list of linked libraries. OWN names the tool's own objects and
      archives (paths as the map gives them), which need no notice. Fails when linked code has
      no license with a notice.
  third_party.py sbom LIBRARIES.json EXE VERSION EPOCH --out BOM.cdx.json
      Writes the CycloneDX bill of materials of EXE, which contains those libraries. Run after
      signing, so that it names the executable as shipped.

Import stubs (members that hold only an import table entry of a Windows DLL) ship no code."""
import argparse
import datetime
import fnmatch
import functools
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile
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
# GCC's record is prose, not stanzas: the parts of GCC's tree whose license it states, and the
# texts. GPL and its runtime exception from the record and common-licenses; the demangler's
# exception is not in the record and is read from the toolchain's own header that states it.
GCC_RUNTIME = ("GPL-3.0-or-later WITH GCC-exception-3.1", ["GPL-3", "GCC-exception-3.1"])
GCC_LICENSE_OF_SOURCE = [
    ("libiberty/cp-demangle.c", ("GPL-2.0-or-later WITH GCC-exception-2.0", ["GPL-2", "GCC-exception-2.0"])),
    ("libgcc/*", GCC_RUNTIME),
    ("libssp/*", GCC_RUNTIME),
    ("libstdc++-v3/*", GCC_RUNTIME),
]
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
    """The source files that the object's line tables give code to, relative to their tree."""
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
        used = {1} | {int(n) for n in re.findall(r"Set File Name to entry (\d+)", unit)}
        for index in used & names.keys():
            directory, name = names[index]
            path = os.path.normpath(os.path.join(directories.get(directory, ""), name))
            files.add(re.sub(r"^/build/", "", path))
    return files


# Where the toolchain installs headers of several source folders together: a header found there
# gets the license of each folder it may come from, since the installed file does not say which.
INSTALLED_SOURCES = {"/usr/x86_64-w64-mingw32/include/": [
    "mingw-w64-headers/crt/", "mingw-w64-headers/include/", "mingw-w64-libraries/winpthreads/include/"]}


def source_candidates(source, where):
    if not source.startswith("/"):
        return [source]
    for installed, folders in INSTALLED_SOURCES.items():
        if source.startswith(installed):
            return [folder + source[len(installed):] for folder in folders]
    sys.exit("%s: code from %s, which is in no source folder known here" % (where, source))


def owning_packages(paths):
    """The Debian package, and its version, of each file, in one look-up."""
    real = {path: os.path.realpath(path) for path in paths}
    found = subprocess.run(["dpkg-query", "-S", *sorted(set(real.values()))], capture_output=True, text=True,
                           env=dict(os.environ, LC_ALL="C"))
    owner_of = {line.split(": ", 1)[1]: line.split(":")[0] for line in found.stdout.splitlines()}
    owners = {}
    for path in paths:
        if real[path] not in owner_of:
            sys.exit("%s: linked code of no Debian package, whose license cannot be known here" % path)
        owner = owner_of[real[path]]
        owners[path] = owner, run("dpkg-query", "-W", "-f=${Version}", owner)
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


def debian_license(record, source, where):
    """License (SPDX), its texts and copyright of a source path under a machine-readable record."""
    results = [debian_license_of_path(record, path, where) for path in source_candidates(source, where)]
    expressions = {expression for expression, _, _ in results}
    texts = {name: text for _, t, _ in results for name, text in t.items()}
    copyright_lines = list(dict.fromkeys(c for _, _, lines in results for c in lines))
    return combined(expressions), texts, copyright_lines


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


def gcc_license(record, source, where):
    for pattern, (expression, text_names) in GCC_LICENSE_OF_SOURCE:
        if fnmatch.fnmatchcase(source, pattern):
            break
    else:
        sys.exit("%s: %s is in no part of GCC whose license is known here" % (where, source))
    texts = {}
    for name in text_names:
        if name == "GCC-exception-3.1":
            m = re.search(r"^GCC RUNTIME LIBRARY EXCEPTION\n.*?copyleft\s+requirements of the license of GCC\.\n",
                          record, re.MULTILINE | re.DOTALL)
            text = m and m[0]
        elif os.path.exists(os.path.join(COMMON_LICENSES, name)):
            text = open(os.path.join(COMMON_LICENSES, name), encoding="utf-8").read()
        elif name == "GCC-exception-2.0":
            header = open(run(*GCC_HEADER_WITH_EXCEPTION_2).strip(), encoding="utf-8").read()
            m = re.search(r"^In addition to the permissions in the GNU General Public License.*?executable\.\)\n",
                          header, re.MULTILINE | re.DOTALL)
            text = m and m[0]
        else:
            text = None
        if not text:
            sys.exit("%s: the text of %s cannot be found" % (where, name))
        texts[name] = text.strip("\n")
    m = re.search(r"^GCC is Copyright \(C\) (.*?Free Software Foundation, Inc\.)", record,
                  re.MULTILINE | re.DOTALL)
    if not m:
        sys.exit("%s: GCC's record gives no copyright line" % where)
    return expression, texts, [" ".join(m[1].split())]


def gcc_sources():
    sources = {}
    with open(os.path.join(HERE, "gcc-objects.tsv"), encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                linked, source = line.split()
                sources[linked] = source
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
        package, version = packages[container]
        record = record_of(package)
        sources = source_files(path)
        if record.startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format"):
            upstream = re.search(r"^Upstream-Name: (.+)$", record, re.MULTILINE)[1]
            assign = debian_license
        elif re.search(r"^GCC is Copyright", record, re.MULTILINE):
            upstream = "gcc"
            assign = gcc_license
            if where not in known_gcc:
                sys.exit("%s: linked GCC code with no source named in tools/release/gcc-objects.tsv" % where)
            sources = {known_gcc[where]}
        else:
            sys.exit("%s: the Debian record of %s is in no form read here" % (where, package))
        if not sources:
            sys.exit("%s: linked code whose debug information names no source file" % where)
        library = libraries.setdefault(name, {"name": name, "package": package, "version": version,
                                              "upstream": upstream, "files": {}})
        for source in sorted(sources):
            library["files"][source] = assign(record, source, where)
    return libraries


def write_notices(libraries, out):
    texts = {}
    lines = ["Third-party notices for fx2-driver-remover.exe", "",
             "The executable is linked statically. Besides its own code (MIT, see LICENSE) it holds",
             "code of the libraries below, as Debian 12 builds them. For each: the Debian package and",
             "version, the upstream project, and the licenses and copyright lines of the source files",
             "whose code it holds; the full texts of those licenses follow the list.", ""]
    for name in sorted(libraries):
        library = libraries[name]
        upstream, url = UPSTREAM[library["upstream"]]
        lines += ["=" * 78, "%s, from Debian's %s %s (upstream: %s, %s)" % (
            name, library["package"], library["version"], upstream, url), "=" * 78]
        by_license = {}
        for source, (expression, license_texts, copyright_lines) in library["files"].items():
            entry = by_license.setdefault(expression, ([], [], set()))
            entry[0].append(source)
            entry[1].extend(c for c in copyright_lines if c not in entry[1])
            entry[2].update(license_texts)
            texts.update(license_texts)
        for expression, (sources, copyright_lines, text_names) in sorted(by_license.items()):
            lines += ["", "License: " + expression]
            lines += ["  Copyright: " + c for c in copyright_lines]
            lines += ["  Source files: " + ", ".join(sorted(sources))]
            lines += ["  License texts below: " + "; ".join(sorted(text_names))]
        lines.append("")
    lines += ["=" * 78, "License texts", "=" * 78]
    for name in sorted(texts):
        lines += ["", "-" * 78, name, "-" * 78, "", texts[name]]
    with open(out, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines).rstrip("\n") + "\n")


def combined(expressions):
    """One SPDX expression for all the given ones, each an AND of terms such as "MIT"."""
    terms = sorted({term.strip("()") for e in expressions for term in e.split(" AND ")})
    return " AND ".join("(%s)" % t if " " in t and len(terms) > 1 else t for t in terms)


def notices(args):
    with tempfile.TemporaryDirectory() as scratch:
        libraries = describe_link(args.map, args.own, scratch)
    write_notices(libraries, args.out)
    summary = [{"name": l["name"], "package": l["package"], "version": l["version"],
                "upstream": l["upstream"], "license": combined({e for e, _, _ in l["files"].values()})}
               for l in sorted(libraries.values(), key=lambda l: l["name"])]
    tools = [{"package": p, "version": run("dpkg-query", "-W", "-f=${Version}", p)}
             for p in ("g++-mingw-w64-x86-64-posix", "binutils-mingw-w64-x86-64")]
    with open(args.libraries, "w", encoding="utf-8") as f:
        json.dump({"libraries": summary, "tools": tools}, f, indent=2, sort_keys=True)
        f.write("\n")


def purl(package, version):
    return "pkg:deb/debian/%s@%s" % (package, version.replace("+", "%2B").replace(":", "%3A"))


def sbom(args):
    with open(args.libraries, encoding="utf-8") as f:
        linked = json.load(f)
    with open(args.exe, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    exe = os.path.basename(args.exe)
    debian = {"name": "Debian", "url": ["https://www.debian.org/"]}
    components = []
    for library in linked["libraries"]:
        upstream, url = UPSTREAM[library["upstream"]]
        components.append({
            "type": "library", "bom-ref": library["name"], "name": library["name"],
            "version": library["version"], "supplier": debian,
            "description": "linked from Debian's package %s" % library["package"],
            "licenses": [{"expression": library["license"]}],
            "purl": purl(library["package"], library["version"]),
            "pedigree": {"ancestors": [{"type": "library", "name": upstream,
                                        "version": re.sub(r"-[^-]*$", "", library["version"]),
                                        "externalReferences": [{"type": "website", "url": url}]}]}})
    bom = {
        "bomFormat": "CycloneDX", "specVersion": "1.6",
        "serialNumber": uuid.uuid5(uuid.NAMESPACE_URL, "urn:sha256:" + digest).urn,
        "version": 1,
        "metadata": {
            "timestamp": datetime.datetime.fromtimestamp(int(args.epoch), datetime.timezone.utc)
            .strftime("%Y-%m-%dT%H:%M:%SZ"),
            "tools": {"components": [{"type": "application", "name": t["package"],
                                      "version": t["version"], "supplier": debian,
                                      "purl": purl(t["package"], t["version"])}
                                     for t in linked["tools"]]},
            "component": {"type": "application", "bom-ref": exe, "name": "fx2-driver-remover",
                          "version": args.version, "description": exe,
                          "hashes": [{"alg": "SHA-256", "content": digest}],
                          "licenses": [{"license": {"id": "MIT"}}],
                          # Nested: the executable contains each library, linked in statically.
                          "components": components}},
        "dependencies": [{"ref": exe, "dependsOn": [c["bom-ref"] for c in components]}]
        + [{"ref": c["bom-ref"]} for c in components],
        "compositions": [{"aggregate": "complete", "assemblies": [exe],
                          "dependencies": [exe]}],
    }
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
    args = parser.parse_args()
    notices(args) if args.command == "notices" else sbom(args)


if __name__ == "__main__":
    main()
