// Which file plays: the playing entry's paths, copied from the host, checked
// against the host's other names for the playing file. See playing_file.h.
#include "playing_file.h"

#include "file_move.h"
#include "host_interface.h"
#include "host_path.h"

namespace {

// One character more than a path buffer holds: an announced path too long
// for one keeps a character more than any playing path has, and names
// another file. Empty while none has been announced.
wchar_t announcedFile[PATH_BUFFER_SIZE + 1];

// Whether the host names a file other than playing; an empty name is none.
bool namesAnotherFile(const wchar_t* named, const wchar_t* playing) {
    return named[0] != L'\0' && !isSameFileName(named, playing);
}

// An older host knows only the 8-bit path; one that does not fit the wide
// buffer is refused whole rather than acted on in part.
HostPath copyEntryPaths(HWND hwnd, WPARAM entry, char* source, wchar_t* sourceWide) {
    const HostPath copied =
        copyHostPath(askHost(hwnd, entry, IPC_GETPLAYLISTFILE), source, ANSI_PATH_SIZE);
    if (copied != HOST_PATH_COPIED) {
        return copied;
    }
    const HostPath copiedWide =
        copyHostPath(askHost(hwnd, entry, IPC_GETPLAYLISTFILEW), sourceWide, PATH_BUFFER_SIZE);
    if (copiedWide != HOST_PATH_NONE) {
        return copiedWide;
    }
    return toWideText(source, sourceWide, PATH_BUFFER_SIZE) ? HOST_PATH_COPIED : HOST_PATH_TOO_LONG;
}

}  // namespace

void forgetAnnouncedFile() {
    announcedFile[0] = L'\0';
}

// An announcement without an address tells nothing, and the last one stands;
// an empty path names no file.
void noteAnnouncedFile(WPARAM path) {
    if (path > IPC_NO_ANSWER_LIMIT) {
        lstrcpynW(announcedFile, reinterpret_cast<const wchar_t*>(path), PATH_BUFFER_SIZE + 1);
    }
}

PlayingFile copyPlayingFile(HWND hwnd, LRESULT position, char* source, wchar_t* sourceWide) {
    switch (copyEntryPaths(hwnd, static_cast<WPARAM>(position), source, sourceWide)) {
    case HOST_PATH_COPIED:
        break;
    case HOST_PATH_NONE:
        return PLAYING_FILE_NONE;
    case HOST_PATH_TOO_LONG:
        return PLAYING_FILE_TOO_LONG;
    }
    // The host's record is compared where it lies, before anything else runs.
    const LRESULT record = askHost(hwnd, 0, IPC_GET_PLAYING_FILENAME);
    if ((static_cast<ULONG_PTR>(record) > IPC_NO_ANSWER_LIMIT &&
         namesAnotherFile(reinterpret_cast<const wchar_t*>(record), sourceWide)) ||
        namesAnotherFile(announcedFile, sourceWide)) {
        return PLAYING_FILE_UNCLEAR;
    }
    return PLAYING_FILE_COPIED;
}
