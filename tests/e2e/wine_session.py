"""Runs the Windows executable under Wine as Windows runs it: the stand-in installed as the
system folder's pnputil.exe, started by the tool through a real pipe, and real message boxes on
a virtual display, answered with xdotool. A run's standard output is a file, or a terminal
whose screen is read.

Box texts come from Wine's msgbox trace, which logs each box's text as it opens."""
import os
import re
import shutil
import subprocess
import tempfile
import time

import terminal
from terminal import WAIT_SECONDS, wait_for

USER_ENVIRONMENT = r"HKCU\Environment"
# Wine takes its code pages from the locale: this one gives 932, as a Japanese Windows has.
DEFAULT_LOCALE = "ja_JP.UTF-8"
# Wine's trace keeps the first 200 characters of a string and marks the cut with "...".
TRACE = re.compile(r'trace:msgbox:MSGBOX_OnInit L"((?:[^"\\]|\\.)*)"(\.\.\.)?')


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def unescape_trace(text):
    """Wine writes \\n, \\" and \\XXXX (hex code point) escapes in its trace."""
    def one(match):
        escape = match.group(1)
        return {"n": "\n", "r": "\r", "t": "\t"}.get(escape, escape) if len(escape) == 1 \
            else chr(int(escape, 16))
    # A character beyond U+FFFF comes as the escapes of its two surrogates.
    return re.sub(r"\\([0-9a-fA-F]{4}|.)", one, text).encode("utf-16", "surrogatepass").decode("utf-16")


def display_in_use(number):
    """A display is in use while the server named in its lock runs. A server that was killed left
    its lock and socket behind: they are cleared, so that the number serves again."""
    lock, socket = "/tmp/.X%d-lock" % number, "/tmp/.X11-unix/X%d" % number
    try:
        with open(lock) as f:
            os.kill(int(f.read().strip()), 0)
        return True
    except (OSError, ValueError):
        if os.path.exists(lock) and not os.access(lock, os.W_OK):
            return True  # someone else's
    for path in (lock, socket):
        if os.path.exists(path):
            os.remove(path)
    return False


