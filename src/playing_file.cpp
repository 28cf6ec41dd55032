// Which file plays: the playing entry's paths, copied from the host, checked
// against the host's other names for the playing file. See playing_file.h.
#include "playing_file.h"

#include "host_interface.h"
#include "host_path.h"

namespace {

wchar_t announcedFile[PATH_BUFFER_SIZE];
HostPath announced = HOST_PATH_NONE;

LRESULT askHost(HWND hwnd, WPARAM wParam, LPARAM request) {
    return SendMessageA(hwnd, WM_USER, wParam, request);
}

wchar_t upperCase(wchar_t character) {
    return static_cast<wchar_t>(
        reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(character))));
}

// As Windows compares file names: letter case does not count.
bool isSameFileName(const wchar_t* one, const wchar_t* other) {
    for (;; ++one, ++other) {
        if (upperCase(*one) != upperCase(*other)) {
            return false;
        }
        if (*one == L'\0') {
            return true;
        }
    }
}

// Whether an answer names a file other than playing. No answer names none.
bool namesAnotherFile(HostPath answer, const wchar_t* path, const wchar_t* playing) {
    return answer == HOST_PATH_TOO_LONG || (answer == HOST_PATH_COPIED && !isSameFileName(path, playing));
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
    announced = HOST_PATH_NONE;
}

// An announcement without a path tells nothing; the last one with a path
// stands.
void noteAnnouncedFile(WPARAM path) {
    const HostPath copied = copyHostPath(static_cast<LRESULT>(path), announcedFile, PATH_BUFFER_SIZE);
    if (copied != HOST_PATH_NONE) {
        announced = copied;
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
    wchar_t recorded[PATH_BUFFER_SIZE];
    const HostPath record =
        copyHostPath(askHost(hwnd, 0, IPC_GET_PLAYING_FILENAME), recorded, PATH_BUFFER_SIZE);
    if (namesAnotherFile(record, recorded, sourceWide) ||
        namesAnotherFile(announced, announcedFile, sourceWide)) {
        return PLAYING_FILE_UNCLEAR;
    }
    return PLAYING_FILE_COPIED;
}
