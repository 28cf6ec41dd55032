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

#include "action_checks.h"
#include "code_page.h"
#include "companion_files.h"
#include "file_move.h"
#include "host_interface.h"
#include "message_box.h"
#include "move_notice.h"
#include "path_rewrite.h"
#include "saved_playlists.h"
#include "settings.h"
#include "skip_track.h"
#include "undo.h"

namespace {

constexpr char TEXT_NOT_INSIDE[] =
    "The playing file is not inside the archive-from root directory. Check the configuration.";
constexpr char TEXT_SCRIPT_NOT_OPENED[] =
    "The script file could not be opened. Check the script file path in the configuration.";
constexpr char TEXT_SCRIPT_NOT_WRITTEN[] =
    "The lines could not be written to the script file, so the file was not archived. Check the free space "
    "on its drive.";
constexpr char TEXT_NOT_MOVED[] = "The file could not be moved to the archive. It stays where it was.";
constexpr char TEXT_ORIGINAL_KEPT[] =
    "The file was copied to the archive, but the original could not be removed.";
constexpr char TEXT_NAME_NOT_IN_CODE_PAGE[] =
    "The name of the playing file has characters that the script file cannot hold. Rename the file, "
    "or archive it in immediate mode.";

// Whether one of the user's actions (an archive, an undo) is running: one of
// its message boxes is open, and their modal loops go on dispatching the
// host's messages, clicks on the icon among them.
bool actionRunning;

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

// What the last click moved besides the song, noted as it moves, and what
// it changed in the library's saved playlists.
wchar_t companionsMoved[COMPANIONS_SIZE];
unsigned char playlistNotes[PLAYLIST_NOTES_SIZE];

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
        const size_t playlistLength = pointSavedPlaylists(hwnd, source, target, playlistNotes);
        const size_t companions =
            moveCompanionFiles(hwnd, source, target, fromRoot, COMPANIONS_ARCHIVED, companionsMoved);
        noteArchiveMoved(source, target, madeFrom, companionsMoved, companions, playlistNotes, playlistLength);
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

// The checks every action makes, then the mode's own steps.
void runArchiveAction(HWND hwnd) {
    ActionFile file;
    if (!checkPlayingFile(hwnd, file, TEXT_NOT_INSIDE)) {
        return;
    }
    // The script file is 8-bit text for the command prompt: a name it cannot
    // hold would come out as another file's name, or as a wildcard. No
    // Windows file name holds a '?' or a '*': such a character stands for one
    // the code page lacks, and would be a wildcard on the command line; a '"'
    // would end the quoted path there.
    if (immediateMode == 0) {
        if (!(holdsOnlyPathCharacters(file.sourceWide) && isSameText(file.sourceWide, file.source))) {
            showError(TEXT_NAME_NOT_IN_CODE_PAGE);
            return;
        }
        archiveByScript(hwnd, file.position, file.source, file.sourceWide, file.target, file.directory);
    } else {
        archiveImmediately(hwnd, file.position, file.sourceWide, file.fromRoot, file.target, file.directory);
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
