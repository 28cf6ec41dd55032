// The stand-in host's main window and its message-box watcher. See
// stand_in_host.h for what it is for.
#include "stand_in_host.h"

#include <stdio.h>
#include <string.h>

#include "../src/host_interface.h"

StandInHost host;

namespace {

constexpr char WINDOW_CLASS[] = "Winamp v1.x";
constexpr UINT WM_HOST_DIALOG_SHOWN = WM_APP + 1;
constexpr UINT WM_HOST_BOX_SHOWN = WM_APP + 2;
constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;

HANDLE releaseTimer;
HWND pendingDialog;

void logMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!host.logMessages) {
        return;
    }
    if (host.loggedCount < HOST_MAX_LOGGED) {
        host.logged[host.loggedCount] = {message, wParam, lParam};
    }
    ++host.loggedCount;
}

LRESULT answerRequest(WPARAM wParam, LPARAM lParam) {
    switch (lParam) {
    case IPC_ISPLAYING:
        ++host.requests.isPlaying;
        return host.playingState;
    case IPC_GETLISTPOS:
        ++host.requests.getListPos;
        return host.position;
    case IPC_GETPLAYLISTFILE: {
        ++host.requests.getPlaylistFile;
        const int index = static_cast<int>(wParam);
        if (host.answerNullPath || index < 0 || index >= host.entryCount) {
            return 0;
        }
        return reinterpret_cast<LRESULT>(host.entries[index]);
    }
    case IPC_GETINIFILE:
        ++host.requests.getIniFile;
        return host.answerIniFile ? reinterpret_cast<LRESULT>(host.iniFile) : 0;
    }
    return 0;
}

VOID CALLBACK releaseHeldFile(PVOID, BOOLEAN) {
    hostReleaseFile();
}

void playNextEntry() {
    ++host.requests.nextTrack;
    if (!host.positionStuck && host.entryCount > 0) {
        host.position = (host.position + 1) % host.entryCount;
    }
    if (host.heldFile != nullptr && host.releaseDelayMs >= 0 && releaseTimer == nullptr) {
        CreateTimerQueueTimer(&releaseTimer, nullptr, releaseHeldFile, nullptr,
                              static_cast<DWORD>(host.releaseDelayMs), 0, WT_EXECUTEONLYONCE);
    }
}

// Shows the playlist with the playing entry marked, for a person trying the
// plug-in by hand.
void paintPlaylist(HWND hwnd) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    int y = 4;
    if (host.entryCount == 0) {
        TextOutA(dc, 8, y, "The playlist is empty.", 22);
    }
    for (int i = 0; i < host.entryCount && y < paint.rcPaint.bottom; ++i, y += 16) {
        char line[HOST_MAX_PATH + 16];
        const int length = snprintf(line, sizeof line, "%s %d. %s", i == host.position ? ">" : " ",
                                    i + 1, host.entries[i]);
        TextOutA(dc, 8, y, line, length < 0 ? 0 : length);
    }
    EndPaint(hwnd, &paint);
}

