"""A program run on a pseudo-terminal in tmux, its screen read as a person sees it."""
import ctypes
import os
import shlex
import shutil
import signal
import subprocess
import tempfile
import time

WIDTH, HEIGHT = 200, 60
WAIT_SECONDS = 60
POLL_SECONDS = 0.2


def wait_for(what, condition, process=None):
    """What condition returns once true, within WAIT_SECONDS, while process (if any) runs."""
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        found = condition()
        if found:
            return found
        if process is not None and process.poll() is not None:
            raise AssertionError("the tool ended while waiting for %s" % what)
        time.sleep(POLL_SECONDS)
    raise AssertionError("gave up after %d s waiting for %s" % (WAIT_SECONDS, what))


RUNNER = os.getpid()


def ends_with_runner():
    """Given as preexec_fn: the child is killed when the runner ends, however it ends."""
    ctypes.CDLL(None).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    if os.getppid() != RUNNER:  # the runner ended before the call
        os._exit(1)


class Terminal:
    """command in a tmux server of its own with environment env, its standard error in stderr."""

    def __init__(self, command, env, cwd, stderr=None):
        self.returncode = None
        self.files = tempfile.mkdtemp(prefix="fx2-terminal-")
        self.socket = os.path.join(self.files, "socket")
        self.status = os.path.join(self.files, "status")
        # The server is no daemon but the runner's child, ended with it; its end hangs up the
        # pane, which ends the shell and the program in it. Clients never start a server.
        self.server = subprocess.Popen(["tmux", "-D", "-S", self.socket, "-f", "/dev/null"], env=env,
                                       stdin=subprocess.DEVNULL, preexec_fn=ends_with_runner)
        wait_for("the terminal", lambda: os.path.exists(self.socket), self.server)
        # The status goes to a file, and the pane stays open after the program, until killed.
        script = '"$@"%s; echo $? >%s; exec sleep %d' % (
            " 2>" + shlex.quote(stderr) if stderr else "", shlex.quote(self.status), 10 * WAIT_SECONDS)
        subprocess.run(["tmux", "-N", "-S", self.socket, "new-session", "-d", "-x", str(WIDTH),
                        "-y", str(HEIGHT), "-c", cwd, shlex.join(["sh", "-c", script, "sh"] + command)],
                       env=env, check=True, timeout=WAIT_SECONDS)

    def tmux(self, *command):
        return subprocess.run(["tmux", "-N", "-S", self.socket] + list(command), capture_output=True,
                              timeout=WAIT_SECONDS).stdout.decode("utf-8", "replace")

    def poll(self):
        if self.returncode is None and os.path.exists(self.status):
            with open(self.status) as f:
                text = f.read()
            self.returncode = int(text) if text.endswith("\n") else None
        return self.returncode

    def wait(self, timeout=None):
        """Waits WAIT_SECONDS at most, whatever the timeout."""
        wait_for("the program to end", lambda: self.poll() is not None)
        return self.returncode

    def screen(self):
        """Every line written, scrolled away or not, without trailing blanks."""
        lines = self.tmux("capture-pane", "-p", "-J", "-S", "-").split("\n")
        return "\n".join(line.rstrip() for line in lines).rstrip("\n") + "\n"

    def type(self, text):
        """Types text and presses Return, as a person answering a prompt."""
        self.tmux("send-keys", "-l", text)
        self.tmux("send-keys", "Enter")

    def kill(self):
        self.server.kill()
        self.server.wait()
        shutil.rmtree(self.files, ignore_errors=True)
