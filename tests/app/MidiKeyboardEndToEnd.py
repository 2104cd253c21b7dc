#!/usr/bin/env python3
"""The real program under Xvfb, played from a MIDI keyboard: a dummy JACK server carries
jack_midiseq's notes to Tinkla's JACK input port midi_in. The MIDI trace must show the
sequencer's note on channel 0 with its velocity, shifted after "+3" is chosen from the
transposition menu, and on two channels after the keyboard's channels are changed in the channel
dialog; a screenshot must show the screen key pressed.

Skips (exit code 77) when jackd or jack_midiseq (Debian package jackd2) is missing.

Usage: MidiKeyboardEndToEnd.py <path to the tinkla executable>
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from KeyboardEndToEnd import CLOSE_BUTTON, KEY_60  # noqa: E402
from tinkla_e2e import Window, expect_clean_exit, fail, start_xvfb, xdotool  # noqa: E402

SKIP = 77
NOTE_ON_60 = "90 3C 40"  # jack_midiseq plays velocity 64
NOTE_ON_63 = "90 3F 40"
# The first built-in song shifts by 2; the channel dialog then leaves the keys channels 0 and 10.
NOTES_ON_62 = ["90 3E 40", "9A 3E 40"]
SONGS_BUTTON = (200, 182)
FIRST_SONG = (100, 16 + 9)  # inside the song dialog's list
CHANNEL_1_BOX = (40, 48)  # inside the channel dialog
CHANNEL_11_NOTE = (305, 89)
TUNE_OK = (216, 171)
MENU_POINT = (400, 100)
# Down arrows from the top of the popup menu to the transposition submenu: help, open, tune,
# play, record, play and record, instruments, transposition (separators are skipped).
DOWNS_TO_TRANSPOSITION = 8


def wait_until(what, check, seconds=15):
    limit = time.monotonic() + seconds
    while time.monotonic() < limit:
        if check():
            return
        time.sleep(0.1)
    fail("timed out waiting for " + what)


def jack(env, *args):
    return subprocess.run(list(args), env=env, capture_output=True, text=True, timeout=10)


def traced(trace_path):
    if not os.path.exists(trace_path):
        return []
    with open(trace_path) as trace:
        return [" ".join(line.split()[1:]) for line in trace if line.strip()]


def pixel(env, work, name, point):
    """The colour of `point` (screen coordinates) in a screenshot kept as `name`."""
    path = os.path.join(work, name)
    subprocess.run(["import", "-window", "root", path], env=env, check=True, timeout=30)
    return subprocess.run(["convert", path, "-format", "%%[pixel:p{%d,%d}]" % point, "info:"],
                          check=True, capture_output=True, text=True, timeout=30).stdout


def main():
    if len(sys.argv) != 2:
        fail(__doc__)
    missing = [tool for tool in ("jackd", "jack_midiseq", "jack_connect", "jack_disconnect", "jack_lsp")
               if shutil.which(tool) is None]
    if missing:
        print("SKIP: %s not installed (Debian package jackd2)" % ", ".join(missing))
        sys.exit(SKIP)
    program = sys.argv[1]
    work = tempfile.mkdtemp(prefix="tinkla-midi-e2e-")
    trace_path = os.path.join(work, "trace.txt")
    server = "tinkla-e2e-%d" % os.getpid()
    children = []
    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", TINKLA_AUDIO_DRIVER="file",
               TINKLA_AUDIO_FILE=os.path.join(work, "sound.wav"), TINKLA_MIDI_TRACE=trace_path,
               TINKLA_MIDI_IN="jack", JACK_DEFAULT_SERVER=server, JACK_NO_AUDIO_RESERVATION="1")
    env.pop("TINKLA_MIDI_OUT", None)
    try:
        children.append(subprocess.Popen(["jackd", "--no-realtime", "-n", server, "-d", "dummy", "-r", "48000",
                                          "-p", "256"], env=env, stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL))
        wait_until("the dummy JACK server", lambda: jack(env, "jack_lsp").returncode == 0)
        tinkla = subprocess.Popen([program], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        children.append(tinkla)
        window = xdotool(env, "search", "--sync", "--onlyvisible", "--name", "^Tinkla$").split()[0]
        geometry = dict(line.split("=") for line in xdotool(env, "getwindowgeometry", "--shell", window).split())
        left, top = int(geometry["X"]), int(geometry["Y"])
        at = lambda point: (left + point[0], top + point[1])
        ports = lambda: [p for p in jack(env, "jack_lsp").stdout.split() if p.endswith(":midi_in")]
        wait_until("Tinkla's port midi_in", lambda: len(ports()) == 1)
        midi_in = ports()[0]
        xdotool(env, "windowfocus", "--sync", window)
        time.sleep(0.5)  # the first paint
        released = pixel(env, work, "released.png", at(KEY_60))

        # A one-second loop: note 60 held for 40000 of its 48000 samples.
        children.append(subprocess.Popen(["jack_midiseq", "keyboard", "48000", "0", "60", "40000"], env=env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        wait_until("jack_midiseq's port", lambda: "keyboard:out" in jack(env, "jack_lsp").stdout)
        if jack(env, "jack_connect", "keyboard:out", midi_in).returncode != 0:
            fail("cannot connect keyboard:out to " + midi_in)
        wait_until("the note in the trace", lambda: NOTE_ON_60 in traced(trace_path))
        for _ in range(20):
            pressed = pixel(env, work, "pressed.png", at(KEY_60))
            if pressed != released:
                break
            time.sleep(0.1)
        else:
            fail("no screenshot shows key 60 pressed (%s)" % released)
        jack(env, "jack_disconnect", "keyboard:out", midi_in)

        # "+3" from the transposition submenu, by keyboard as a child could.
        xdotool(env, "mousemove", "--sync", *map(str, at(MENU_POINT)), "click", "3", "sleep", "0.5")
        xdotool(env, "key", *(["Down"] * DOWNS_TO_TRANSPOSITION), "Right", "Down", "Down", "Return", "sleep", "0.3")
        jack(env, "jack_connect", "keyboard:out", midi_in)
        wait_until("the shifted note in the trace", lambda: NOTE_ON_63 in traced(trace_path))
        jack(env, "jack_disconnect", "keyboard:out", midi_in)
        before_channels = len(traced(trace_path))

        # The first built-in song, then the channel dialog: channel 1 played by the song (its note
        # stays selected) and channel 11's note chosen as well.
        xdotool(env, "mousemove", "--sync", *map(str, at(SONGS_BUTTON)), "click", "1")
        songs = Window(env, "选择要弹奏的歌曲")
        xdotool(env, "mousemove", "--sync", *songs.at(FIRST_SONG), "sleep", "0.2", "click", "--repeat", "2", "1",
                "sleep", "0.5")
        xdotool(env, "mousemove", "--sync", *map(str, at(MENU_POINT)), "click", "3", "sleep", "0.5")
        xdotool(env, "key", "Down", "Down", "Down", "Return")
        tune = Window(env, "调整")
        for point in (CHANNEL_1_BOX, CHANNEL_11_NOTE, TUNE_OK):
            tune.click(point)
        jack(env, "jack_connect", "keyboard:out", midi_in)
        wait_until("the note on two channels", lambda: all(n in traced(trace_path)[before_channels:] for n in NOTES_ON_62))
        jack(env, "jack_disconnect", "keyboard:out", midi_in)

        xdotool(env, "mousemove", "--sync", *map(str, at(CLOSE_BUTTON)), "sleep", "0.2", "click", "1")
        expect_clean_exit(tinkla, "a click on the close button")
    finally:
        for child in reversed(children):
            if child.poll() is None:
                child.terminate()
                try:
                    child.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    child.kill()
        xvfb.terminate()
        xvfb.wait()

    sent = traced(trace_path)[:before_channels]
    keyboard = [message for message in sent if message.startswith(("90", "80"))]
    note_ons = [message for message in keyboard if message.startswith("90")]
    if not note_ons or note_ons[0] != NOTE_ON_60:
        fail("the first note-on is not %s (channel 0, velocity 64): %s" % (NOTE_ON_60, sent))
    # The sequencer's first message after a connection may be its loop's note-off.
    shift = next(i for i, m in enumerate(keyboard) if m.split()[1] == "3F")
    if any(m.split()[1] != "3C" for m in keyboard[:shift]) or NOTE_ON_60 in keyboard[shift:]:
        fail("notes before and after the transposition are mixed up: %s" % keyboard)
    if any(not m.split()[0].endswith("0") for m in keyboard):
        fail("a note left channel 0: %s" % keyboard)
    print("keyboard notes: %d before +3, %d after; key 60 pressed %s, released %s"
          % (shift, len(keyboard) - shift, pressed, released))
    shutil.rmtree(work)  # kept when the test fails, for a look at the trace and the screenshots
    print("PASS")


if __name__ == "__main__":
    main()
