#!/usr/bin/env python3
"""Runs the tool end to end against the stand-in pnputil, one case folder at a time.

A case folder under tests/cases holds case.json and the files it names:
  about        what the case shows
  machine      machine file for the stand-in (default: its sample machine)
  listing      file that the stand-in prints verbatim as the listing
  pnputil      "standin" (default) or "none": whether the stand-in is installed as pnputil
               (on PATH for POSIX, in the system folder for Windows)
  planted      where something that leaves a mark when it runs is put; the mark must never
               appear:
               "pnputil"  a program named pnputil, in the folder the tool starts from
               "comspec"  that program, named as the command interpreter by the user's
                          ComSpec (HKCU\Environment; Windows)
               "dll"      uxtheme.dll and setupapi.dll beside the tool, which is started from a
                          copy in that folder, with Wine told to look beside the program first
                          (Windows)
  only         "posix" or "windows": the case holds on that platform alone
  registry     .reg files (UTF-8) whose keys are planted in the registry for each run, and
               removed after it with every key they created (Windows; POSIX has no registry)
  wineDllOverrides  DLL overrides for Wine: "setupapi=" takes setupapi.dll away (Windows)
  windowsLocales  the locales whose code pages Windows runs the case in, each from a fresh
               start (default: the Japanese one alone); "C.UTF-8" gives code pages 1252 and 437
  uninheritableHandles  true: the tool is started by the launcher, which gives it standard
               input, output and error that it cannot pass on by inheritance (Windows)
  userEnvironment  variables set in the user's own environment (HKCU\Environment) for the
               runs (Windows)
  posixEnvironment  variables set for the tool's runs (POSIX); "$CASE" in a value stands for
               the case folder
  standinEnvironment  variables set for the tool's runs on both platforms, which it passes on
               to the stand-in (such as PNPUTIL_STANDIN_BYTE_PAUSE_MS)
  pnputilEnvironment  file with what the stand-in must have seen of the variables that choose
               what an elevated program loads, one record per start of the stand-in
  runs         runs in order, sharing the stand-in's state:
    answers    one per box: "y"/"n" for a Yes/No box, "" for an OK box (POSIX sends each
               with "\n" after it; Windows presses the answer's first letter, or Return)
    boxes      [caption, text] of each box in order (text in UTF-8)
    stdout     file with the expected standard output after the banner (which must open it)
    screen     instead of stdout: the run is on a terminal, and {"posix": file, "windows":
               file} give what its screen shows, banner included (on POSIX, boxes included)
    input      file given to the tool as its standard input (Windows; POSIX answers there)
    errorLines file of lines that the tool's standard error must hold in this order, among
               others
    screenshot file name for a picture of the run's first box in the first locale (Windows), or
               {locale: file name}
  mustNotExist file names that no run may create in its working folder
Any file name may lead into a sibling case folder ("../other-case/listing.xml"), so that
twin cases share their data.
"""
import argparse
import gzip
import json
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

import terminal
import wine_session

BANNER = b"=" * 65 + b"\n[EZ-USB FX2 (no EEPROM) driver package remover][tools.example.jp]\n\n"
# A box on the POSIX console: caption, text, and the prompt of its kind.
BOX = re.compile(rb"\n\[(\w+)\]\n(.*?)\n([^\n]*\] )", re.S)
YES_NO_PROMPT = b"Yes or No? [y/N] "
OK_PROMPT = b"[OK: press Enter] "
RUN_TIMEOUT_SECONDS = 60
PLANTED_MARK = "planted-program-ran"  # left in the work folder by anything planted that runs


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


def path_variables(setup):
    """The environment variables of this case that name files, as POSIX paths: the stand-in's,
    and where a planted program or DLL leaves its mark."""
    variables = {"PNPUTIL_STANDIN_STATE": setup["state"], "FX2_PLANTED_MARK": setup["mark"],
                 "PNPUTIL_STANDIN_ENVIRONMENT": setup["environment"]}
    for key, var in (("machine", "PNPUTIL_STANDIN_MACHINE"), ("listing", "PNPUTIL_STANDIN_LISTING")):
        if setup.get(key):
            variables[var] = setup[key]
    return variables


def posix_environment(args, setup):
    env = {k: v for k, v in os.environ.items() if not k.startswith("PNPUTIL_STANDIN_")}
    env.update(path_variables(setup))
    env.update(setup["standin_environment"])
    env.update(setup["posix_environment"])
    if setup["standin_installed"]:
        env["PATH"] = args.standin + os.pathsep + env["PATH"]
    return env


