#!/usr/bin/env python3
"""The real program under Xvfb, with the built-in synthesizer writing to a file, ended by each
termination signal (SIGTERM, SIGINT, SIGHUP) after a note: it must quit through its ordinary
close path with exit status 0, and leave a finished WAV file (its header gives the true length).

Usage: TerminationEndToEnd.py <path to the tinkla executable>
"""
import os
import signal
import struct
import subprocess
import sys
import tempfile
import time

from KeyboardEndToEnd import fail, start_xvfb, xdotool


def check_finished_wav(path):
    """A RIFF/WAVE file whose RIFF size and data chunk size match the bytes on disk."""
    with open(path, "rb") as wav:
        data = wav.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        fail("%s is not a WAV file" % path)
    if struct.unpack("<I", data[4:8])[0] != len(data) - 8:
        fail("the RIFF size was never filled in: %s" % path)
    start = data.find(b"data")
    length = struct.unpack("<I", data[start + 4:start + 8])[0]
    if start < 0 or length == 0 or start + 8 + length != len(data):
        fail("the data chunk's length (%d) does not match the file: %s" % (length, path))
    return length


def run_once(program, display, work, signal_number):
    name = signal.Signals(signal_number).name
    wav_path = os.path.join(work, name + ".wav")
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", TINKLA_AUDIO_DRIVER="file",
               TINKLA_AUDIO_FILE=wav_path, XDG_DATA_HOME=os.path.join(work, "data"))
    env.pop("TINKLA_MIDI_OUT", None)
    tinkla = subprocess.Popen([program], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        window = xdotool(env, "search", "--sync", "--onlyvisible", "--name", "^Tinkla$").split()[0]
        xdotool(env, "windowfocus", "--sync", window)
        time.sleep(0.5)  # let the synthesizer settle
        xdotool(env, "keydown", "a", "sleep", "0.3", "keyup", "a", "sleep", "0.2")
        tinkla.send_signal(signal_number)
        try:
            output, _ = tinkla.communicate(timeout=20)
        except subprocess.TimeoutExpired:
            fail("%s did not end the program" % name)
        if tinkla.returncode != 0:
            fail("after %s tinkla exited with %d:\n%s" % (name, tinkla.returncode,
                                                         output.decode(errors="replace")))
    finally:
        if tinkla.poll() is None:
            tinkla.kill()
    length = check_finished_wav(wav_path)
    print("%s: exit status 0, WAV finished with %d bytes of sound" % (name, length))


def main():
    if len(sys.argv) != 2:
        fail(__doc__)
    work = tempfile.mkdtemp(prefix="tinkla-signals-")
    xvfb, display = start_xvfb()
    try:
        for signal_number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
            run_once(sys.argv[1], display, work, signal_number)
    finally:
        xvfb.terminate()
        xvfb.wait()
    subprocess.run(["rm", "-rf", work], check=False)  # kept when the test fails
    print("PASS")


if __name__ == "__main__":
    main()
