#!/bin/sh
# Makes the Wine prefix the Windows tests share, once per test run: a new
# 32-bit prefix, no window-manager waits, the real dialog fonts, drive Y:
# on another file system so that a move to it crosses volumes, and drive X:
# on a file system of two 4 KiB pages that a test fills to the last byte.
set -eu
prefix="$1"
second_volume="$2"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

if [ ! -f "$prefix/system.reg" ]; then
    wineboot --init
    wineserver -w
fi
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
cp -n /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
mkdir -p "$second_volume"
ln -sfn "$second_volume" "$prefix/dosdevices/y:"
# Only root may mount it; elsewhere X: is missing and its test is skipped.
full_drive="$second_volume-full"
mkdir -p "$full_drive"
if mountpoint -q "$full_drive" || mount -t tmpfs -o size=8k tmpfs "$full_drive" 2>/dev/null; then
    find "$full_drive" -mindepth 1 -delete
    ln -sfn "$full_drive" "$prefix/dosdevices/x:"
else
    rm -f "$prefix/dosdevices/x:"
fi
wineserver -w