def posix_terminal_run(args, setup, run):
    """Runs the POSIX build on a terminal, typing each answer when its prompt shows there. The
    boxes are part of the screen."""
    term = terminal.Terminal([setup["tool"]], posix_environment(args, setup), setup["cwd"])
    try:
        for number, answer in enumerate(run["answers"], 1):
            terminal.wait_for("prompt %d" % number, lambda: sum(
                term.screen().count(p.decode().rstrip()) for p in (YES_NO_PROMPT, OK_PROMPT)) >= number, term)
            term.type(answer)
        return term.wait(), term.screen(), None, b""
    finally:
        term.kill()


def posix_run(args, setup, run):
    """Runs the POSIX build, answering each box when its prompt shows on standard error. Then
    standard output (a file) must already hold everything the tool prints before that box."""
    if "screen" in run:
        return posix_terminal_run(args, setup, run)
    env = posix_environment(args, setup)
    deadline = time.monotonic() + RUN_TIMEOUT_SECONDS
    with tempfile.TemporaryFile() as out:
        tool = subprocess.Popen([setup["tool"]], stdin=subprocess.PIPE, stdout=out, stderr=subprocess.PIPE,
                                env=env, cwd=setup["cwd"])
        err = b""
        written_before_box = []
        try:
            for answer in run["answers"]:
                while len(BOX.findall(err)) <= len(written_before_box):
                    if not select.select([tool.stderr], [], [], max(0, deadline - time.monotonic()))[0]:
                        raise AssertionError("gave up waiting for box %d" % (len(written_before_box) + 1))
                    more = os.read(tool.stderr.fileno(), 1 << 16)
                    if not more:
                        break
                    err += more
                written_before_box.append(os.fstat(out.fileno()).st_size)
                tool.stdin.write(answer.encode() + b"\n")
                tool.stdin.flush()
            tool.stdin.close()
            err += tool.stderr.read()
            tool.wait(timeout=max(1, deadline - time.monotonic()))
        except BrokenPipeError:
            tool.wait(timeout=RUN_TIMEOUT_SECONDS)  # it ended before its last box
        finally:
            if tool.poll() is None:
                tool.kill()
        out.seek(0)
        stdout = out.read()
    found = list(BOX.finditer(err))
    for box in found:
        wanted = YES_NO_PROMPT if box.group(1) == b"Confirm" else OK_PROMPT
        if box.group(3) != wanted:
            raise AssertionError("box %s shows the prompt %r" % (box.group(1), box.group(3)))
    if found and written_before_box and written_before_box[-1] != len(stdout):
        raise AssertionError("standard output was not flushed before the last box")
    # Bytes that are not UTF-8 stay apart from U+FFFD: each becomes a lone surrogate, which no
    # expected text holds.
    boxes = [[b.group(1).decode(), b.group(2).decode("utf-8", "surrogateescape")] for b in found]
    return tool.returncode, stdout, boxes, err


def holds_lines(text, lines):
    """Whether text holds each of lines as a whole line, in their order."""
    rest = iter(text.replace(b"\r\n", b"\n").split(b"\n"))
    return all(line in rest for line in lines)


def same_boxes(actual, expected):
    """A text that ends in "..." was cut by the Windows trace: only its start is known."""
    def same(a, e):
        if a[1].endswith("...") and not e[1].endswith("..."):
            return a[0] == e[0] and e[1].startswith(a[1][:-3])
        return a == e
    return len(actual) == len(expected) and all(same(a, e) for a, e in zip(actual, expected))


def plant(args, planted, setup):
    """Puts the planted program or DLL where the case says, and names it to the runner."""
    work = setup["cwd"]
    if planted == "pnputil":
        shutil.copy2(args.planted, os.path.join(work, os.path.basename(args.planted)))
    elif planted == "comspec":
        setup["comspec"] = os.path.join(work, "interpreter.exe")
        shutil.copy2(args.planted, setup["comspec"])
    elif planted == "dll":
        for name in ("uxtheme", "setupapi"):
            shutil.copy2(args.planted_dll, os.path.join(work, name + ".dll"))
        setup["tool"] = os.path.join(work, os.path.basename(args.tool))
        shutil.copy2(args.tool, setup["tool"])
        setup["dll_overrides"].append("uxtheme,setupapi=n,b")
    else:
        raise AssertionError("unknown planted: %r" % planted)


