// The archive action: ask the host for the playing file, re-root its path,
// optionally skip to the next track, then either move the file at once or
// append three command-prompt lines to the script file for the user to run.
// Every failure ends in a message box with a fixed text; nothing is logged.
//
// The host names the playing file twice (playing_file.h): in the ANSI code
// page, which the script file is written in, and as the real, wide path, by
// which the file is moved.
#include "archive.h"

#include <string.h>
#include <wchar.h>

#include <initializer_list>

#include "code_page.h"
#include "companion_files.h"
#include "file_move.h"
#include "host_interface.h"
#include "message_box.h"
#include "move_notice.h"
#include "path_rewrite.h"
#include "playing_file.h"
#include "settings.h"
#include "undo.h"

namespace {

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
constexpr char TEXT_SCRIPT_NOT_WRITTEN[] =
    "The lines could not be written to the script file, so the file was not archived. Check the free space "
    "on its drive.";
constexpr char TEXT_NOT_MOVED[] = "The file could not be moved to the archive. It stays where it was.";
constexpr char TEXT_ORIGINAL_KEPT[] =
    "The file was copied to the archive, but the original could not be removed.";
constexpr char TEXT_ROOTS_NOT_FULL_PATHS[] =
    "The archive root directories must be full paths, such as C:\\Music\\Inbox\\. Check the configuration.";
constexpr char TEXT_NAME_NOT_IN_CODE_PAGE[] =
    "The name of the playing file has characters that the script file cannot hold. Rename the file, "
    "or archive it in immediate mode.";

// Whether one of the user's actions (an archive, an undo) is running: one of
// its message boxes is open, and their modal loops go on dispatching the
// host's messages, clicks on the icon among them.
bool actionRunning;

// What the user is told when the playing file cannot be told for sure, by
// PlayingFile.
constexpr const char* PLAYING_FILE_REFUSALS[] = {
    nullptr, TEXT_NO_PATH, TEXT_TOO_LONG, TEXT_PLAYLIST_CHANGED,
};

constexpr int SKIP_ATTEMPTS = 3;
constexpr DWORD SKIP_WAIT_MS = 50;

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

// In a batch file the command prompt drops a single '%' and expands two of
// them as a variable; "%%" stands for one '%'. Every path of the lines is a
// code-page text that fits ANSI_PATH_SIZE bytes, so doubled it fits. A '%'
// byte is never the second byte of a character.
constexpr size_t SCRIPT_PATH_SIZE = 2 * ANSI_PATH_SIZE;
static_assert(SCRIPT_ADDITION_SIZE >= 1024 + 8 * SCRIPT_PATH_SIZE,
              "a click's bytes, with every path of its lines at its longest, fit the undo's copy");

// The bytes the last click appended to the script, composed whole before
// they are written.
char scriptAddition[SCRIPT_ADDITION_SIZE];

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

// The last byte of a script of size bytes; 0 when it cannot be read.
char lastByte(HANDLE script, LARGE_INTEGER size) {
    LARGE_INTEGER last = size;
    --last.QuadPart;
    char byte = 0;
    DWORD read = 0;
    if (!SetFilePointerEx(script, last, nullptr, FILE_BEGIN) || !ReadFile(script, &byte, 1, &read, nullptr) ||
        read != 1) {
        return 0;
    }
    return byte;
}

// Appends the texts to added, which holds SCRIPT_ADDITION_SIZE bytes: room
// for every click's, so nothing is ever cut there.
void appendTexts(char* added, size_t& length, std::initializer_list<const char*> texts) {
    for (const char* text : texts) {
        for (; *text != '\0' && length + 1 < SCRIPT_ADDITION_SIZE; ++text) {
            added[length++] = *text;
        }
    }
    added[length] = '\0';
}

// Opens the script file for appending, before any skip: a script that
// cannot be written must not cost the user the song they were on. existed
// tells whether the file was there before.
HANDLE openScriptFile(bool& existed) {
    HANDLE script = CreateFileA(scriptFilePathAndName, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    existed = GetLastError() == ERROR_ALREADY_EXISTS;
    if (script == INVALID_HANDLE_VALUE) {
        showError(TEXT_SCRIPT_NOT_OPENED);
    }
    return script;
}

// A script the click made and then wrote nothing to is not left behind as an
// empty file of ours.
void removeScriptMadeEmpty(bool existed) {
    if (!existed) {
        DeleteFileA(scriptFilePathAndName);
    }
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
void archiveByScript(HWND hwnd, LRESULT position, const char* source, const wchar_t* sourceWide,
                     const wchar_t* target, const wchar_t* directory) {
    char directoryInCodePage[ANSI_PATH_SIZE];
    char targetInCodePage[ANSI_PATH_SIZE];
    if (!toAnsiText(directory, directoryInCodePage, sizeof directoryInCodePage) ||
        !toAnsiText(target, targetInCodePage, sizeof targetInCodePage)) {
        showError(TEXT_NAME_NOT_IN_CODE_PAGE);
        return;
    }
    bool scriptExisted;
    HANDLE script = openScriptFile(scriptExisted);
    if (script == INVALID_HANDLE_VALUE) {
        return;
    }
    if (playNextTrack == 1 && !skipToNextTrack(hwnd, position)) {
        CloseHandle(script);
        removeScriptMadeEmpty(scriptExisted);
        return;
    }
    const size_t added =
        createCommandPromptScript(script, directoryInCodePage, targetInCodePage, source, scriptAddition);
    if (added == 0) {
        removeScriptMadeEmpty(scriptExisted);
        showError(TEXT_SCRIPT_NOT_WRITTEN);
        return;
    }
    // The undo of a script the click made deletes it.
    noteArchiveScripted(scriptFilePathAndName, scriptAddition, added, !scriptExisted, sourceWide);
}

// What the last click moved besides the song, noted as it moves.
wchar_t companionsMoved[COMPANIONS_SIZE];

// Where the folders below the from-root begin in source: the first level
// past the end of the root's match (the one the rewrite replaced), so that
// the from-folder itself, or the folder that a root not ending in a
// separator ends in, is never one of them.
size_t belowFromRoot(const wchar_t* source, const wchar_t* fromRoot) {
    wchar_t before[PATH_BUFFER_SIZE];
    wchar_t after[PATH_BUFFER_SIZE];
    if (!getStringTokens(source, fromRoot, before, PATH_BUFFER_SIZE, after, PATH_BUFFER_SIZE)) {
        return 0;
    }
    const wchar_t* end = source + wcslen(before) + wcslen(fromRoot);
    if (end[-1] != PATH_SEPARATOR) {
        end = wcschr(end, PATH_SEPARATOR);
        if (end == nullptr) {
            return 0;
        }
        ++end;
    }
    return static_cast<size_t>(end - source);
}

// Immediate mode: a file of that name in the archive already is never
// replaced, and that is known before the skip, so the song plays on; then
// the skip, which lets the host close the file, then the move.
void archiveImmediately(HWND hwnd, LRESULT position, const wchar_t* source, const wchar_t* fromRoot,
                        const wchar_t* target, const wchar_t* directory) {
    if (playNextTrack == 1) {
        if (fileExists(target)) {
            showError(TEXT_NOT_MOVED);
            return;
        }
        if (!skipToNextTrack(hwnd, position)) {
            return;
        }
    }
    const size_t madeFrom = createDirectoryLevels(directory);
    switch (moveWithoutReplacing(source, target, MOVE_RETRY_MS)) {
    case MOVE_DONE: {
        tellPlayerOfMove(hwnd, source, target);
        const size_t companions =
            moveCompanionFiles(hwnd, source, target, belowFromRoot(source, fromRoot), companionsMoved);
        noteArchiveMoved(source, target, madeFrom, companionsMoved, companions);
        return;
    }
    case MOVE_COPY_KEPT:
        // The copy is in the folders made for it.
        showError(TEXT_ORIGINAL_KEPT);
        return;
    case MOVE_TARGET_TAKEN:
    case MOVE_FAILED:
        removeEmptyDirectories(directory, madeFrom);
        showError(TEXT_NOT_MOVED);
        return;
    }
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
        archiveByScript(hwnd, position, source, sourceWide, target, directory);
    } else {
        archiveImmediately(hwnd, position, sourceWide, fromRoot, target, directory);
    }
}

}  // namespace

// The lines for one file, as the command prompt runs them from a batch file:
// create the folder, then move the file there unless the archive holds a
// file of that name already (the command prompt's move would replace it),
// then tell by the files themselves whether it went (move's exit code is not
// set reliably by every command prompt): still in the inbox, or in neither
// place, the file is named and counted.
//
// A new or emptied script first gets a header: it says the code page its
// lines are written in, which the command prompt would otherwise read in the
// console's code page, turns off the expansion of !variables!, which a
// registry setting or cmd /v:on may have turned on, so that every later line
// is read as written, then runs every line below its label as one part and
// reports the count. When some file was not archived the window waits
// (timeout, not pause: a script with no console input must still end), and
// the count is the exit code.
//
// The lines go in whole or not at all: a write cut short by a full disk may
// still be reported as done, so only the file's own length tells. A script
// not written whole is cut back to the length it had.
size_t createCommandPromptScript(HANDLE script, const char* directory, const char* target,
                                 const char* source, char* added) {
    char directoryText[SCRIPT_PATH_SIZE];
    char targetText[SCRIPT_PATH_SIZE];
    char sourceText[SCRIPT_PATH_SIZE];
    toBatchText(directory, directoryText);
    toBatchText(target, targetText);
    toBatchText(source, sourceText);
    size_t length = 0;
    LARGE_INTEGER before = {};
    if (!GetFileSizeEx(script, &before)) {
        CloseHandle(script);
        return 0;
    }
    if (before.QuadPart == 0) {
        char codePage[16];
        wsprintfA(codePage, "%u", GetACP());
        appendTexts(added, length,
                    {"@echo off\r\nchcp ", codePage,
                     " >nul\r\nsetlocal DisableDelayedExpansion\r\nset notArchived=0\r\ncall :archive\r\n"
                     "if %notArchived% gtr 0 (echo.& echo Files not archived: %notArchived%& timeout /t 120)\r\n"
                     "exit /b %notArchived%\r\n:archive\r\n"});
    } else if (lastByte(script, before) != '\n') {
        // A script edited by hand may end without a line end (text editors
        // save files so); the new lines must not be glued to its last line.
        appendTexts(added, length, {"\r\n"});
    }
    appendTexts(added, length,
                {"mkdir \"", directoryText, "\" 2>nul\r\nif not exist \"", targetText, "\" move \"", sourceText,
                 "\" \"", directoryText, "\" >nul\r\nif exist \"", sourceText, "\" (echo Not archived: \"", sourceText,
                 "\"& set /a notArchived+=1 >nul) else if not exist \"", targetText, "\" (echo Not found: \"",
                 sourceText, "\"& set /a notArchived+=1 >nul)\r\n"});
    DWORD written = 0;
    LARGE_INTEGER after = {};
    const LARGE_INTEGER end = {};
    const bool whole = SetFilePointerEx(script, end, nullptr, FILE_END) &&
                       WriteFile(script, added, static_cast<DWORD>(length), &written, nullptr) &&
                       GetFileSizeEx(script, &after) && after.QuadPart == before.QuadPart + length;
    if (!whole) {
        SetFilePointerEx(script, before, nullptr, FILE_BEGIN);
        SetEndOfFile(script);
    }
    CloseHandle(script);
    return whole ? length : 0;
}

bool isActionRunning() {
    return actionRunning;
}

void runAction(void (*action)(HWND), HWND hwnd) {
    if (actionRunning) {
        return;
    }
    actionRunning = true;
    action(hwnd);
    actionRunning = false;
}

void archiveCurrentFile(HWND hwnd) {
    runAction(runArchiveAction, hwnd);
}
