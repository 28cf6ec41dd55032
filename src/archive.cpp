// The archive action: ask the host for the playing file, re-root its path,
// optionally skip to the next track, then either move the file at once or
// append two command-prompt lines to the script file for the user to run.
// Every failure ends in a message box with a fixed text; nothing is logged.
//
// The host names the playing file twice (playing_file.h): in the ANSI code
// page, which the script file is written in, and as the real, wide path, by
// which the file is moved.
#include "archive.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "code_page.h"
#include "host_interface.h"
#include "path_rewrite.h"
#include "playing_file.h"
#include "settings.h"

namespace {

constexpr char CAPTION_ERROR[] = "Error";
constexpr char CAPTION_NONE[] = "";
constexpr char TEXT_NOT_PLAYING[] =
    "This plugin works only when Winamp is playing a file. It does not work when playback is stopped.";
constexpr char TEXT_NO_PATH[] = "Winamp did not report the path of the playing file.";
constexpr char TEXT_TOO_LONG[] = "The path of the playing file or of its archive target is too long.";
constexpr char TEXT_NOT_INSIDE[] =
    "The playing file is not inside the archive-from root directory. Check the configuration.";
constexpr char TEXT_PLAYLIST_CHANGED[] =
    "The playlist has changed since the playing file started, so it is not clear which file is playing. "
    "Nothing was archived. Play the file again from the playlist, then click.";
constexpr char TEXT_SKIP_FAILED[] = "Failed to move to the next position in the playlist.";
constexpr char TEXT_SCRIPT_NOT_OPENED[] =
    "The script file could not be opened. Check the script file path in the configuration.";
constexpr char TEXT_NOT_MOVED[] = "The file could not be moved to the archive. It stays where it was.";
constexpr char TEXT_ORIGINAL_KEPT[] =
    "The file was copied to the archive, but the original could not be removed.";
constexpr char TEXT_ROOTS_NOT_FULL_PATHS[] =
    "The archive root directories must be full paths, such as C:\\Music\\Inbox\\. Check the configuration.";
constexpr char TEXT_NAME_NOT_IN_CODE_PAGE[] =
    "The name of the playing file has characters that the script file cannot hold. Rename the file, "
    "or archive it in immediate mode.";

// What the user is told when the playing file cannot be told for sure, by
// PlayingFile.
constexpr const char* PLAYING_FILE_REFUSALS[] = {
    nullptr, TEXT_NO_PATH, TEXT_TOO_LONG, TEXT_PLAYLIST_CHANGED,
};

constexpr int SKIP_ATTEMPTS = 3;
constexpr DWORD SKIP_WAIT_MS = 50;
constexpr DWORD MOVE_RETRY_MS = 1000;
constexpr DWORD MOVE_RETRY_STEP_MS = 50;

void showMessage(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_OK);
}

void showError(const char* text) {
    showMessage(text, CAPTION_ERROR);
}