def check_run(where, case_dir, platform, run, status, output, boxes, stderr):
    if status != 1:
        raise AssertionError("%s: exit status %d, not 1" % (where, status))
    if "screen" in run:  # text, shown as it reads
        expected = read_data(os.path.join(case_dir, run["screen"][platform])).decode("utf-8")
    else:  # bytes, shown escaped
        newline = b"\r\n" if platform == "windows" else b"\n"
        expected = (BANNER + read_data(os.path.join(case_dir, run["stdout"]))).replace(b"\n", newline)
    if output != expected:
        raise AssertionError("%s: %s differs\n--- expected\n%.4000s\n--- actual\n%.4000s" % (
            where, "the screen" if "screen" in run else "standard output", expected, output))
    wanted = expected_boxes(case_dir, run["boxes"])
    if boxes is not None and not same_boxes(boxes, wanted):
        raise AssertionError("%s: boxes differ\n--- expected\n%.2000r\n--- actual\n%.2000r"
                             % (where, wanted, boxes))
    lines = read_data(os.path.join(case_dir, run["errorLines"])).splitlines() if "errorLines" in run else []
    if not holds_lines(stderr, lines):
        raise AssertionError("%s: standard error lacks, in order, %r:\n%.2000r" % (where, lines, stderr))


def read_case(case_dir):
    with open(os.path.join(case_dir, "case.json"), encoding="utf-8") as f:
        return json.load(f)


def run_case(case_dir, runner, platform, args, locale=None):
    case = read_case(case_dir)
    if case.get("only", platform) != platform:
        return "skipped"
    with tempfile.TemporaryDirectory() as work:
        setup = {"state": os.path.join(work, "state.txt"), "cwd": work, "tool": args.tool,
                 "locale": locale,
                 "mark": os.path.join(work, PLANTED_MARK),
                 "environment": os.path.join(work, "environment.txt"),
                 "user_environment": dict(case.get("userEnvironment", {})),
                 "standin_environment": dict(case.get("standinEnvironment", {})),
                 "posix_environment": {name: value.replace("$CASE", os.path.abspath(case_dir))
                                       for name, value in case.get("posixEnvironment", {}).items()},
                 "standin_installed": case.get("pnputil", "standin") == "standin",
                 "launcher": case.get("uninheritableHandles") and args.launcher,
                 "registry": [os.path.join(case_dir, name) for name in case.get("registry", [])],
                 "dll_overrides": [case["wineDllOverrides"]] if "wineDllOverrides" in case else []}
        if case.get("uninheritableHandles") and not args.launcher:
            raise AssertionError("the case needs --launcher")
        must_not_exist = list(case.get("mustNotExist", []))
        if case.get("planted"):
            plant(args, case["planted"], setup)
            must_not_exist.append(PLANTED_MARK)
        for key in ("machine", "listing"):
            if key in case:
                setup[key] = stage(os.path.join(case_dir, case[key]), work)
        for number, run in enumerate(case["runs"], 1):
            run_setup = dict(setup, input=run.get("input") and os.path.join(case_dir, run["input"]))
            status, output, boxes, stderr = runner(run_setup, run)
            check_run("run %d" % number, case_dir, platform, run, status, output, boxes, stderr)
        if "pnputilEnvironment" in case:
            seen = read_data(setup["environment"]).replace(b"\r\n", b"\n")
            wanted = read_data(os.path.join(case_dir, case["pnputilEnvironment"]))
            if seen != wanted:
                raise AssertionError("pnputil ran with\n%s\nnot\n%s" % (seen.decode(), wanted.decode()))
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
    parser.add_argument("--planted-dll", help="the DLL planted as uxtheme.dll and setupapi.dll (Windows)")
    parser.add_argument("--launcher", help="starts the tool with standard handles that it cannot "
                        "pass on by inheritance (Windows)")
    parser.add_argument("--cases", required=True)
    parser.add_argument("--screenshots", help="folder for screenshots of boxes (Windows)")
    parser.add_argument("case", nargs="*", help="names of cases to run (default: all)")
    args = parser.parse_args()
    for path in ("tool", "standin", "planted", "planted_dll", "launcher"):
        setattr(args, path, getattr(args, path) and os.path.abspath(getattr(args, path)))
    session = None
    runner = lambda setup, run: posix_run(args, setup, run)
    if args.platform == "windows":
        session = wine_session.Session(args)
        runner = lambda setup, run: session.run(setup, run, path_variables(setup))
    names = args.case or sorted(os.listdir(args.cases))
    passed = failed = skipped = 0
    for name in names:
        case_dir = os.path.abspath(os.path.join(args.cases, name))
        locales = read_case(case_dir).get("windowsLocales", [wine_session.DEFAULT_LOCALE]) \
            if args.platform == "windows" else [None]
        for locale in locales:
            shown = name if len(locales) == 1 else "%s (%s)" % (name, locale)
            try:
                result = run_case(case_dir, runner, args.platform, args, locale)
            except (AssertionError, subprocess.TimeoutExpired, OSError) as error:
                print("FAIL %s: %s" % (shown, error))
                failed += 1
                continue
            print("%s %s" % ("ok  " if result == "passed" else "skip", shown))
            passed += result == "passed"
            skipped += result == "skipped"
    if session is not None:
        session.close()
    print("%d passed, %d failed, %d skipped" % (passed, failed, skipped))
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main())
