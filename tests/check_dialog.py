#!/usr/bin/python3
"""The configuration dialog as the shipped module holds it: resource 10100,
English (United States), a classic template whose style, place, size,
caption, font and controls are read byte for byte."""
import struct
import sys

import pefile

RT_DIALOG = 5
ENGLISH_US = 1033
WS_CHILD, WS_VISIBLE, WS_CAPTION, WS_SYSMENU = 0x40000000, 0x10000000, 0x00C00000, 0x00080000
WS_BORDER, WS_TABSTOP = 0x00800000, 0x00010000
DS_SETFONT, DS_MODALFRAME = 0x40, 0x80
ES_AUTOHSCROLL, BS_LEFT = 0x80, 0x100
SHOWN = WS_CHILD | WS_VISIBLE
EDIT = SHOWN | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL
# The classes the platform also knows by number.
CLASS_ATOMS = {0x80: "BUTTON", 0x81: "EDIT", 0x82: "STATIC"}

DIALOG = (WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
          20, 40, 295, 131, "Configuration", 8, "MS Sans Serif")
CONTROLS = [  # id, class, text, x, y, width, height, style
    (107, "STATIC", "Archive from root directory:", 5, 6, 90, 10, SHOWN),
    (101, "EDIT", "", 90, 4, 200, 12, EDIT),
    (111, "STATIC", "Archive to root directory:", 5, 20, 90, 10, SHOWN),
    (110, "EDIT", "", 90, 18, 200, 12, EDIT),
    (109, "BUTTON", "", 1, 29, 262, 29, WS_CHILD | 7 | BS_LEFT),
    (102, "BUTTON", "Archive immediately", 4, 34, 85, 8, SHOWN | 9 | BS_LEFT),
    (103, "BUTTON", "Create script for future execution", 4, 48, 117, 8, SHOWN | 9 | BS_LEFT),
    (108, "STATIC", "Script file path and name:", 40, 62, 85, 10, SHOWN),
    (104, "EDIT", "", 125, 60, 165, 12, EDIT),
    (105, "BUTTON", "Skip to next track", 40, 75, 97, 13, SHOWN | WS_TABSTOP | 3 | BS_LEFT),
    (1, "BUTTON", "OK", 70, 99, 70, 15, SHOWN | WS_TABSTOP | 1),
    (2, "BUTTON", "Cancel", 155, 99, 70, 15, SHOWN | WS_TABSTOP),
]
NOTICE = (112, "STATIC", 1, 122, 200, 10, SHOWN)   # its text is ours to choose


class Reader:
    def __init__(self, data):
        self.data, self.at = data, 0

    def take(self, form):
        values = struct.unpack_from("<" + form, self.data, self.at)
        self.at += struct.calcsize("<" + form)
        return values if len(values) > 1 else values[0]

    def text(self):
        end = self.at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.at:end].decode("utf-16-le")
        self.at = end + 2
        return value

    def name_or_number(self):
        first = self.take("H")
        if first in (0, 0xFFFF):
            return first and self.take("H")
        self.at -= 2
        return self.text()

    def align(self):
        self.at += -self.at % 4


def shown(values):
    """The tuple with styles in hexadecimal, as they are read in headers."""
    return "(" + ", ".join(f"{v:#010x}" if isinstance(v, int) and v > 0xFFFF else repr(v)
                           for v in values) + ")"


def template(path):
    module = pefile.PE(path)
    found = []
    for kind in module.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != RT_DIALOG:
            continue
        for name in kind.directory.entries:
            for language in name.directory.entries:
                entry = language.data.struct
                found.append((name.id, language.id,
                              module.get_data(entry.OffsetToData, entry.Size)))
    return found


def check(path):
    dialogs = template(path)
    if [(name, language) for name, language, _ in dialogs] != [(10100, ENGLISH_US)]:
        return [f"dialogs (id, language) {[(n, l) for n, l, _ in dialogs]}, expected [(10100, 1033)]"]
    data = Reader(dialogs[0][2])
    failures = []
    style, extended, count, x, y, width, height = data.take("IIHhhhh")
    menu, window_class, caption = data.name_or_number(), data.name_or_number(), data.text()
    points, font = data.take("H"), data.text()
    seen = (style, x, y, width, height, caption, points, font)
    if style >> 16 == 0xFFFF:
        failures.append("an extended template, expected a classic one")
    if seen != DIALOG or extended != 0 or menu != 0 or window_class != 0:
        failures.append(f"dialog {shown(seen)} extended style {extended:#x} menu {menu!r} "
                        f"class {window_class!r}, expected {shown(DIALOG)} and none of the others")
    expected = CONTROLS + [None]
    if count != len(expected):
        failures.append(f"{count} controls, expected {len(expected)}")
    for want in expected[:count]:
        data.align()
        style, extended, x, y, width, height, control = data.take("IIhhhhH")
        kind = data.name_or_number()
        kind = CLASS_ATOMS.get(kind, kind).upper() if kind != "" else kind
        text = data.text()
        creation_data = data.take("H")
        data.at += creation_data
        got = (control, kind, text, x, y, width, height, style)
        if want is None:   # the notice: any one line of text
            got, want = (control, kind, x, y, width, height, style), NOTICE
            if not text or "\n" in text:
                failures.append(f"notice text {text!r}, expected one line")
        if got != want or extended != 0:
            failures.append(f"control {shown(got)} extended style {extended:#x}, "
                            f"expected {shown(want)} and 0")
    return failures


failures = check(sys.argv[1])
for failure in failures:
    print("FAIL:", failure)
print(f"checked dialog 10100 of {sys.argv[1]}: {len(failures)} failures")
sys.exit(1 if failures else 0)
