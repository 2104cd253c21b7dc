#!/usr/bin/env python3
"""The real program under Xvfb, driven through its transport buttons, menu and dialogs: choose
the second built-in song and play along with it, stop, record a key, save the recording through
the save dialog, then open a short file through the open dialog and let it play to its end.
Judged from the MIDI trace and the saved file (read back with python3-mido).

A damaged file played at the end must leave the program running.

Usage: TransportEndToEnd.py <path to the tinkla executable> <folder for screenshots, optional>
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import mido

from tinkla_e2e import Window, expect_clean_exit, fail, program_env, read_trace, start_xvfb, wait_for, xdotool

# Client coordinates of the buttons' middles, and of a place on the window's background.
SONGS, PLAY, STOP, REC, PLAY_ALONG, STOP_REC, SAVE = [(x + 24, 182) for x in (176, 232, 288, 368, 424, 480, 560)]
BACKGROUND = (650, 100)
CLOSE_BUTTON = (736, 32)
SECOND_SONG = (100, 16 + 18 + 9)  # inside the song dialog's list
SWEEP = ["B%X 78 00" % channel for channel in range(16)]


def screenshot(env, folder, name, board=None):
    """The whole screen, or only the keyboard window when `board` is given."""
    if folder:
        crop = ["-crop", "765x341+%d+%d" % (board.left, board.top), "+repage"] if board else []
        subprocess.run(["import", "-window", "root", *crop, os.path.join(folder, name)], env=env, check=True)


def messages_since(trace_path, count):
    return [message for _, message in read_trace(trace_path)][count:]


def open_file(env, board, path):
    """Through the popup menu's second item and the open dialog."""
    xdotool(env, "windowfocus", "--sync", board.id)
    board.click(BACKGROUND, button="3", pause="0.5")
    xdotool(env, "key", "Down", "Down", "Return")
    opener = Window(env, "打开其他音乐文件")
    xdotool(env, "windowfocus", "--sync", opener.id, "sleep", "0.3", "type", "--delay", "20", path)
    xdotool(env, "key", "Return")
    wait_for(lambda: not subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^打开其他音乐文件$"],
                                        env=env, capture_output=True).stdout, "the open dialog to close")
    xdotool(env, "windowfocus", "--sync", board.id)


def short_song(path):
    """Two notes on channel 2 and a program change on channel 5, at 120 bpm, 480 ticks/quarter."""
    song = mido.MidiFile(type=0, ticks_per_beat=480)
    track = mido.MidiTrack()
    track += [mido.Message("program_change", channel=5, program=11, time=0),
              mido.Message("note_on", channel=2, note=67, velocity=90, time=0),
              mido.Message("note_off", channel=2, note=67, velocity=0, time=240),
              mido.Message("note_on", channel=2, note=72, velocity=80, time=0),
              mido.Message("note_off", channel=2, note=72, velocity=0, time=240)]
    song.tracks.append(track)
    song.save(path)
    return ["C5 0B 00", "92 43 5A", "82 43 00", "92 48 50", "82 48 00"]


