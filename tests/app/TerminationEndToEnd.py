#!/usr/bin/env python3
"""The real program under Xvfb, with the built-in synthesizer writing to a file, ended by each
termination signal (SIGTERM, SIGINT, SIGHUP) while it records a note and plays a song: it must
quit through its ordinary close path with exit status 0, silence the song (All Sound Off on every
channel), keep the unsaved recording in the user's recovery folder without asking, and leave a
finished WAV file (its header gives the true length).

Usage: TerminationEndToEnd.py <path to the tinkla executable>
"""
import glob
import os
import signal
import struct
import subprocess
import sys
import tempfile
import time

from tinkla_e2e import Window, expect_clean_exit, fail, program_env, read_trace, start_xvfb, xdotool

SONGS, PLAY, REC = [(x + 24, 182) for x in (176, 232, 368)]
FIRST_SONG = (100, 16 + 9)  # inside the song dialog's list
SWEEP = ["B%X 78 00" % channel for channel in range(16)]


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
    run = os.path.join(work, name)
    os.mkdir(run)
    env = program_env(display, run, XDG_DATA_HOME=os.path.join(run, "data"))
    wav_path = env["TINKLA_AUDIO_FILE"]
    tinkla = subprocess.Popen([program], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        board = Window(env, "Tinkla", program=tinkla)
        xdotool(env, "windowfocus", "--sync", board.id)
        time.sleep(0.5)  # let the synthesizer settle
        board.click(SONGS)
        songs = Window(env, "选择要弹奏的歌曲")
        xdotool(env, "mousemove", "--sync", *songs.at(FIRST_SONG), "sleep", "0.2", "click", "--repeat", "2", "1",
                "sleep", "0.5")
        xdotool(env, "windowfocus", "--sync", board.id)
        board.click(REC)
        board.click(PLAY)
        xdotool(env, "keydown", "a", "sleep", "0.3", "keyup", "a", "sleep", "0.2")
        tinkla.send_signal(signal_number)
        output = expect_clean_exit(tinkla, name)
    finally:
        if tinkla.poll() is None:
            tinkla.kill()
    length = check_finished_wav(wav_path)
    sent = [message for _, message in read_trace(env["TINKLA_MIDI_TRACE"])]
    if sent[-16:] != SWEEP:
        fail("after %s the song was not silenced on every channel: %s" % (name, sent[-20:]))
    kept = glob.glob(os.path.join(run, "data", "tinkla", "recovered", "rec-*.mid"))
    if len(kept) != 1:
        fail("after %s the recovery folder holds %s" % (name, kept))
    with open(kept[0], "rb") as recording:
        data = recording.read()
    # Key A with the first song's transposition of 2: note 50 on channel 0.
    if not data.startswith(b"MThd") or b"\x90\x32\x7f" not in data:
        fail("the recovered recording %s lacks the child's note" % kept[0])
    if kept[0] not in output.decode(errors="replace"):
        fail("the recovered recording's path was not printed")
    print("%s: exit status 0, song silenced, recording kept, WAV finished with %d bytes of sound" % (name, length))


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
