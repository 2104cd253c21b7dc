#!/usr/bin/env python3
"""The real program under Xvfb with the built-in synthesizer writing to a file: start-up, a
computer key, a mouse slide and the instrument refresh key must send exactly the expected MIDI
messages, and the sound must be heard.

Usage: KeyboardEndToEnd.py <path to the tinkla executable>
"""
import array
import os
import shutil
import subprocess
import sys
import tempfile
import time

from tinkla_e2e import expect_clean_exit, fail, program_env, read_trace, start_xvfb, xdotool

# The window's client coordinates of the points the test touches.
KEY_60 = (319, 320)
KEY_62 = (340, 320)
CLOSE_BUTTON = (736, 32)

EXPECTED = [
    "C0 00 E1",              # start-up applies the default instrument on channel 0
    "90 30 7F", "80 30 7F",  # A pressed and released: note 48
    "90 3C 7F",              # mouse down on note 60
    "80 3C 7F", "90 3E 7F",  # slid onto note 62
    "80 3E 7F",              # mouse up
    "C0 00 E1",              # Z re-applies the instrument
]


def peak_and_loud_share(wav_path):
    """The peak sample and the share of samples above 1 % of full scale, of 16-bit PCM."""
    with open(wav_path, "rb") as wav:
        data = wav.read()
    start = data.find(b"data")
    if data[:4] != b"RIFF" or start < 0:
        fail("%s is not a WAV file" % wav_path)
    samples = array.array("h")
    payload = data[start + 8:]
    samples.frombytes(payload[:len(payload) // 2 * 2])
    if not samples:
        return 0, 0.0
    loud = sum(1 for s in samples if abs(s) > 327)
    return max(abs(s) for s in samples), loud / len(samples)


def main():
    if len(sys.argv) != 2:
        fail(__doc__)
    program = sys.argv[1]
    work = tempfile.mkdtemp(prefix="tinkla-e2e-")
    trace_path = os.path.join(work, "trace.txt")
    wav_path = os.path.join(work, "sound.wav")
    xvfb, display = start_xvfb()
    env = program_env(display, work)
    tinkla = subprocess.Popen([program], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        window = xdotool(env, "search", "--sync", "--onlyvisible", "--name", "^Tinkla$").split()[0]
        geometry = dict(line.split("=") for line in xdotool(env, "getwindowgeometry", "--shell", window).split())
        left, top = int(geometry["X"]), int(geometry["Y"])
        at = lambda point: [str(left + point[0]), str(top + point[1])]
        xdotool(env, "windowfocus", "--sync", window)
        time.sleep(0.5)  # let the first paint and the synthesizer settle
        xdotool(env, "keydown", "a", "sleep", "0.4", "keyup", "a", "sleep", "0.3")
        xdotool(env, "mousemove", "--sync", *at(KEY_60), "mousedown", "1", "sleep", "0.4",
                "mousemove", "--sync", *at(KEY_62), "sleep", "0.4", "mouseup", "1", "sleep", "0.5")
        xdotool(env, "key", "z", "sleep", "0.3")
        xdotool(env, "mousemove", "--sync", *at(CLOSE_BUTTON), "sleep", "0.2", "click", "1")
        expect_clean_exit(tinkla, "a click on the close button")
    finally:
        if tinkla.poll() is None:
            tinkla.kill()
        xvfb.terminate()
        xvfb.wait()

    traced = read_trace(trace_path)
    sent = [message for _, message in traced]
    if sent != EXPECTED:
        fail("traced messages\n  %s\nexpected\n  %s" % (sent, EXPECTED))
    times = [ms for ms, _ in traced]
    if times != sorted(times):
        fail("trace times go backwards: %s" % times)
    peak, loud = peak_and_loud_share(wav_path)
    print("sound: peak %d of 32767, %.1f %% of samples above 1 %% of full scale" % (peak, loud * 100))
    if peak < 1000 or loud < 0.01:
        fail("the captured sound is silent")
    shutil.rmtree(work)  # kept when the test fails, for a look at the trace and the sound
    print("PASS")


if __name__ == "__main__":
    main()
