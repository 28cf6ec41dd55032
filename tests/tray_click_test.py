#!/usr/bin/python3
"""The tray icon for real: the stand-in host runs the module under Wine's own
shell desktop on the virtual display; the test finds the icon in the
notification area by its colours, clicks it with the mouse, and checks that
the playing file was archived; then a right click must show the icon's menu
(a picture of it is kept beside the prefix), and its undo item, chosen by its
key, must bring the file back.

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


def menu_box(before, icon):
    """Bounds of a menu-sized area (three items or more) next to the icon that changed since `before`, or None."""
    width, height, old = before
    new, row = screenshot()[2], width * 3
    ys = [y for y in range(height) if old[y * row:(y + 1) * row] != new[y * row:(y + 1) * row]]
    xs = [x for x in range(width) if any(old[x * 3 + c::row] != new[x * 3 + c::row] for c in range(3))]
    if xs and max(xs) - min(xs) >= 120 and ys[-1] - ys[0] >= 45 \
            and min(xs) - 40 <= icon[0] <= max(xs) + 40 and ys[0] - 40 <= icon[1] <= ys[-1] + 40:
        return min(xs), ys[0], max(xs), ys[-1]
    return None


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
            away = [str(icon[0] // 2), str(icon[1] // 2)]   # off the icon and the menu: no tooltip
            subprocess.run(["xdotool", "mousemove", *away], check=True)
            time.sleep(1)
            before = screenshot()
            subprocess.run(["xdotool", "mousemove", str(icon[0]), str(icon[1]), "click", "3", "mousemove", *away],
                           check=True)
            box = wait_for(lambda: menu_box(before, icon), 15)
            if box is None:
                print("FAIL: the right click showed no menu next to the icon")
                return 1
            picture = pathlib.Path(prefix).resolve().parent / "tray-menu.png"
            subprocess.run(["import", "-window", "root", str(picture)], check=True)
            print(f"the right click showed a menu at {box}; its picture: {picture}")
            subprocess.run(["xdotool", "key", "u"], check=True)
            back = wait_for(lambda: (work / "in" / "Artist" / "a.mp3").exists() and not archived.exists(), 15)
            if not back or (work / "in" / "Artist" / "a.mp3").read_bytes() != b"first" \
                    or (work / "out" / "Artist" / "b.mp3").exists():
                print("FAIL: the menu's undo item did not move the archived file back (alone)")
                return 1
            if not wait_for(lambda: not menu_box(before, icon), 10):
                print("FAIL: the menu stayed on the screen after its undo item was chosen")
                return 1
            print("the menu's undo item moved the file back and closed the menu")
            return 0
        finally:
            subprocess.run(["wineserver", "-k"], env=env)
            desktop.wait(timeout=30)
    finally:
        shutil.rmtree(work, ignore_errors=True)


sys.exit(main())
