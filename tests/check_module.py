#!/usr/bin/python3
"""The module file as a user gets it: a PE32 DLL for i386 whose imports come
only from system DLLs, so that no mingw runtime is needed."""
import subprocess
import sys

SYSTEM_DLLS = {"KERNEL32.dll", "USER32.dll", "SHELL32.dll", "msvcrt.dll"}

dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", sys.argv[1]],
                      check=True, capture_output=True, text=True).stdout
failures = []
if "file format pei-i386" not in dump:
    failures.append("not a PE32 file for i386")
imports = {line.split("DLL Name:")[1].strip() for line in dump.splitlines() if "DLL Name:" in line}
if not imports or not imports <= SYSTEM_DLLS:
    failures.append(f"imports {sorted(imports)}, expected only from {sorted(SYSTEM_DLLS)}")
for failure in failures:
    print("FAIL:", failure)
print("imports:", ", ".join(sorted(imports)))
sys.exit(1 if failures else 0)
