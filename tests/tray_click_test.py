#!/usr/bin/python3
"""The tray icon for real: the stand-in host runs the module under Wine's own
shell desktop on the virtual display; the test finds the icon in the
notification area by its colours, clicks it with the mouse, and checks that
the playing file was archived.

Arguments: the Wine prefix, the stand-in host program, the module."""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
NOTE_BLUE = bytes((40, 140, 230))   # the note's body in the icon, opaque
prefix, host_program, module = sys.argv[1:4]
env = dict(os.environ, WINEPREFIX=prefix, WINEARCH="win32", WINEDEBUG="-all",
           WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d")


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def screenshot():
    png = subprocess.run(["import", "-window", "root", "png:-"], capture_output=True, check=True).stdout
    ppm = subprocess.run(["convert-im6.q16", "png:-", "ppm:-"], input=png, capture_output=True,
                         check=True).stdout
    magic, size, depth, pixels = ppm.split(b"\n", 3)
    width, height = map(int, size.split())
    return width, height, pixels


def find_icon():
    """Centre of the icon's note in the bottom quarter of the screen, or None."""
    width, height, pixels = screenshot()
    hits = [(x, y) for y in range(height * 3 // 4, height)
            for x in range(width) if pixels[(y * width + x) * 3:(y * width + x) * 3 + 3] == NOTE_BLUE]
    if not hits:
        return None
    xs, ys = [x for x, _ in hits], [y for _, y in hits]
    return (min(xs) + max(xs)) // 2, (min(ys) + max(ys)) // 2


def wait_for(condition, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.5)
    return None


def main():
    if not os.environ.get("DISPLAY"):
        print("SKIP: no X display")
        return SKIP
    work = pathlib.Path(tempfile.mkdtemp(prefix="tunestow-tray-"))
    try:
        (work / "in" / "Artist").mkdir(parents=True)
        (work / "in" / "Artist" / "a.mp3").write_bytes(b"first")
        (work / "in" / "Artist" / "b.mp3").write_bytes(b"second")
        (work / "host.ini").write_bytes(
            b"[Tunestow]\r\nimmediateMode=1\r\nplayNextTrack=1\r\n"
            + f"rootDirectoryArchiveFrom={windows_path(work / 'in')}\\\r\n".encode()
            + f"rootDirectoryArchiveTo={windows_path(work / 'out')}\\\r\n".encode()
            + b"scriptFilePathAndName=\r\n")
        desktop = subprocess.Popen(
            ["wine", "explorer", "/desktop=shell,1024x768", windows_path(host_program),
             "--dll", windows_path(module), "--ini", windows_path(work / "host.ini"),
             "--answer-boxes",
             windows_path(work / "in" / "Artist" / "a.mp3"), windows_path(work / "in" / "Artist" / "b.mp3")],
            env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        try:
            icon = wait_for(find_icon, 30)
            if icon is None:
                print("SKIP: the desktop shows no notification area with our icon")
                return SKIP
            print(f"icon found at {icon}")
            subprocess.run(["xdotool", "mousemove", str(icon[0]), str(icon[1]), "click", "1"], check=True)
            archived = work / "out" / "Artist" / "a.mp3"
            moved = wait_for(lambda: archived.exists() and not (work / "in" / "Artist" / "a.mp3").exists(), 15)
            if not moved:
                print("FAIL: the click did not archive the playing file")
                return 1
            if archived.read_bytes() != b"first" or (work / "in" / "Artist" / "b.mp3").read_bytes() != b"second":
                print("FAIL: the archived or the next file changed")
                return 1
            print("the click archived the playing file")
            return 0
        finally:
            subprocess.run(["wineserver", "-k"], env=env)
            desktop.wait(timeout=30)
    finally:
        shutil.rmtree(work, ignore_errors=True)


sys.exit(main())