def main():
    if len(sys.argv) not in (2, 3):
        fail(__doc__)
    program = sys.argv[1]
    shots = sys.argv[2] if len(sys.argv) == 3 else None
    work = tempfile.mkdtemp(prefix="tinkla-transport-")
    home = os.path.join(work, "home")
    os.mkdir(home)
    trace_path = os.path.join(work, "trace.txt")
    xvfb, display = start_xvfb()
    env = program_env(display, work, HOME=home)
    tinkla = subprocess.Popen([program], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    try:
        board = Window(env, "Tinkla", program=tinkla)
        xdotool(env, "windowfocus", "--sync", board.id)
        time.sleep(0.5)

        # The second built-in song, chosen with a double click in the song dialog.
        board.click(SONGS)
        songs = Window(env, "选择要弹奏的歌曲")
        xdotool(env, "mousemove", "--sync", *songs.at(SECOND_SONG), "sleep", "0.2", "click", "--repeat", "2", "1")
        wait_for(lambda: not subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^选择要弹奏的歌曲$"],
                                            env=env, capture_output=True).stdout, "the song dialog to close")
        xdotool(env, "windowfocus", "--sync", board.id)

        # Play along: the melody (channel 0) is left to the child, whose key A sounds on it, 7 up.
        start = len(read_trace(trace_path))
        board.click(PLAY_ALONG, pause="2.5")
        xdotool(env, "keydown", "a", "sleep", "0.3")
        screenshot(env, shots, "playing.png", board)
        xdotool(env, "keyup", "a", "sleep", "1.0")
        board.click(STOP)
        along = messages_since(trace_path, start)
        if along[-16:] != SWEEP:
            fail("stop did not end with All Sound Off on channels 0 to 15 in order: %s" % along[-16:])
        played = along[:-16]
        child = ["90 37 7F", "80 37 7F"]
        if [m for m in played if m[0] in "89" and m[1] == "0"] != child:
            fail("channel 0's notes while playing along were not exactly the child's %s: %s" % (child, played))
        if not any(m[0] in "89" and m[1] != "0" for m in played) or not any(m[0] == "C" for m in played):
            fail("the song's other channels and program changes did not play: %s" % played)

        # Record the key, stop recording, save through the save dialog (rec.mid in the home folder).
        board.click(REC)
        xdotool(env, "keydown", "a", "sleep", "0.4", "keyup", "a", "sleep", "2.2")
        screenshot(env, shots, "recording.png", board)
        board.click(STOP_REC)
        board.click(SAVE)
        saver = Window(env, "保存录音文件")
        xdotool(env, "windowfocus", "--sync", saver.id, "sleep", "0.3", "key", "Return")
        saved_path = os.path.join(home, "rec.mid")
        wait_for(lambda: os.path.exists(saved_path), "the recording to be saved as " + saved_path)
        saved = mido.MidiFile(saved_path)
        if saved.type != 1 or saved.ticks_per_beat != 30797:
            fail("saved file has format %d and %d ticks per quarter" % (saved.type, saved.ticks_per_beat))
        notes = [(m.type, m.channel, m.note) for track in saved.tracks for m in track if m.type in ("note_on", "note_off")]
        if notes != [("note_on", 0, 55), ("note_off", 0, 55)]:
            fail("the saved recording holds %s" % notes)

        # A short file through the menu's open command and the open dialog; it stops by itself.
        song_path = os.path.join(work, "short.mid")
        expected = short_song(song_path)
        open_file(env, board, song_path)
        start = len(read_trace(trace_path))
        board.click(PLAY)
        wait_for(lambda: len(messages_since(trace_path, start)) >= len(expected) + 16, "the short song to end")
        time.sleep(0.3)
        if messages_since(trace_path, start) != expected + SWEEP:
            fail("the opened file played %s, expected %s" % (messages_since(trace_path, start), expected + SWEEP))

        # A damaged file (its track starts with a data byte) plays what it can; the program says so
        # once and goes on.
        damaged_path = os.path.join(work, "damaged.mid")
        with open(damaged_path, "wb") as damaged:
            damaged.write(b"MThd\0\0\0\6\0\0\0\1\0\x60" + b"MTrk\0\0\0\x08" + b"\x3C\x40\x00\x90\x3C\x40\x00\x80")
        open_file(env, board, damaged_path)
        board.click(PLAY, pause="1.0")
        if tinkla.poll() is not None:
            fail("the program ended playing a damaged file")
        notice = Window(env, "注意")
        xdotool(env, "windowfocus", "--sync", notice.id, "sleep", "0.2", "key", "Return")
        wait_for(lambda: not subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^注意$"], env=env,
                                            capture_output=True).stdout, "the notice to close")

        board.click(CLOSE_BUTTON)
        expect_clean_exit(tinkla, "a click on the close button")
    finally:
        if tinkla.poll() is None:
            screenshot(env, shots or work, "failure.png")
            tinkla.kill()
        xvfb.terminate()
        xvfb.wait()
    shutil.rmtree(work)  # kept when the test fails, for a look at the trace
    print("PASS")


if __name__ == "__main__":
    main()