bool fileExists(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// Moves playback off the playing file, so that the host lets it go: the
// next-track command, and where the position did not move (the last entry
// with Repeat off, or a one-entry list, which Repeat only starts again) the
// stop command. Both are handled before the call returns: what has not
// changed then never will. Only when the host neither moves on nor stops is
// the user told; after the last such attempt the action gives up.
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

bool makeDirectory(const wchar_t* directory) {
    return CreateDirectoryW(directory, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Creates every missing level of directory (which ends in the separator),
// as the command prompt's mkdir does. Mostly the folder exists already, or
// only its last level is missing, so that is tried first. Levels that cannot
// be made, such as the drive, are left to the move to report.
void createDirectoryLevels(const wchar_t* directory) {
    if (makeDirectory(directory)) {
        return;
    }
    wchar_t level[PATH_BUFFER_SIZE];
    const size_t length = wcslen(directory);
    for (size_t i = 1; i < length; ++i) {
        if (directory[i] == PATH_SEPARATOR) {
            wmemcpy(level, directory, i);
            level[i] = L'\0';
            makeDirectory(level);
        }
    }
}

bool isFileInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Whether both paths start with the same drive letter. A move between
// them is then a rename, which either happens whole or not at all.
bool onSameDrive(const wchar_t* source, const wchar_t* target) {
    const auto isDrive = [](const wchar_t* path) {
        return ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
               path[1] == ':';
    };
    return isDrive(source) && isDrive(target) && (source[0] | 0x20) == (target[0] | 0x20);
}

// Moves source to target without ever replacing an existing file: MoveFileW
// refuses an existing target. The host may still hold the file a moment
// after the skip, so a move refused for a file in use is tried again for
// about a second.
void moveToArchive(const wchar_t* source, const wchar_t* target) {
    // Across volumes the move is a copy and a delete; when only the copy
    // lands, Windows reports success and Wine failure, and both copies stay.
    // Telling that apart needs to know whether the target was there before.
    const bool mayCopy = !onSameDrive(source, target);
    // Archived onto itself (the two roots are the same folder): a rename to
    // its own name would report success for a file that went nowhere.
    if (_wcsicmp(source, target) == 0 || (mayCopy && fileExists(target))) {
        showError(TEXT_NOT_MOVED);
        return;
    }
    const DWORD start = GetTickCount();
    BOOL moved = MoveFileW(source, target);
    while (!moved && isFileInUse(GetLastError()) && GetTickCount() - start < MOVE_RETRY_MS) {
        Sleep(MOVE_RETRY_STEP_MS);
        moved = MoveFileW(source, target);
    }
    if (mayCopy && (moved ? fileExists(source) : fileExists(target))) {
        showError(TEXT_ORIGINAL_KEPT);
    } else if (!moved) {
        showError(TEXT_NOT_MOVED);
    }
}

// In a batch file the command prompt drops a single '%' and expands two of
// them as a variable; "%%" stands for one '%'. Every path of the lines is a
// code-page text that fits ANSI_PATH_SIZE bytes, so doubled it fits. A '%'
// byte is never the second byte of a character.
constexpr size_t SCRIPT_PATH_SIZE = 2 * ANSI_PATH_SIZE;

void toBatchText(const char* path, char (&text)[SCRIPT_PATH_SIZE]) {
    size_t length = 0;
    for (; *path != '\0' && length + 2 < SCRIPT_PATH_SIZE; ++path) {
        if (*path == '%') {
            text[length++] = '%';
        }
        text[length++] = *path;
    }
    text[length] = '\0';
}

// Opens the script file for appending, before any skip: a script that
// cannot be written must not cost the user the song they were on.
FILE* openScriptFile() {
    FILE* script = fopen(scriptFilePathAndName, "a+b");
    if (script == nullptr) {
        showError(TEXT_SCRIPT_NOT_OPENED);
    }
    return script;
}

// Whether the roots are full paths. Anything else (an emptied root, which
// the dialog stores as the separator alone, a folder name, a drive-relative
// path) would be resolved against the player's current folder or drive,
// where nobody looks for the archive; a root with a double quote in it would
// end its quoted path in the script and run the rest as commands. An empty
// from-root, as on a fresh installation, is left to the rewrite to report.
bool rootsAreFullPaths(const wchar_t* fromRoot, const wchar_t* toRoot) {
    return fromRoot[0] == L'\0' || (isFullPath(fromRoot) && isFullPath(toRoot));
}

// Script mode: the lines must fit the code page and the script must open
// before the skip; then the skip, then the lines.
void archiveByScript(HWND hwnd, LRESULT position, const char* source, const wchar_t* target,
                     const wchar_t* directory) {
    char directoryInCodePage[ANSI_PATH_SIZE];
    char targetInCodePage[ANSI_PATH_SIZE];
    if (!toAnsiText(directory, directoryInCodePage, sizeof directoryInCodePage) ||
        !toAnsiText(target, targetInCodePage, sizeof targetInCodePage)) {
        showError(TEXT_NAME_NOT_IN_CODE_PAGE);
        return;
    }
    const bool skip = playNextTrack == 1;
    // A script that the skip then fails for is not left behind as an empty
    // file of ours.
    const bool scriptExisted =
        !skip || GetFileAttributesA(scriptFilePathAndName) != INVALID_FILE_ATTRIBUTES;
    FILE* script = openScriptFile();
    if (script == nullptr) {
        return;
    }
    if (skip && !skipToNextTrack(hwnd, position)) {
        fclose(script);
        if (!scriptExisted) {
            DeleteFileA(scriptFilePathAndName);
        }
        return;
    }
    createCommandPromptScript(script, directoryInCodePage, targetInCodePage, source);
}

// Immediate mode: a file of that name in the archive already is never
// replaced, and that is known before the skip, so the song plays on; then
// the skip, which lets the host close the file, then the move.
void archiveImmediately(HWND hwnd, LRESULT position, const wchar_t* source, const wchar_t* target,
                        const wchar_t* directory) {
    if (playNextTrack == 1) {
        if (fileExists(target)) {
            showError(TEXT_NOT_MOVED);
            return;
        }
        if (!skipToNextTrack(hwnd, position)) {
            return;
        }
    }
    createDirectoryLevels(directory);
    moveToArchive(source, target);
}

// The checks every click makes, then the mode's own steps.
void runArchiveAction(HWND hwnd) {
    if (askHost(hwnd, 0, IPC_ISPLAYING) != 1) {
        showError(TEXT_NOT_PLAYING);
        return;
    }
    // The path is re-rooted as the real, wide path; for the script the
    // results go back into the code page, which holds every character of the
    // name and of the roots.
    wchar_t fromRoot[PATH_BUFFER_SIZE];
    wchar_t toRoot[PATH_BUFFER_SIZE];
    toWideText(rootDirectoryArchiveFrom, fromRoot, PATH_BUFFER_SIZE);
    toWideText(rootDirectoryArchiveTo, toRoot, PATH_BUFFER_SIZE);
    if (!rootsAreFullPaths(fromRoot, toRoot)) {
        showError(TEXT_ROOTS_NOT_FULL_PATHS);
        return;
    }
    const LRESULT position = askHost(hwnd, 0, IPC_GETLISTPOS);
    char source[ANSI_PATH_SIZE];
    wchar_t sourceWide[PATH_BUFFER_SIZE];
    const PlayingFile playing = copyPlayingFile(hwnd, position, source, sourceWide);
    if (playing != PLAYING_FILE_COPIED) {
        showError(PLAYING_FILE_REFUSALS[playing]);
        return;
    }
    // The script file is 8-bit text for the command prompt: a name it cannot
    // hold would come out as another file's name, or as a wildcard. No
    // Windows file name holds a '?' or a '*': such a character stands for one
    // the code page lacks, and would be a wildcard on the command line; a '"'
    // would end the quoted path there.
    if (immediateMode == 0 &&
        !(holdsOnlyPathCharacters(sourceWide) && isSameText(sourceWide, source))) {
        showError(TEXT_NAME_NOT_IN_CODE_PAGE);
        return;
    }
    wchar_t target[PATH_BUFFER_SIZE];
    switch (getNewFilePathAndName(sourceWide, fromRoot, toRoot, target)) {
    case REWRITE_DONE:
        break;
    case REWRITE_NOT_INSIDE:
        showError(TEXT_NOT_INSIDE);
        return;
    case REWRITE_TOO_LONG:
        showError(TEXT_TOO_LONG);
        return;
    }
    wchar_t directory[PATH_BUFFER_SIZE];
    createDirectoryName(target, directory, PATH_BUFFER_SIZE);
    if (immediateMode == 0) {
        archiveByScript(hwnd, position, source, target, directory);
    } else {
        archiveImmediately(hwnd, position, sourceWide, target, directory);
    }
}

}  // namespace

// The lines for one file, as the command prompt runs them from a batch file:
// create the folder, then move the file there unless the archive holds a
// file of that name already (the command prompt's move would replace it).
// A new or emptied script first says the code page its lines are written in,
// which the command prompt would otherwise read in the console's code page,
// and turns off the expansion of !variables!, which a registry setting or
// cmd /v:on may have turned on: every later line is then read as written.
void createCommandPromptScript(FILE* script, const char* directory, const char* target,
                               const char* source) {
    char directoryText[SCRIPT_PATH_SIZE];
    char targetText[SCRIPT_PATH_SIZE];
    char sourceText[SCRIPT_PATH_SIZE];
    toBatchText(directory, directoryText);
    toBatchText(target, targetText);
    toBatchText(source, sourceText);
    fseek(script, 0, SEEK_END);
    if (ftell(script) == 0) {
        fprintf(script, "chcp %u >nul\r\nsetlocal DisableDelayedExpansion\r\n", GetACP());
    } else if (fseek(script, -1, SEEK_END) == 0 && fgetc(script) != '\n') {
        // A script edited by hand may end without a line end (text editors
        // save files so); the new lines must not be glued to its last line.
        fseek(script, 0, SEEK_END);
        fputs("\r\n", script);
    }
    fseek(script, 0, SEEK_END);
    fprintf(script, "mkdir \"%s\"\r\nif not exist \"%s\" move \"%s\" \"%s\"\r\n", directoryText,
            targetText, sourceText, directoryText);
    fclose(script);
}

void archiveCurrentFile(HWND hwnd) {
    static bool running = false;
    if (running) {
        return;
    }
    running = true;
    runArchiveAction(hwnd);
    running = false;
}
