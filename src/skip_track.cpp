// Moving playback off the playing file. See skip_track.h.
//
// Both commands are handled before the call returns: what has not changed
// then never will.
#include "skip_track.h"

#include "host_interface.h"
#include "message_box.h"

namespace {

constexpr char CAPTION_NONE[] = "";
constexpr char TEXT_SKIP_FAILED[] = "Failed to move to the next position in the playlist.";

constexpr int SKIP_ATTEMPTS = 3;
constexpr DWORD SKIP_WAIT_MS = 50;

}  // namespace

bool skipToNextTrack(HWND hwnd, LRESULT position) {
    for (int attempt = 1; attempt <= SKIP_ATTEMPTS; ++attempt) {
        Sleep(SKIP_WAIT_MS);
        SendMessageA(hwnd, WM_COMMAND, WINAMP_BUTTON5, 0);
        Sleep(SKIP_WAIT_MS);
        if (askHost(hwnd, 0, IPC_GETLISTPOS) != position) {
            return true;
        }
        SendMessageA(hwnd, WM_COMMAND, WINAMP_BUTTON4, 0);
        Sleep(SKIP_WAIT_MS);
        if (askHost(hwnd, 0, IPC_ISPLAYING) != 1) {
            return true;
        }
        showMessage(TEXT_SKIP_FAILED, CAPTION_NONE);
    }
    return false;
}