class Session:
    def __init__(self, args):
        self.args = args
        self.home = tempfile.mkdtemp(prefix="fx2-wine-")
        self.screenshots = args.screenshots
        self.env = dict(os.environ)
        self.env.update(WINEPREFIX=os.path.join(self.home, "prefix"), WINEDEBUG="-all",
                        LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8", WINEDLLOVERRIDES="mscoree,mshtml=")
        self.xvfb = self.start_display()
        subprocess.run(["wineboot", "-i"], env=self.env, check=True, timeout=300,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Without a window manager Wine draws the title bars itself.
        self.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f")
        # Windows shows Japanese text in a box in every language, its font linked to a Japanese
        # one; Wine outside a Japanese locale draws the box's font from the IPA font instead.
        self.wine("reg", "add", r"HKCU\Software\Wine\Fonts\Replacements", "/v", "Tahoma", "/d", "IPAGothic", "/f")
        # The stand-in is the system's pnputil.exe, where the tool looks for it.
        self.system_pnputil = os.path.join(self.env["WINEPREFIX"], "drive_c", "windows", "system32",
                                           "pnputil.exe")
        shutil.copy2(os.path.join(args.standin, "pnputil.exe"), self.system_pnputil)

    def start_display(self):
        for number in range(90, 130):
            if display_in_use(number):
                continue
            xvfb = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                    preexec_fn=terminal.ends_with_runner)
            self.env["DISPLAY"] = ":%d" % number
            try:
                wait_for("the virtual display", lambda: os.path.exists("/tmp/.X11-unix/X%d" % number), xvfb)
                return xvfb
            except AssertionError:
                xvfb.kill()
        raise AssertionError("no free display for Xvfb")

    def wine(self, *command):
        return subprocess.run(["wine"] + list(command), env=self.env, timeout=WAIT_SECONDS,
                              capture_output=True, check=True)

    def set_user_environment(self, variables, remove=False):
        """The user's own environment, which an unelevated program of the user can set."""
        for name, value in variables.items():
            command = ["delete", USER_ENVIRONMENT, "/v", name] if remove else \
                ["add", USER_ENVIRONMENT, "/v", name, "/t", "REG_SZ", "/d", value]
            self.wine("reg", *command, "/f")

    def import_registry(self, lines, folder):
        """regedit reads a file with a byte order mark as UTF-16, whatever the locale."""
        path = os.path.join(folder, "import.reg")
        with open(path, "wb") as f:
            f.write("\r\n".join(["Windows Registry Editor Version 5.00", ""] + lines + [""]).encode("utf-16"))
        self.wine("regedit", "/S", windows_path(path))

    def plant_registry(self, files, folder, created):
        r"""Imports the keys of the .reg files, adding to created the outermost keys that this
        creates: none less than five levels deep, such as HKEY_LOCAL_MACHINE\System\...\Enum\USB."""
        lines = [line for path in files for line in open(path, encoding="utf-8").read().split("\n")[1:]]
        keys = [line[1:-1] for line in lines if line.startswith("[")]
        if not keys:
            return
        roots = {"\\".join(key.split("\\")[:3]) for key in keys}
        existing = {line.strip().lower() for root in roots for line in
                    self.wine("reg", "query", root, "/s").stdout.decode("utf-8", "replace").splitlines()}
        for key in keys:
            parts = key.split("\\")
            outermost = next(("\\".join(parts[:n]) for n in range(5, len(parts) + 1)
                              if "\\".join(parts[:n]).lower() not in existing), None)
            if outermost is None:
                raise AssertionError("the registry already holds %s" % key)
            if not any(outermost.lower() == c.lower() or outermost.lower().startswith(c.lower() + "\\")
                       for c in created):
                created.append(outermost)
        self.import_registry(lines, folder)

    def xdotool(self, *command):
        return subprocess.run(["xdotool"] + list(command), env=self.env, capture_output=True,
                              timeout=WAIT_SECONDS).stdout.decode().split()

    def run(self, setup, run, path_variables):
        env = dict(self.env)
        env.update({name: windows_path(path) for name, path in path_variables.items()})
        env.update(setup["standin_environment"])
        env["WINEDEBUG"] = "-all,trace+msgbox"
        env["LANG"] = env["LC_ALL"] = setup["locale"]
        env["WINEDLLOVERRIDES"] = ";".join([env["WINEDLLOVERRIDES"]] + setup["dll_overrides"])
        user_environment = dict(setup["user_environment"])
        if setup.get("comspec"):
            user_environment["ComSpec"] = windows_path(setup["comspec"])
        self.set_user_environment(user_environment)
        created = []
        if not setup["standin_installed"]:
            os.rename(self.system_pnputil, self.system_pnputil + ".away")
        try:
            self.plant_registry(setup["registry"], setup["cwd"], created)
            command = ["wine", setup["tool"]]
            if setup["launcher"]:
                command = ["wine", setup["launcher"], windows_path(setup["tool"])]
            return self.answer_boxes(env, command, setup["cwd"], setup["input"], run, setup["locale"])
        finally:
            if created:
                self.import_registry(["[-%s]" % key for key in created], setup["cwd"])
            self.set_user_environment(user_environment, remove=True)
            if not setup["standin_installed"]:
                os.rename(self.system_pnputil + ".away", self.system_pnputil)

    def answer_boxes(self, env, command, cwd, stdin, run, locale):
        screenshot = run.get("screenshot")
        screenshot = screenshot.get(locale) if isinstance(screenshot, dict) else \
            screenshot if locale == DEFAULT_LOCALE else None
        with tempfile.TemporaryFile() as out, tempfile.NamedTemporaryFile(mode="w+b") as err, \
                open(stdin or os.devnull, "rb") as given:
            if "screen" in run:
                # Only the trace goes to the file: standard input and output are the terminal.
                tool = terminal.Terminal(command, env, cwd, stderr=err.name)
            else:
                tool = subprocess.Popen(command, env=env, cwd=cwd, stdin=given, stdout=out, stderr=err)
            try:
                boxes = []
                for number, answer in enumerate(run["answers"]):
                    def next_trace():
                        err.seek(0)
                        found = TRACE.findall(err.read().decode("utf-8", "replace"))
                        return found[number] if len(found) > number else None
                    traced, cut = wait_for("box %d" % (number + 1), next_trace, tool)
                    text = unescape_trace(traced)
                    caption = self.box_caption(tool, number)
                    if number == 0 and screenshot and self.screenshots:
                        self.screenshot(caption, os.path.join(self.screenshots, screenshot))
                    boxes.append([caption, text + ("..." if cut else "")])
                    window = self.find_window(caption)
                    key = answer[:1].lower() if answer else "Return"
                    self.xdotool("windowfocus", "--sync", window, "key", key)
                    wait_for("box %s to close" % caption, lambda: window not in self.xdotool("search", "--name", "."))
                tool.wait(timeout=WAIT_SECONDS)
                if "screen" in run:
                    return tool.returncode, tool.screen(), boxes, b""
            finally:
                if tool.poll() is None:
                    tool.kill()
                    subprocess.run(["wineserver", "-k"], env=env)
                elif "screen" in run:
                    tool.kill()
            out.seek(0)
            err.seek(0)
            return tool.returncode, out.read(), boxes, err.read()

    def box_caption(self, tool, number):
        captions = ("Confirm", "Error", "Information", "Caution")
        def shown():
            return next((c for c in captions if self.xdotool("search", "--onlyvisible", "--name", "^%s$" % c)), None)
        return wait_for("box %d to show" % (number + 1), shown, tool)

    def find_window(self, caption):
        return wait_for("window " + caption,
                        lambda: (self.xdotool("search", "--onlyvisible", "--name", "^%s$" % caption) or [None])[0])

    def screenshot(self, caption, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        window = self.find_window(caption)
        time.sleep(0.5)  # let the box finish painting
        subprocess.run(["import", "-window", window, path], env=self.env, check=True, timeout=WAIT_SECONDS)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env)
        self.xvfb.terminate()  # not killed: Xvfb then removes its lock and socket
        self.xvfb.wait()
        shutil.rmtree(self.home, ignore_errors=True)
