// Plays the user at the installer's windows for installer_test.py: waits for
// a window, reads a message box, clicks a button, closes the player's main
// window. Each command waits up to a time-out and exits 0 when it did its
// job, 1 when the window never came (or never went).
//
//   installer_probe wait-window CLASS MS       a top-level window of CLASS exists
//   installer_probe close-window CLASS MS      sends it WM_CLOSE, waits until it is gone
//   installer_probe click CAPTION ID TEXT MS   clicks button ID once it reads TEXT and is enabled
//                                              (CAPTION: the start of the window's caption)
//   installer_probe box-text CAPTION MS        prints the text of a message box
//   installer_probe box-click CAPTION ID MS    answers the message box with button ID
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;
constexpr DWORD POLL_MS = 50;

struct Search {
    const char* caption;
    bool messageBox;  // owned dialog with a message-box text, or an unowned window
    HWND found;
};

// The caption matches at its start: the installer adds the page's name to
// its own. A message box is owned by the window it belongs to; the
// installer's window, which bears the same caption, has no owner.
BOOL CALLBACK matchWindow(HWND window, LPARAM lParam) {
    Search* search = reinterpret_cast<Search*>(lParam);
    char caption[256] = {};
    if (!IsWindowVisible(window) || GetWindowTextA(window, caption, sizeof caption) == 0 ||
        strncmp(caption, search->caption, strlen(search->caption)) != 0) {
        return TRUE;
    }
    const bool owned = GetWindow(window, GW_OWNER) != nullptr;
    const bool hasBoxText = GetDlgItem(window, MESSAGE_BOX_TEXT_ID) != nullptr;
    if (search->messageBox != (owned && hasBoxText)) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND findWindow(const char* caption, bool messageBox) {
    Search search = {caption, messageBox, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForMessageBox(const char* caption, DWORD timeout) {
    for (DWORD waited = 0; waited <= timeout; waited += POLL_MS) {
        HWND box = findWindow(caption, true);
        if (box != nullptr) {
            return box;
        }
        Sleep(POLL_MS);
    }
    fprintf(stderr, "installer_probe: no message box \"%s\" within %lu ms\n", caption, timeout);
    return nullptr;
}

void pressButton(HWND window, int id) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

int waitWindow(const char* windowClass, DWORD timeout) {
    for (DWORD waited = 0; waited <= timeout; waited += POLL_MS) {
        if (FindWindowA(windowClass, nullptr) != nullptr) {
            return 0;
        }
        Sleep(POLL_MS);
    }
    fprintf(stderr, "installer_probe: no window of class \"%s\" within %lu ms\n", windowClass,
            timeout);
    return 1;
}

int closeWindow(const char* windowClass, DWORD timeout) {
    HWND window = FindWindowA(windowClass, nullptr);
    if (window == nullptr) {
        fprintf(stderr, "installer_probe: no window of class \"%s\" to close\n", windowClass);
        return 1;
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    for (DWORD waited = 0; waited <= timeout; waited += POLL_MS) {
        if (!IsWindow(window)) {
            return 0;
        }
        Sleep(POLL_MS);
    }
    fprintf(stderr, "installer_probe: \"%s\" still open after %lu ms\n", windowClass, timeout);
    return 1;
}

int click(const char* caption, int id, const char* text, DWORD timeout) {
    char seen[128] = "(no window)";
    for (DWORD waited = 0; waited <= timeout; waited += POLL_MS) {
        HWND window = findWindow(caption, false);
        HWND button = window != nullptr ? GetDlgItem(window, id) : nullptr;
        if (button != nullptr) {
            GetWindowTextA(button, seen, sizeof seen);
            if (strcmp(seen, text) == 0 && IsWindowEnabled(button) && IsWindowVisible(button)) {
                pressButton(window, id);
                return 0;
            }
        }
        Sleep(POLL_MS);
    }
    fprintf(stderr, "installer_probe: button %d of \"%s\" never read \"%s\" (last \"%s\")\n", id,
            caption, text, seen);
    return 1;
}

int boxText(const char* caption, DWORD timeout) {
    HWND box = waitForMessageBox(caption, timeout);
    if (box == nullptr) {
        return 1;
    }
    char text[1024] = {};
    GetDlgItemTextA(box, MESSAGE_BOX_TEXT_ID, text, sizeof text);
    _setmode(_fileno(stdout), _O_BINARY);  // the text's own CR LF, not CR CR LF
    fputs(text, stdout);
    return 0;
}

int boxClick(const char* caption, int id, DWORD timeout) {
    HWND box = waitForMessageBox(caption, timeout);
    if (box == nullptr) {
        return 1;
    }
    pressButton(box, id);
    for (DWORD waited = 0; waited <= timeout; waited += POLL_MS) {
        if (!IsWindow(box) || !IsWindowVisible(box)) {
            return 0;
        }
        Sleep(POLL_MS);
    }
    fprintf(stderr, "installer_probe: message box \"%s\" still open after button %d\n", caption,
            id);
    return 1;
}

int usage() {
    fputs("usage: installer_probe wait-window|close-window CLASS MS\n"
          "       installer_probe click CAPTION ID TEXT MS\n"
          "       installer_probe box-text CAPTION MS | box-click CAPTION ID MS\n",
          stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const char* command = argv[1];
    const DWORD timeout = strtoul(argv[argc - 1], nullptr, 10);
    if (strcmp(command, "wait-window") == 0 && argc == 4) {
        return waitWindow(argv[2], timeout);
    }
    if (strcmp(command, "close-window") == 0 && argc == 4) {
        return closeWindow(argv[2], timeout);
    }
    if (strcmp(command, "click") == 0 && argc == 6) {
        return click(argv[2], atoi(argv[3]), argv[4], timeout);
    }
    if (strcmp(command, "box-text") == 0 && argc == 4) {
        return boxText(argv[2], timeout);
    }
    if (strcmp(command, "box-click") == 0 && argc == 5) {
        return boxClick(argv[2], atoi(argv[3]), timeout);
    }
    return usage();
}
