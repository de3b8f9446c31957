"""A program run on a pseudo-terminal in tmux, its screen read as a person sees it."""
import os
import shlex
import shutil
import subprocess
import tempfile
import time
import uuid

WIDTH, HEIGHT = 200, 60
POLL_SECONDS = 0.2


class Terminal:
    """Starts command in a new tmux server of its own, whose environment is env; its standard
    error goes to the file stderr if given, else to the terminal too."""

    def __init__(self, command, env, cwd, stderr=None):
        self.socket = "fx2-" + uuid.uuid4().hex[:12]
        self.returncode = None
        self.files = tempfile.mkdtemp(prefix="fx2-terminal-")
        # The status is kept in a file: tmux can miss the end of the pane's own program.
        self.status = os.path.join(self.files, "status")
        script = '"$@"%s; echo $? >%s' % (" 2>" + shlex.quote(stderr) if stderr else "",
                                           shlex.quote(self.status))
        conf = os.path.join(self.files, "tmux.conf")
        with open(conf, "w") as f:
            f.write("set -g remain-on-exit on\nset -g history-limit 10000\n")
        subprocess.run(["tmux", "-L", self.socket, "-f", conf, "new-session", "-d", "-x", str(WIDTH),
                        "-y", str(HEIGHT), "-c", cwd, shlex.join(["sh", "-c", script, "sh"] + command)],
                       env=env, check=True, timeout=30)

    def tmux(self, *command):
        return subprocess.run(["tmux", "-L", self.socket] + list(command), capture_output=True,
                              timeout=30).stdout.decode("utf-8", "replace")

    def poll(self):
        if self.returncode is None and os.path.exists(self.status):
            with open(self.status) as f:
                text = f.read()
            if text.endswith("\n"):
                self.returncode = int(text)
        return self.returncode

    def wait(self, timeout):
        deadline = time.monotonic() + timeout
        while self.poll() is None:
            if time.monotonic() > deadline:
                raise subprocess.TimeoutExpired("terminal", timeout, output=self.screen())
            time.sleep(POLL_SECONDS)
        return self.returncode

    def screen(self):
        """Every line written, scrolled away or not, without trailing blanks or tmux's own line."""
        lines = self.tmux("capture-pane", "-p", "-J", "-S", "-").split("\n")
        lines = [line.rstrip() for line in lines if not line.startswith("Pane is dead")]
        return "\n".join(lines).rstrip("\n") + "\n"

    def type(self, text):
        """Types text and presses Return, as a person answering a prompt."""
        if text:
            self.tmux("send-keys", "-l", text)
        self.tmux("send-keys", "Enter")

    def kill(self):
        self.tmux("kill-server")
        shutil.rmtree(self.files, ignore_errors=True)
