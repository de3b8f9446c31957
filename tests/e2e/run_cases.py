#!/usr/bin/env python3
"""Runs the tool end to end against the stand-in pnputil, one case folder at a time.

A case folder under tests/cases holds case.json and the files it names:
  about        what the case shows
  machine      machine file for the stand-in (default: its sample machine)
  listing      file that the stand-in prints verbatim as the listing
  pnputil      "standin" (default) or "none": whether the stand-in is installed as pnputil
               (on PATH for POSIX, in the system folder for Windows)
  planted      true: a program named pnputil that leaves a mark when run is put in the
               folder the tool starts from; the mark must never appear
  only         "posix" or "windows": the case holds on that platform alone
  comspec      "missing": the command interpreter cannot be started (Windows)
  runs         runs in order, sharing the stand-in's state:
    answers    one per box: "y"/"n" for a Yes/No box, "" for an OK box
    boxes      [caption, text] of each box in order (text in UTF-8)
    stdout     file with the expected standard output after the banner
    screenshot file name for a picture of the run's first box (Windows)
  mustNotExist file names that no run may create in its working folder
"""
import argparse
import gzip
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

RULE = b"=" * 65 + b"\n"
TITLE = re.compile(rb"\[[ -Z^-~]+\]\[[a-z0-9.-]+\.example\.(com|org|jp)\]")
BOX = re.compile(r"\n\[(\w+)\]\n(.*?)\n(Yes or No\? \[y/N\] |\[OK: press Enter\] )", re.S)
RUN_TIMEOUT_SECONDS = 60
PLANTED_MARK = "planted-pnputil-ran"  # what the planted pnputil leaves in its current folder


def read_data(path):
    """Large fixtures are kept gzip-compressed; their name ends in .gz."""
    opener = gzip.open if path.endswith(".gz") else open
    with opener(path, "rb") as f:
        return f.read()


def stage(path, work):
    """A compressed fixture is unpacked into the work folder for the stand-in to read."""
    if not path.endswith(".gz"):
        return path
    staged = os.path.join(work, os.path.basename(path)[:-3])
    with open(staged, "wb") as f:
        f.write(read_data(path))
    return staged


def expected_boxes(case_dir, boxes):
    """A box text may be given as {"file": name}, a UTF-8 file beside case.json."""
    return [[caption, read_data(os.path.join(case_dir, text["file"])).decode("utf-8")
             if isinstance(text, dict) else text] for caption, text in boxes]


def check_banner(stdout, newline):
    """Returns the output after the banner, or raises if the banner is malformed."""
    rule = RULE.replace(b"\n", newline)
    if not stdout.startswith(rule):
        raise AssertionError("no rule line of 65 '=' at the start: %r" % stdout[:80])
    rest = stdout[len(rule):]
    end = rest.find(newline * 2)
    title = rest[:end]
    if end < 0 or len(title) != 65 or not TITLE.fullmatch(title):
        raise AssertionError("title line is not [title][example domain], 65 wide: %r" % title)
    return rest[end + 2 * len(newline):]


def standin_environment(base, setup, path=lambda p: p):
    """base with the stand-in's variables for this case; path() converts file names."""
    env = dict(base)
    env["PNPUTIL_STANDIN_STATE"] = path(setup["state"])
    for key, var in (("machine", "PNPUTIL_STANDIN_MACHINE"), ("listing", "PNPUTIL_STANDIN_LISTING")):
        env.pop(var, None)
        if setup.get(key):
            env[var] = path(setup[key])
    return env


def posix_run(args, setup, run, case_name):
    env = standin_environment(os.environ, setup)
    if setup["standin_installed"]:
        env["PATH"] = args.standin + os.pathsep + env["PATH"]
    stdin = "".join(a + "\n" for a in run["answers"]).encode()
    done = subprocess.run([args.tool], input=stdin, capture_output=True, env=env, cwd=setup["cwd"],
                          timeout=RUN_TIMEOUT_SECONDS)
    boxes = [[m.group(1), m.group(2)] for m in BOX.finditer(done.stderr.decode("utf-8", "replace"))]
    return done.returncode, done.stdout, boxes


