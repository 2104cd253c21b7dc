#!/usr/bin/env python3
"""Measures the keyboard program and VMPK (the keyboard a parent would pick instead) side by side
in one run, on the same private X server and PulseAudio null sink, and prints their ratios:

- window visible: from process start until the screen shows 90 % of what the settled window shows
  (the same test for both programs, each with a fresh HOME, the first run of each not counted);
- resident memory and CPU while idle, process and sound server, measured over --idle-seconds
  starting --settle-seconds after the start (the SoundFont has loaded, silence has set in).

Runs alternate between the two programs so that both meet the same load from the rest of the
machine. VMPK comes from Debian with its default output (the Sonivox synthesizer through the
sound server); when it is missing this script installs it with apt-get, for measuring only.

Usage: bench/versus-vmpk.py <path to tinkla> [--runs N] [--settle-seconds S] [--idle-seconds S]
"""
import argparse
import ctypes
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from startup import cpu_seconds, resident_mb, start_pulse, start_xvfb  # noqa: E402

GRID = 16  # sample every 16th pixel of every 16th row


class TScreenGrid:
    """Counts the painted (non-black) points of a grid over the whole root window."""

    def __init__(self, display):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XDefaultScreen.argtypes = [ctypes.c_void_p]
        self.x.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XGetImage.restype = ctypes.c_void_p
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                     ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XFree.argtypes = [ctypes.c_void_p]
        self.display = self.x.XOpenDisplay(display.encode())
        if not self.display:
            sys.exit("cannot open display " + display)
        self.root = self.x.XDefaultRootWindow(self.display)
        screen = self.x.XDefaultScreen(self.display)
        self.width = self.x.XDisplayWidth(self.display, screen)
        self.height = self.x.XDisplayHeight(self.display, screen)

    def painted(self):
        z_pixmap, all_planes = 2, 0xFFFFFFFF
        image = self.x.XGetImage(self.display, self.root, 0, 0, self.width, self.height, all_planes, z_pixmap)
        # XImage: width, height, xoffset, format (ints), data pointer, then byte_order,
        # bitmap_unit, bitmap_bit_order, bitmap_pad, depth, bytes_per_line (ints).
        data = ctypes.cast(image + 16, ctypes.POINTER(ctypes.c_void_p)).contents.value
        stride = ctypes.cast(image + 44, ctypes.POINTER(ctypes.c_int)).contents.value
        pixels = ctypes.string_at(data, stride * self.height)
        self.x.XFree(data)
        self.x.XFree(image)
        count = 0
        for y in range(0, self.height, GRID):
            row = pixels[y * stride:y * stride + self.width * 4]
            for x in range(0, self.width * 4, GRID * 4):
                if row[x] or row[x + 1] or row[x + 2]:
                    count += 1
        return count


def ensure_vmpk():
    if shutil.which("vmpk"):
        return
    print("installing VMPK from Debian for this measurement (apt-get install vmpk)", flush=True)
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(["apt-get", "install", "-y", "--no-install-recommends", "vmpk"], env=env, check=True,
                   stdout=subprocess.DEVNULL)


def run_once(name, command, env, screen, pulse, settle, idle_seconds):
    """One start of one program: (visible ms, RSS MB, process idle %, server idle %)."""
    home = tempfile.mkdtemp(prefix="bench-home-")
    if screen.painted() != 0:
        sys.exit("the screen is not clear before starting " + name)
    start = time.monotonic()
    process = subprocess.Popen(command, env=dict(env, HOME=home), stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        samples = []
        while time.monotonic() - start < 4.0:
            if process.poll() is not None:
                sys.exit(name + " ended during its start")
            samples.append((time.monotonic() - start, screen.painted()))
            time.sleep(0.002)  # leave the programs the cores
        settled = samples[-1][1]
        if settled == 0:
            sys.exit(name + "'s window did not appear")
        visible_ms = next(t for t, count in samples if count >= 0.9 * settled) * 1000
        time.sleep(max(0.0, settle - (time.monotonic() - start)))
        process_before, server_before = cpu_seconds(process.pid), cpu_seconds(pulse.pid)
        time.sleep(idle_seconds)
        process_idle = (cpu_seconds(process.pid) - process_before) / idle_seconds * 100
        server_idle = (cpu_seconds(pulse.pid) - server_before) / idle_seconds * 100
        return visible_ms, resident_mb(process.pid), process_idle, server_idle
    finally:
        process.terminate()
        process.wait()
        shutil.rmtree(home, ignore_errors=True)
        time.sleep(0.3)  # let the X server clear the window's place


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("program")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--settle-seconds", type=float, default=9)
    parser.add_argument("--idle-seconds", type=float, default=10)
    args = parser.parse_args()
    ensure_vmpk()

    work = tempfile.mkdtemp(prefix="versus-vmpk-")
    xvfb, display = start_xvfb()
    pulse, server = start_pulse(work)
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", PULSE_SERVER=server)
    for variable in ("TINKLA_MIDI_TRACE", "TINKLA_AUDIO_DRIVER", "TINKLA_MIDI_OUT", "TINKLA_SOUNDFONT"):
        env.pop(variable, None)
    programs = [("Tinkla", [os.path.abspath(args.program)]), ("VMPK", ["vmpk"])]
    results = {name: [] for name, _ in programs}
    try:
        screen = TScreenGrid(display)
        for round_number in range(args.runs + 1):
            for name, command in programs:
                result = run_once(name, command, env, screen, pulse, args.settle_seconds, args.idle_seconds)
                print("%-6s run %d: visible %4.0f ms, RSS %5.1f MB, idle CPU %4.2f %% (server %4.2f %%)%s"
                      % ((name, round_number) + result + (" (warm-up, not counted)" if round_number == 0 else "",)),
                      flush=True)
                if round_number > 0:
                    results[name].append(result)
    finally:
        pulse.terminate()
        pulse.wait()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)

    labels = ["window visible, ms", "resident memory, MB", "idle CPU of the process, %", "idle CPU of the server, %"]
    print("\nmedians of %d runs each, load average at the end %s" % (args.runs, os.getloadavg()[0]))
    print("%-30s %10s %10s %8s" % ("", "Tinkla", "VMPK", "ratio"))
    for index, label in enumerate(labels):
        tinkla = statistics.median(run[index] for run in results["Tinkla"])
        vmpk = statistics.median(run[index] for run in results["VMPK"])
        ratio = "%8.2f" % (tinkla / vmpk) if vmpk > 0 else "%8s" % "-"
        print("%-30s %10.2f %10.2f %s" % (label, tinkla, vmpk, ratio))


if __name__ == "__main__":
    main()
