#!/usr/bin/python3
"""The version block that Windows shows in a file's properties, read with
pefile: the DLL's, in English (United States) with the project's version in
both the numeric and the text fields, and the installer's, with the same
version.

    check_version.py VERSION gen_tunestow.dll tunestow-setup.exe
"""
import sys

import pefile

LANG_EN_US = 0x0409
CODEPAGE_UNICODE = 1200
RT_VERSION = pefile.RESOURCE_TYPE["RT_VERSION"]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def version_block(path):
    """(fixed file info, {name: text} of the en-US string table, languages of
    the version resource)."""
    pe = pefile.PE(path)
    languages = []
    resources = pe.DIRECTORY_ENTRY_RESOURCE.entries if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else []
    for kind in resources:
        if kind.id == RT_VERSION:
            for name in kind.directory.entries:
                languages += [(e.data.lang, e.data.sublang) for e in name.directory.entries]
    if not hasattr(pe, "VS_FIXEDFILEINFO"):
        return None, {}, languages, []
    strings, translations = {}, []
    for info in pe.FileInfo[0]:
        for table in getattr(info, "StringTable", []):
            if int(table.LangID, 16) == (LANG_EN_US << 16) | CODEPAGE_UNICODE:
                strings = {k.decode(): v.decode() for k, v in table.entries.items()}
        for var in getattr(info, "Var", []):
            translations += var.entry.values()
    return pe.VS_FIXEDFILEINFO[0], strings, languages, translations


def check_numbers(path, fixed, version):
    major, minor, patch = (int(part) for part in version.split("."))
    expected = ((major << 16) | minor, patch << 16)
    for field in ("File", "Product"):
        found = (getattr(fixed, field + "VersionMS"), getattr(fixed, field + "VersionLS"))
        check(found == expected,
              f"{path}: {field}Version {found[0] >> 16}.{found[0] & 0xFFFF}."
              f"{found[1] >> 16}.{found[1] & 0xFFFF}, expected {version}.0")


def check_dll(path, version):
    fixed, strings, languages, translations = version_block(path)
    check(fixed is not None, f"{path}: no version block")
    if fixed is None:
        return
    check(languages == [(0x09, 0x01)],
          f"{path}: version resource in languages {languages}, expected English (United States)")
    check(translations == [f"0x{LANG_EN_US:04x} 0x{CODEPAGE_UNICODE:04x}"],
          f"{path}: translation {translations}, expected en-US, Unicode")
    check(fixed.FileType == 2, f"{path}: file type {fixed.FileType}, expected 2 (a DLL)")
    check_numbers(path, fixed, version)
    expected = {
        "ProductName": "Tunestow",
        "FileVersion": version,
        "ProductVersion": version,
        "OriginalFilename": "gen_tunestow.dll",
        "CompanyName": "Tunestow",
    }
    for name, value in expected.items():
        check(strings.get(name) == value, f"{path}: {name} is {strings.get(name)!r}, expected {value!r}")
    description = strings.get("FileDescription", "")
    check("Winamp" in description and "plug-in" in description,
          f"{path}: FileDescription {description!r} does not say what the file is")
    copyright_line = strings.get("LegalCopyright", "")
    check(copyright_line.startswith("Copyright (C) ") and "Tunestow" in copyright_line,
          f"{path}: LegalCopyright {copyright_line!r}")
    print(f"{path}: " + "; ".join(f"{k}={v}" for k, v in sorted(strings.items())))


def check_installer(path, version):
    fixed, strings, _, _ = version_block(path)
    check(fixed is not None, f"{path}: no version block")
    if fixed is None:
        return
    check_numbers(path, fixed, version)
    for name in ("ProductVersion", "FileVersion"):
        check(strings.get(name) == version, f"{path}: {name} is {strings.get(name)!r}, expected {version!r}")
    check(strings.get("ProductName") == "Tunestow", f"{path}: ProductName {strings.get('ProductName')!r}")


def main():
    version, dll, setup = sys.argv[1:4]
    check_dll(dll, version)
    check_installer(setup, version)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
