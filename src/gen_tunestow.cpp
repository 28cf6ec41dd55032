// The plug-in as the host sees it: the plugin record and its one export,
// start-up and shutdown, the tray icon, and the window procedure that hooks
// the host's main window so that a left click on the icon, or the user's key
// for the action in the player's hotkey list, archives the playing file (or,
// by the menu or another key, discards it), a right click opens the icon's
// menu, and each file whose playback the host
// announces there is noted.
#include "gen_tunestow.h"

#include <shellapi.h>

#include "archive.h"
#include "archive_history.h"
#include "config_dialog.h"
#include "discard.h"
#include "hotkey.h"
#include "playing_file.h"
#include "recycle_bin.h"
#include "resource.h"
#include "settings.h"
#include "tray_menu.h"
#include "undo.h"

namespace {

constexpr UINT SYSTRAY_ICON_ID = 1024;
constexpr UINT WM_TRAY_CALLBACK = 3731;
constexpr char TRAY_TIP[] = "Archive the file that is currently playing in Winamp";

WNDPROC lpWndProcOld;
// The player's main window is a Unicode window. Hooked with the ANSI
// functions it would become an ANSI window, and every text message would go
// through the ANSI code page and back: its title would lose every character
// the code page lacks. So the hook uses the pair that matches the window.
bool hookedWide;
// Sent to every top-level window when the shell's taskbar is made anew.
UINT taskbarCreatedMessage;

void loadIconOnce() {
    if (Icon == nullptr) {
        Icon = LoadIconA(plugin.hDllInstance, MAKEINTRESOURCEA(IDI_TUNESTOW));
    }
}

// The tray record in its first, 88-byte form, which every shell accepts.
void notifyTray(DWORD command, const char* tip) {
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = plugin.hwndParent;
    data.uID = SYSTRAY_ICON_ID;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAY_CALLBACK;
    data.hIcon = Icon;
    wsprintfA(data.szTip, tip);
    Shell_NotifyIconA(command, &data);
}

// A procedure read with the other function of the pair comes back as a
// handle that stands for it, so the pair the hook used reads it.
bool isHostWindowHooked() {
    const LONG current = hookedWide ? GetWindowLongW(plugin.hwndParent, GWL_WNDPROC)
                                    : GetWindowLongA(plugin.hwndParent, GWL_WNDPROC);
    return current == reinterpret_cast<LONG>(WndProc);
}

LONG setHostWindowProcedure(LONG procedure) {
    return hookedWide ? SetWindowLongW(plugin.hwndParent, GWL_WNDPROC, procedure)
                      : SetWindowLongA(plugin.hwndParent, GWL_WNDPROC, procedure);
}

// Whether WndProc is in the window's chain of procedures: from the hook
// until quit gives the window its procedure back.
bool hooked;

// A second init without quit must not hook again: lpWndProcOld would become
// WndProc itself, and every message would call it without end. Nor must an
// init after a quit that could not unhook (see below): WndProc is still in
// the chain, below the other procedure.
void hookHostWindow() {
    if (hooked) {
        return;
    }
    hookedWide = IsWindowUnicode(plugin.hwndParent);
    lpWndProcOld = reinterpret_cast<WNDPROC>(setHostWindowProcedure(reinterpret_cast<LONG>(WndProc)));
    hooked = true;
}

// The host may unload the module after quit; leaving our procedure on its
// window would have it call into freed code. Only undo our own hook: if
// another module hooked the window after us, its procedure stays and calls
// ours for every message. The module then stays in memory for good, so that
// WndProc is still there to pass them on.
void unhookHostWindow() {
    if (!hooked) {
        return;
    }
    if (isHostWindowHooked()) {
        setHostWindowProcedure(reinterpret_cast<LONG>(lpWndProcOld));
        hooked = false;
        return;
    }
    HMODULE pinned;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCSTR>(WndProc), &pinned);
}

// The shell sends an icon of the first form its mouse messages so: the
// icon's identifier in wParam, the mouse message in lParam.
void handleTrayEvent(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) != SYSTRAY_ICON_ID) {
        return;
    }
    if (LOWORD(lParam) == WM_LBUTTONDOWN) {
        archiveCurrentFile(hwnd);
    } else if (LOWORD(lParam) == WM_RBUTTONUP && !isActionRunning()) {
        showTrayMenu(hwnd);
    }
}

// The player's own messages to its main window: the file that starts to
// play, and the user's key for the action.
void handlePlayerMessage(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (lParam == IPC_PLAYING_FILEW) {
        noteAnnouncedFile(wParam);
        return;
    }
    switch (hotkeyActionFor(lParam)) {
    case HOTKEY_ARCHIVE:
        archiveCurrentFile(hwnd);
        break;
    case HOTKEY_UNDO:
        runAction(undoLastArchive, hwnd);
        break;
    case HOTKEY_DISCARD:
        discardCurrentFile(hwnd);
        break;
    case HOTKEY_NONE:
        break;
    }
}

}  // namespace

extern "C" winampGeneralPurposePlugin* winampGetGeneralPurposePlugin() {
    return &plugin;
}

// The module's entry point, in place of the mingw start-up code: nothing
// needs constructing, so loading and unloading have nothing to do.
extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

int init() {
    taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    forgetAnnouncedFile();
    forgetArchives();
    hookHostWindow();
    loadIconOnce();
    notifyTray(NIM_ADD, TRAY_TIP);
    loadConfiguration();
    addHotkeyActions(plugin.hwndParent);
    return 0;
}

void quit() {
    loadIconOnce();
    notifyTray(NIM_DELETE, "");
    stopHotkeyActions();
    stopRecycleBin();
    unhookHostWindow();
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TRAY_CALLBACK) {
        handleTrayEvent(hwnd, wParam, lParam);
    } else if (message == WM_USER) {
        handlePlayerMessage(hwnd, wParam, lParam);
    } else if (message == taskbarCreatedMessage && message != 0) {
        // The shell restarted: its new taskbar knows no icons yet.
        notifyTray(NIM_ADD, TRAY_TIP);
    }
    return hookedWide ? CallWindowProcW(lpWndProcOld, hwnd, message, wParam, lParam)
                      : CallWindowProcA(lpWndProcOld, hwnd, message, wParam, lParam);
}