LRESULT CALLBACK hostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    logMessage(message, wParam, lParam);
    switch (message) {
    case WM_USER:
        return answerRequest(wParam, lParam);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case WINAMP_BUTTON5:
        case HOST_MENU_NEXT:
            playNextEntry();
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case HOST_MENU_CONFIGURE:
            if (host.configurePlugin != nullptr) {
                host.configurePlugin();
            }
            return 0;
        case HOST_MENU_EXIT:
            DestroyWindow(hwnd);
            return 0;
        }
        break;
    case WM_PAINT:
        paintPlaylist(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_HOST_DIALOG_SHOWN:
        if (host.onDialog != nullptr && pendingDialog != nullptr) {
            HWND dialog = pendingDialog;
            pendingDialog = nullptr;
            host.onDialog(dialog);
        }
        return 0;
    case WM_HOST_BOX_SHOWN:
        if (host.onMessageBox != nullptr) {
            host.onMessageBox();
        }
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void noteMessageBox(HWND box) {
    if (host.boxCount < HOST_MAX_BOXES) {
        HostMessageBox& note = host.boxes[host.boxCount];
        GetWindowTextA(box, note.caption, sizeof note.caption);
        GetDlgItemTextA(box, MESSAGE_BOX_TEXT_ID, note.text, sizeof note.text);
        note.hasOwner = GetWindow(box, GW_OWNER) != nullptr;
        note.okOnly = GetDlgItem(box, IDOK) != nullptr && GetDlgItem(box, IDCANCEL) == nullptr &&
                      GetDlgItem(box, IDYES) == nullptr && GetDlgItem(box, IDNO) == nullptr;
    }
    ++host.boxCount;
    if (!host.answerMessageBoxes) {
        return;
    }
    if (host.onMessageBox != nullptr) {
        PostMessageA(host.window, WM_HOST_BOX_SHOWN, 0, 0);
    }
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

// Message boxes and dialogs are both of the dialog class; only a message
// box has the static text with ID 0xFFFF.
LRESULT CALLBACK watchActivation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char className[16] = "";
        GetClassNameA(window, className, sizeof className);
        if (strcmp(className, "#32770") == 0) {
            if (GetDlgItem(window, MESSAGE_BOX_TEXT_ID) != nullptr) {
                noteMessageBox(window);
            } else if (window != pendingDialog && host.onDialog != nullptr) {
                pendingDialog = window;
                PostMessageA(host.window, WM_HOST_DIALOG_SHOWN, 0, 0);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

HWND hostCreateWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = hostWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = WINDOW_CLASS;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&windowClass);
    HMENU plugIn = CreatePopupMenu();
    AppendMenuA(plugIn, MF_STRING, HOST_MENU_CONFIGURE, "&Configure Tunestow...");
    AppendMenuA(plugIn, MF_STRING, HOST_MENU_NEXT, "&Next track");
    AppendMenuA(plugIn, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(plugIn, MF_STRING, HOST_MENU_EXIT, "E&xit");
    HMENU menu = CreateMenu();
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(plugIn), "&Player");
    host.window = CreateWindowA(WINDOW_CLASS, "Stand-in host", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 560, 220, nullptr, menu, windowClass.hInstance,
                                nullptr);
    host.answerMessageBoxes = true;
    hostReset();
    return host.window;
}

void hostReset() {
    hostReleaseFile();
    host.playingState = 1;
    host.position = 0;
    host.positionStuck = false;
    host.answerNullPath = false;
    host.entryCount = 0;
    host.requests = {};
    host.logMessages = true;
    host.loggedCount = 0;
    host.boxCount = 0;
    host.releaseDelayMs = -1;
    host.onDialog = nullptr;
    host.onMessageBox = nullptr;
}

void hostAddEntry(const char* path) {
    if (host.entryCount < HOST_MAX_ENTRIES) {
        snprintf(host.entries[host.entryCount], HOST_MAX_PATH, "%s", path);
        ++host.entryCount;
    }
}

void hostHoldPlayingFile(int releaseAfterMs) {
    hostReleaseFile();
    host.releaseDelayMs = releaseAfterMs;
    HANDLE file = CreateFileA(host.entries[host.position], GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    host.heldFile = file == INVALID_HANDLE_VALUE ? nullptr : file;
}

void hostReleaseFile() {
    HANDLE file = InterlockedExchangePointer(&host.heldFile, nullptr);
    if (file != nullptr) {
        CloseHandle(file);
    }
    if (releaseTimer != nullptr && GetCurrentThreadId() == GetWindowThreadProcessId(host.window, nullptr)) {
        DeleteTimerQueueTimer(nullptr, releaseTimer, nullptr);
        releaseTimer = nullptr;
    }
}

void hostWatchMessageBoxes() {
    SetWindowsHookExA(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
}

int hostCountLogged(UINT message, WPARAM wParam, LPARAM lParam) {
    int count = 0;
    const int kept = host.loggedCount < HOST_MAX_LOGGED ? host.loggedCount : HOST_MAX_LOGGED;
    for (int i = 0; i < kept; ++i) {
        const HostLoggedMessage& entry = host.logged[i];
        count += entry.message == message && entry.wParam == wParam && entry.lParam == lParam;
    }
    return count;
}