def same_boxes(actual, expected):
    """A text that ends in "..." was cut by the Windows trace: only its start is known."""
    def same(a, e):
        if a[1].endswith("...") and not e[1].endswith("..."):
            return a[0] == e[0] and e[1].startswith(a[1][:-3])
        return a == e
    return len(actual) == len(expected) and all(same(a, e) for a, e in zip(actual, expected))


def run_case(args, case_dir, runner):
    with open(os.path.join(case_dir, "case.json"), encoding="utf-8") as f:
        case = json.load(f)
    if case.get("only", args.platform) != args.platform:
        return "skipped"
    with tempfile.TemporaryDirectory() as work:
        setup = {"state": os.path.join(work, "state.txt"), "cwd": work,
                 "standin_installed": case.get("pnputil", "standin") == "standin",
                 "comspec": case.get("comspec")}
        must_not_exist = list(case.get("mustNotExist", []))
        if case.get("planted"):
            shutil.copy2(args.planted, os.path.join(work, os.path.basename(args.planted)))
            must_not_exist.append(PLANTED_MARK)
        for key in ("machine", "listing"):
            if key in case:
                setup[key] = stage(os.path.join(case_dir, case[key]), work)
        newline = b"\r\n" if args.platform == "windows" else b"\n"
        for number, run in enumerate(case["runs"], 1):
            status, stdout, boxes = runner(setup, run, os.path.basename(case_dir))
            where = "run %d" % number
            if status != 1:
                raise AssertionError("%s: exit status %d, not 1" % (where, status))
            expected = read_data(os.path.join(case_dir, run["stdout"])).replace(b"\n", newline)
            after_banner = check_banner(stdout, newline)
            if after_banner != expected:
                raise AssertionError("%s: standard output differs\n--- expected\n%.4000r\n--- actual\n%.4000r"
                                     % (where, expected, after_banner))
            wanted = expected_boxes(case_dir, run["boxes"])
            if not same_boxes(boxes, wanted):
                raise AssertionError("%s: boxes differ\n--- expected\n%.2000r\n--- actual\n%.2000r"
                                     % (where, wanted, boxes))
        for name in must_not_exist:
            if os.path.exists(os.path.join(work, name)):
                raise AssertionError("%s was created: a command line ran what it should not" % name)
    return "passed"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--platform", choices=["posix", "windows"], default="posix")
    parser.add_argument("--tool", required=True)
    parser.add_argument("--standin", required=True, help="folder holding the stand-in pnputil")
    parser.add_argument("--planted", required=True, help="the program planted as pnputil")
    parser.add_argument("--cases", required=True)
    parser.add_argument("--screenshots", help="folder for screenshots of boxes (Windows)")
    parser.add_argument("case", nargs="*", help="names of cases to run (default: all)")
    args = parser.parse_args()
    args.tool = os.path.abspath(args.tool)
    args.standin = os.path.abspath(args.standin)
    args.planted = os.path.abspath(args.planted)
    session = None
    runner = lambda setup, run, name: posix_run(args, setup, run, name)
    if args.platform == "windows":
        import wine_session
        session = wine_session.Session(args)
        runner = session.run
    names = args.case or sorted(os.listdir(args.cases))
    passed = failed = skipped = 0
    for name in names:
        try:
            result = run_case(args, os.path.abspath(os.path.join(args.cases, name)), runner)
        except (AssertionError, subprocess.TimeoutExpired, OSError) as error:
            print("FAIL %s: %s" % (name, error))
            failed += 1
            continue
        print("%s %s" % ("ok  " if result == "passed" else "skip", name))
        passed += result == "passed"
        skipped += result == "skipped"
    if session is not None:
        session.close()
    print("%d passed, %d failed, %d skipped" % (passed, failed, skipped))
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main())
