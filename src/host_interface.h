// What crosses the boundary between the player (the host) and a
// general-purpose plug-in: the record the host receives from the export, and
// the requests the plug-in sends to the host's main window. Written from the
// player's documented behaviour; both sides of our tests include it.
#pragma once

#include <windows.h>

// The plugin record. Seven pointer-sized fields, in this order; the host
// fills the last two before it calls init.
struct winampGeneralPurposePlugin {
    int version;                  // layout version the host expects
    const char* description;
    int (*init)();
    void (*config)();
    void (*quit)();
    HWND hwndParent;              // the host's main window
    HINSTANCE hDllInstance;       // this module's instance
};

constexpr int GPPHDR_VER = 0x10;

using winampGetGeneralPurposePluginFunction = winampGeneralPurposePlugin* (*)();

// Requests sent as WM_USER with the request number in lParam.
constexpr LPARAM IPC_ISPLAYING = 104;        // 1 playing, 3 paused, 0 stopped
constexpr LPARAM IPC_GETLISTPOS = 125;       // index of the current entry
constexpr LPARAM IPC_GETPLAYLISTFILE = 211;  // wParam entry index -> const char*
constexpr LPARAM IPC_GETINIFILE = 334;       // -> const char* full path
// The wide forms: a Unicode player answers them, an older one answers 0.
constexpr LPARAM IPC_GETPLAYLISTFILEW = 214; // wParam entry index -> const wchar_t*
constexpr LPARAM IPC_GETINIFILEW = 1334;     // -> const wchar_t* full path

// An answer to IPC_GETINIFILE at or below this value is no address.
constexpr ULONG_PTR IPC_NO_ANSWER_LIMIT = 65535;

// The host's "next track" button, sent as WM_COMMAND.
constexpr WPARAM WINAMP_BUTTON5 = 40048;
