// The checks before an action on the playing file. See action_checks.h.
#include "action_checks.h"

#include "code_page.h"
#include "host_interface.h"
#include "message_box.h"
#include "settings.h"

namespace {

constexpr char TEXT_NOT_PLAYING[] =
    "This plugin works only when Winamp is playing a file. It does not work when playback is stopped.";
constexpr char TEXT_NO_PATH[] = "Winamp did not report the path of the playing file.";
constexpr char TEXT_TOO_LONG[] = "The path of the playing file or of its archive target is too long.";
constexpr char TEXT_PLAYLIST_CHANGED[] =
    "The playlist has changed since the playing file started, so it is not clear which file is playing. "
    "Nothing was archived. Play the file again from the playlist, then click.";
constexpr char TEXT_ROOTS_NOT_FULL_PATHS[] =
    "The archive root directories must be full paths, such as C:\\Music\\Inbox\\. Check the configuration.";

// What the user is told when the playing file cannot be told for sure, by
// PlayingFile.
constexpr const char* PLAYING_FILE_REFUSALS[] = {
    nullptr, TEXT_NO_PATH, TEXT_TOO_LONG, TEXT_PLAYLIST_CHANGED,
};

// Whether the roots are full paths. Anything else (an emptied root, which
// the dialog stores as the separator alone, a folder name, a drive-relative
// path) would be resolved against the player's current folder or drive,
// where nobody looks for the archive; a root with a double quote in it would
// end its quoted path in the script and run the rest as commands. An empty
// from-root, as on a fresh installation, is left to the rewrite to report.
bool rootsAreFullPaths(const wchar_t* fromRoot, const wchar_t* toRoot) {
    return fromRoot[0] == L'\0' || (isFullPath(fromRoot) && isFullPath(toRoot));
}

}  // namespace

// The path is re-rooted as the real, wide path; the script mode takes the
// results back into the code page.
bool checkPlayingFile(HWND hwnd, ActionFile& file, const char* notInside) {
    if (askHost(hwnd, 0, IPC_ISPLAYING) != 1) {
        showError(TEXT_NOT_PLAYING);
        return false;
    }
    wchar_t toRoot[PATH_BUFFER_SIZE];
    toWideText(rootDirectoryArchiveFrom, file.fromRoot, PATH_BUFFER_SIZE);
    toWideText(rootDirectoryArchiveTo, toRoot, PATH_BUFFER_SIZE);
    if (!rootsAreFullPaths(file.fromRoot, toRoot)) {
        showError(TEXT_ROOTS_NOT_FULL_PATHS);
        return false;
    }
    file.position = askHost(hwnd, 0, IPC_GETLISTPOS);
    const PlayingFile playing = copyPlayingFile(hwnd, file.position, file.source, file.sourceWide);
    if (playing != PLAYING_FILE_COPIED) {
        showError(PLAYING_FILE_REFUSALS[playing]);
        return false;
    }
    switch (getNewFilePathAndName(file.sourceWide, file.fromRoot, toRoot, file.target)) {
    case REWRITE_DONE:
        break;
    case REWRITE_NOT_INSIDE:
        showError(notInside);
        return false;
    case REWRITE_TOO_LONG:
        showError(TEXT_TOO_LONG);
        return false;
    }
    createDirectoryName(file.target, file.directory, PATH_BUFFER_SIZE);
    return true;
}
