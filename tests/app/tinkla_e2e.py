"""What the end-to-end tests share: a private Xvfb, xdotool, and the real program started with
the synthesizer writing to a file and every MIDI message traced."""
import os
import subprocess
import sys
import time


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            fail("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return xvfb, ":" + number.decode().strip()


def xdotool(env, *args):
    return subprocess.run(["xdotool", *args], env=env, check=True, capture_output=True, text=True,
                          timeout=30).stdout


def program_env(display, work, **extra):
    """The environment the program runs in: the file audio driver and the MIDI trace in `work`."""
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", TINKLA_AUDIO_DRIVER="file",
               TINKLA_AUDIO_FILE=os.path.join(work, "sound.wav"),
               TINKLA_MIDI_TRACE=os.path.join(work, "trace.txt"), **extra)
    env.pop("TINKLA_MIDI_OUT", None)
    return env


class Window:
    """A top-level window found by its exact title; points are in its client coordinates."""

    def __init__(self, env, title, timeout=20, program=None):
        self.env = env
        deadline = time.monotonic() + timeout
        while True:
            if program is not None and program.poll() is not None:
                output = program.stdout.read().decode(errors="replace") if program.stdout else ""
                fail("tinkla ended with %d before a window titled %r appeared:\n%s" % (program.returncode, title, output))
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                                   env=env, capture_output=True, text=True).stdout.split()
            if found:
                break
            if time.monotonic() > deadline:
                fail("no window titled %r appeared" % title)
            time.sleep(0.1)
        self.id = found[0]
        geometry = dict(line.split("=") for line in xdotool(env, "getwindowgeometry", "--shell", self.id).split())
        self.left, self.top = int(geometry["X"]), int(geometry["Y"])

    def at(self, point):
        return [str(self.left + point[0]), str(self.top + point[1])]

    def click(self, point, button="1", pause="0.3"):
        xdotool(self.env, "mousemove", "--sync", *self.at(point), "sleep", "0.1", "click", button, "sleep", pause)


def expect_clean_exit(program, what):
    """Waits for the program to end after `what` and fails unless it exits with status 0."""
    try:
        output, _ = program.communicate(timeout=20)
    except subprocess.TimeoutExpired:
        fail("the program did not end after " + what)
    if program.returncode != 0:
        fail("after %s tinkla exited with %d:\n%s" % (what, program.returncode, output.decode(errors="replace")))
    return output


def read_trace(path):
    """The traced messages as (milliseconds, "90 3C 7F") pairs."""
    with open(path) as trace:
        lines = [line.split() for line in trace if line.strip()]
    return [(int(fields[0]), " ".join(fields[1:])) for fields in lines]


def wait_for(condition, what, timeout=20):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            fail("timed out waiting for " + what)
        time.sleep(0.1)
