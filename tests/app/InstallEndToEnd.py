#!/usr/bin/env python3
"""Tinkla installed like any desktop program: install into a scratch prefix, validate the
desktop entry and the AppStream metainfo and check that they, the icons and the program name
each other; start the installed program from another folder through its desktop entry's
command under Xvfb and see its skinned window with no missing-skin box (and, with the skin
taken away, see the box, so the check is known to work); build the Debian package and let
lintian look at it.

Usage: InstallEndToEnd.py <build dir> <cmake> <cpack>
"""
import configparser
import glob
import gzip
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree

from tinkla_e2e import fail, program_env, start_xvfb, wait_for

WINDOW_SIZE = (765, 341)
# Long enough for a queued message box to open after the window shows.
BOX_GRACE_SECONDS = 2.0


def run(*command, **options):
    result = subprocess.run(command, capture_output=True, text=True, timeout=240, **options)
    if result.returncode != 0:
        fail("%s exited with %d:\n%s%s" % (" ".join(command), result.returncode, result.stdout, result.stderr))
    return result.stdout + result.stderr


def read_desktop_entry(path):
    parser = configparser.ConfigParser(interpolation=None, strict=True)
    parser.optionxform = str  # keys are case-sensitive
    parser.read(path, encoding="utf-8")
    return parser["Desktop Entry"]


def check_installed_files(prefix):
    """Validates the desktop entry and the metainfo; returns the desktop entry."""
    desktops = glob.glob(os.path.join(prefix, "share/applications/*.desktop"))
    metainfos = glob.glob(os.path.join(prefix, "share/metainfo/*.metainfo.xml"))
    if len(desktops) != 1 or len(metainfos) != 1:
        fail("expected one desktop entry and one metainfo file, found %s and %s" % (desktops, metainfos))
    desktop, metainfo = desktops[0], metainfos[0]
    report = run("desktop-file-validate", desktop)
    if report.strip():
        fail("desktop-file-validate:\n" + report)
    print(run("appstreamcli", "validate", "--no-net", metainfo).strip())

    desktop_id = os.path.basename(desktop)
    component = ElementTree.parse(metainfo).getroot()
    if component.findtext("id") + ".desktop" != desktop_id:
        fail("metainfo id %s does not name %s" % (component.findtext("id"), desktop_id))
    if component.findtext("launchable[@type='desktop-id']") != desktop_id:
        fail("metainfo launchable does not name " + desktop_id)
    entry = read_desktop_entry(desktop)
    for size in (16, 32, 48, 64, 128, 256):
        icon = os.path.join(prefix, "share/icons/hicolor/%dx%d/apps/%s.png" % (size, size, entry["Icon"]))
        if not os.path.isfile(icon):
            fail("no %dx%d icon named %s" % (size, size, entry["Icon"]))
    program = shlex.split(entry["Exec"])[0]
    if not os.access(os.path.join(prefix, "bin", program), os.X_OK):
        fail("Exec=%s is not installed in bin/" % entry["Exec"])
    return entry, component


def visible_windows(env, pid):
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], env=env,
                            capture_output=True, text=True, timeout=30)
    return result.stdout.split()


def window_info(env, window):
    info = run("xwininfo", "-id", window, env=env)
    size = tuple(int(re.search(r"%s: (\d+)" % key, info).group(1)) for key in ("Width", "Height"))
    name = re.search(r'xwininfo: Window id: \S+ "(.*)"', info).group(1)
    return name, size


