#!/usr/bin/env python3
"""Measures the keyboard program on a private X server: time from process start to the first
painted window (warm: the first run only warms the caches and is not counted), resident
memory once it is up, and CPU use while it sits idle.

Usage: bench/startup.py <path to tinkla> [--runs N] [--idle-seconds S] [--audio pulse|file]

--audio pulse (the default) starts a private PulseAudio server with a null sink, so the
built-in synthesizer runs exactly as on a desktop; --audio file uses FluidSynth's file driver.
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

WINDOW_LEFT, WINDOW_TOP = 208, 151  # where the window places itself (no window manager here)
PROBE = (20, 330)                   # a white key's lower part, in window coordinates


class TScreen:
    """Reads single pixels of the root window through Xlib."""

    def __init__(self, display):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.c_void_p
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                     ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XFree.argtypes = [ctypes.c_void_p]
        self.display = self.x.XOpenDisplay(display.encode())
        if not self.display:
            sys.exit("cannot open display " + display)
        self.root = self.x.XDefaultRootWindow(self.display)

    def pixel(self, px, py):
        z_pixmap, all_planes = 2, 0xFFFFFFFF
        image = self.x.XGetImage(self.display, self.root, px, py, 1, 1, all_planes, z_pixmap)
        # XImage begins with width, height, xoffset, format (4 ints), then the data pointer.
        data = ctypes.cast(image + 16, ctypes.POINTER(ctypes.c_void_p)).contents.value
        value = ctypes.cast(data, ctypes.POINTER(ctypes.c_uint32)).contents.value
        self.x.XFree(data)
        self.x.XFree(image)
        return (value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF


def start_xvfb():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            sys.exit("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return xvfb, ":" + number.decode().strip()


def start_pulse(work):
    runtime = os.path.join(work, "pulse-runtime")
    os.makedirs(runtime)
    socket = os.path.join(runtime, "native")
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime, HOME=work)
    pulse = subprocess.Popen(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                              "-L", "module-native-protocol-unix socket=" + socket,
                              "-L", "module-null-sink sink_name=bench rate=48000", "-L", "module-always-sink"],
                             env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(200):
        if os.path.exists(socket):
            return pulse, "unix:" + socket
        time.sleep(0.02)
    sys.exit("pulseaudio did not start")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def resident_mb(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def run_once(program, env, screen, idle_seconds):
    probe = (WINDOW_LEFT + PROBE[0], WINDOW_TOP + PROBE[1])
    if screen.pixel(*probe) != (0, 0, 0):
        sys.exit("the probe point is not clear before start")
    start = time.monotonic()
    tinkla = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        while min(screen.pixel(*probe)) < 200:
            if tinkla.poll() is not None or time.monotonic() - start > 20:
                sys.exit("the window did not appear")
            time.sleep(0.001)
        painted_ms = (time.monotonic() - start) * 1000
        time.sleep(1.0)
        rss = resident_mb(tinkla.pid)
        idle = None
        if idle_seconds > 0:
            before = cpu_seconds(tinkla.pid)
            time.sleep(idle_seconds)
            idle = (cpu_seconds(tinkla.pid) - before) / idle_seconds * 100
        return painted_ms, rss, idle
    finally:
        tinkla.terminate()
        tinkla.wait()
        time.sleep(0.2)  # let the X server clear the window's place


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("program")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--idle-seconds", type=float, default=10)
    parser.add_argument("--audio", choices=["pulse", "file"], default="pulse")
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="tinkla-bench-")
    xvfb, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
    env.pop("TINKLA_MIDI_TRACE", None)
    pulse = None
    if args.audio == "pulse":
        pulse, server = start_pulse(work)
        env.update(TINKLA_AUDIO_DRIVER="pulseaudio", PULSE_SERVER=server)
    else:
        env.update(TINKLA_AUDIO_DRIVER="file", TINKLA_AUDIO_FILE=os.path.join(work, "sound.wav"))
    try:
        screen = TScreen(display)
        run_once(args.program, env, screen, 0)  # warm-up, not counted
        times, memory = [], []
        for _ in range(args.runs):
            painted_ms, rss, _ = run_once(args.program, env, screen, 0)
            times.append(painted_ms)
            memory.append(rss)
        _, _, idle = run_once(args.program, env, screen, args.idle_seconds)
    finally:
        if pulse:
            pulse.terminate()
            pulse.wait()
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)

    print("audio: %s, soundfont: %s" % (args.audio, os.environ.get("TINKLA_SOUNDFONT", "default")))
    print("start to first painted window (warm, %d runs): median %.0f ms, min %.0f, max %.0f"
          % (args.runs, statistics.median(times), min(times), max(times)))
    print("resident memory 1 s after the first paint: median %.1f MB, max %.1f MB"
          % (statistics.median(memory), max(memory)))
    print("CPU while idle over %.0f s: %.2f %% of one core" % (args.idle_seconds, idle))


if __name__ == "__main__":
    main()
