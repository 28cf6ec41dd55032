#!/usr/bin/python3
"""The module file as a user gets it: a PE32 DLL for i386 with ASLR, DEP and
NO_SEH, that exports exactly one name, imports only from system DLLs (no
mingw runtime needed), and carries its icon and dialog in English (United
States)."""
import struct
import subprocess
import sys

import pefile

SYSTEM_DLLS = {"KERNEL32.dll", "USER32.dll", "SHELL32.dll", "ole32.dll", "msvcrt.dll"}
EN_US = 1033
failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)


def resources(pe, type_id, name_id):
    """(language, bytes) of each language of one resource."""
    found = []
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != type_id:
            continue
        for name in kind.directory.entries:
            if name.id != name_id:
                continue
            for language in name.directory.entries:
                entry = language.data.struct
                found.append((language.id, pe.get_data(entry.OffsetToData, entry.Size)))
    return found


pe = pefile.PE(sys.argv[1])
expect(pe.FILE_HEADER.Machine == 0x14C, f"machine {pe.FILE_HEADER.Machine:#x}, expected i386")
expect(pe.OPTIONAL_HEADER.Magic == 0x10B, "not PE32")
expect(pe.FILE_HEADER.Characteristics & 0x2000, "not a DLL")

# ASLR, DEP, and no exception handlers declared (NO_SEH) for SafeSEH checkers.
characteristics = pe.OPTIONAL_HEADER.DllCharacteristics
for flag, name in ((0x40, "DYNAMIC_BASE"), (0x100, "NX_COMPAT"), (0x400, "NO_SEH")):
    expect(characteristics & flag, f"DllCharacteristics {characteristics:#x} lacks {name}")

exports = [symbol.name.decode() for symbol in pe.DIRECTORY_ENTRY_EXPORT.symbols]
expect(exports == ["winampGetGeneralPurposePlugin"], f"exports {exports}")

imports = {entry.dll.decode() for entry in pe.DIRECTORY_ENTRY_IMPORT}
expect(imports and imports <= SYSTEM_DLLS, f"imports {sorted(imports)}, expected only {sorted(SYSTEM_DLLS)}")
# The toolchain's own view of the imports must agree.
dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", sys.argv[1]],
                      check=True, capture_output=True, text=True).stdout
dumped = {line.split("DLL Name:")[1].strip() for line in dump.splitlines() if "DLL Name:" in line}
expect(dumped == imports, f"objdump -p lists imports {sorted(dumped)}")

groups = resources(pe, pefile.RESOURCE_TYPE["RT_GROUP_ICON"], 104)
expect([language for language, _ in groups] == [EN_US], f"icon group 104 languages {groups and [g[0] for g in groups]}")
if groups:
    reserved, kind, count = struct.unpack_from("<HHH", groups[0][1])
    expect(count == 1, f"icon group 104 holds {count} images")
    width, height, colours, _, planes, bits, size, image_id = struct.unpack_from("<BBBBHHIH", groups[0][1], 6)
    expect((width, height, bits) == (16, 16, 32), f"icon image {width}x{height} at {bits} bpp")
    images = resources(pe, pefile.RESOURCE_TYPE["RT_ICON"], image_id)
    expect([language for language, _ in images] == [EN_US], "icon image not in English (United States)")
    if images:
        header_size, w, h, _, bit_count = struct.unpack_from("<IiiHH", images[0][1])
        expect((w, h, bit_count) == (16, 32, 32), f"icon bitmap {w}x{h} at {bit_count} bpp")
        pixels = images[0][1][header_size:header_size + 16 * 16 * 4]
        alphas = set(pixels[3::4])
        expect(0 in alphas and 255 in alphas, "icon has no real alpha channel")

dialogs = resources(pe, pefile.RESOURCE_TYPE["RT_DIALOG"], 10100)
expect([language for language, _ in dialogs] == [EN_US], "dialog 10100 not (only) in English (United States)")
if dialogs:
    expect(dialogs[0][1][:4] != b"\x01\x00\xff\xff", "dialog 10100 is an extended template")

for failure in failures:
    print("FAIL:", failure)
print("exports:", ", ".join(exports), "| imports:", ", ".join(sorted(imports)))
sys.exit(1 if failures else 0)