def start_from_desktop_entry(entry, prefix, display, work, label):
    """Starts the entry's command from an empty folder; returns the process, its environment,
    its trace path and its visible windows once the window shows and a box has had time to
    follow it."""
    folder = os.path.join(work, label)
    os.mkdir(folder)
    env = program_env(display, folder, PATH=os.path.join(prefix, "bin") + os.pathsep + os.environ["PATH"])
    tinkla = subprocess.Popen(shlex.split(entry["Exec"]), cwd=folder, env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    wait_for(lambda: visible_windows(env, tinkla.pid) or tinkla.poll() is not None, "the window", 30)
    if tinkla.poll() is not None:
        fail("%s exited with %d:\n%s" % (label, tinkla.returncode, tinkla.stdout.read().decode(errors="replace")))
    time.sleep(BOX_GRACE_SECONDS)
    return tinkla, env, env["TINKLA_MIDI_TRACE"], visible_windows(env, tinkla.pid)


def stop(tinkla):
    tinkla.terminate()
    try:
        tinkla.wait(timeout=20)
    except subprocess.TimeoutExpired:
        tinkla.kill()
        tinkla.wait()


def check_program(entry, prefix, work):
    xvfb, display = start_xvfb()
    try:
        tinkla, env, trace, windows = start_from_desktop_entry(entry, prefix, display, work, "installed")
        try:
            shown = [window_info(env, w) for w in windows]
            if shown != [("Tinkla", WINDOW_SIZE)]:
                fail("expected only the Tinkla window of %dx%d, the program shows %s" % (*WINDOW_SIZE, shown))
            properties = run("xprop", "-id", windows[0], "WM_CLASS", "_NET_WM_ICON", env=env)
            if '"%s"' % entry["StartupWMClass"] not in properties.splitlines()[0]:
                fail("WM_CLASS does not match StartupWMClass=%s: %s" % (entry["StartupWMClass"], properties))
            if "Icon (" not in properties:
                fail("the window has no icon")
            # Start-up ran to its end: the default instrument went out on channel 0.
            wait_for(lambda: os.path.exists(trace) and "C0 00" in open(trace).read(),
                     "the start-up program change in the MIDI trace", 10)
        finally:
            stop(tinkla)

        # The same program without its skin must show the missing-skin box beside its window.
        img = os.path.join(prefix, "share/tinkla/img")
        os.rename(img, img + ".away")
        tinkla, _, _, windows = start_from_desktop_entry(entry, prefix, display, work, "without-skin")
        stop(tinkla)
        os.rename(img + ".away", img)
        if len(windows) != 2:
            fail("without its skin the program showed %d windows, not its window and the box" % len(windows))
    finally:
        xvfb.terminate()
        xvfb.wait()
    print("installed program: one 765x341 window with its icon; the missing-skin box shows without img/")


def check_package(build, cpack, work, component):
    run(cpack, "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"), "-B", os.path.join(work, "package"))
    packages = glob.glob(os.path.join(work, "package", "*.deb"))
    if len(packages) != 1:
        fail("cpack made %s" % packages)
    package = packages[0]
    version = run("dpkg-deb", "-f", package, "Version").strip()
    release = component.find("releases/release").get("version")
    run("dpkg-deb", "-x", package, os.path.join(work, "unpacked"))
    with gzip.open(os.path.join(work, "unpacked/usr/share/doc/tinkla/changelog.gz"), "rt") as changelog:
        logged = re.match(r"tinkla \(([^)]+)\)", changelog.readline()).group(1)
    if not version == release == logged:
        fail("package version %s, newest metainfo release %s, changelog %s" % (version, release, logged))
    lintian = subprocess.run(["lintian", "--fail-on", "error", package], capture_output=True, text=True, timeout=240)
    print(lintian.stdout, end="")
    if lintian.returncode != 0:
        fail("lintian found errors in %s:\n%s%s" % (os.path.basename(package), lintian.stdout, lintian.stderr))
    print("package: %s, lintian finds no error" % os.path.basename(package))


def main():
    if len(sys.argv) != 4:
        fail(__doc__)
    build, cmake, cpack = sys.argv[1:]
    work = tempfile.mkdtemp(prefix="tinkla-install-")
    prefix = os.path.join(work, "prefix")
    run(cmake, "--install", build, "--prefix", prefix)
    entry, component = check_installed_files(prefix)
    check_program(entry, prefix, work)
    check_package(build, cpack, work, component)
    shutil.rmtree(work)  # kept when the test fails, for a look at what was installed
    print("PASS")


if __name__ == "__main__":
    main()
