// The undo of the run's archives, the last first. See undo.h.
#include "undo.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "archive_history.h"
#include "companion_files.h"
#include "file_move.h"
#include "message_box.h"
#include "move_notice.h"
#include "recycle_bin.h"
#include "saved_playlists.h"

namespace {

constexpr char TEXT_ARCHIVED_FILE_GONE[] =
    "The archived file is no longer in the archive, so it cannot be moved back. This undo is dropped; the ones "
    "before it can still be undone.";
constexpr char TEXT_NOT_IN_BIN[] =
    "The file is no longer in the Recycle Bin, so it cannot be brought back. This undo is dropped; the ones "
    "before it can still be undone.";
constexpr char TEXT_DISCARDED_PATH_TAKEN[] =
    "A file of that name is in the old folder again, so the file was not brought back from the Recycle Bin.";
constexpr char TEXT_NOT_RESTORED[] = "The file could not be brought back from the Recycle Bin. It stays there.";
constexpr char TEXT_DISCARDED_COMPANIONS_KEPT[] =
    "The file was brought back, but some of the files that went with it could not be: a file of that name is "
    "in the old folder again, or another program holds it. They stay in the Recycle Bin or the archive.";
constexpr char TEXT_OLD_PATH_TAKEN[] =
    "A file of that name is in the old folder again, so the archived file was not moved back.";
constexpr char TEXT_NOT_MOVED_BACK[] = "The archived file could not be moved back. It stays in the archive.";
constexpr char TEXT_ARCHIVED_COPY_KEPT[] =
    "The file was copied back, but the archived copy could not be removed.";
constexpr char TEXT_COMPANIONS_KEPT[] =
    "The file was moved back, but some of the files that went with it could not be: a file of that name is "
    "in the old folder again, or another program holds it. They stay in the archive.";
constexpr char TEXT_SCRIPT_CHANGED[] =
    "The script file has changed since the lines were added, so they were not taken out.";
constexpr char TEXT_SCRIPT_NOT_OPENED[] =
    "The script file could not be opened, so the lines were not taken out. Close the program that holds it, "
    "then undo again.";

// The undo item's text, by the kind of archive: before the name, after it.
constexpr const wchar_t* UNDO_TEXTS[][2] = {
    {L"&Undo: move ", L" back"},                          // ARCHIVE_MOVED
    {L"&Undo: take ", L" out of the script"},             // ARCHIVE_SCRIPTED
    {L"&Undo: bring ", L" back from the Recycle Bin"},    // ARCHIVE_DISCARDED
};

// The name in the menu is cut to this many characters, the ellipsis included.
constexpr size_t MENU_NAME_LENGTH = 64;

// The file's name as a menu shows it: cut with an ellipsis, never between
// the two halves of a character, and every '&' doubled, since a single one
// marks the mnemonic.
void toMenuName(const wchar_t* path, wchar_t* name) {
    const wchar_t* start = path;
    for (const wchar_t* c = path; *c != L'\0'; ++c) {
        if (*c == PATH_SEPARATOR) {
            start = c + 1;
        }
    }
    size_t length = wcslen(start);
    const bool cut = length > MENU_NAME_LENGTH;
    if (cut) {
        length = MENU_NAME_LENGTH - 1;
        if (IS_HIGH_SURROGATE(start[length - 1])) {
            --length;
        }
    }
    size_t at = 0;
    for (size_t i = 0; i < length; ++i) {
        if (start[i] == L'&') {
            name[at++] = L'&';
        }
        name[at++] = start[i];
    }
    if (cut) {
        name[at++] = L'\u2026';
    }
    name[at] = L'\0';
}

// Once the file is back: what went with it comes back too, then the folders
// its archive made go, each only while empty, and the player is told. False
// when some of those files stayed in the archive.
bool followFileBack(HWND hwnd, const ArchiveRecord& archive) {
    const bool allBack = moveCompanionFilesBack(archive.source, archive.target,
                                                static_cast<const wchar_t*>(archive.kept),
                                                archive.keptLength / sizeof(wchar_t));
    wchar_t directory[PATH_BUFFER_SIZE];
    createDirectoryName(archive.target, directory, PATH_BUFFER_SIZE);
    removeEmptyDirectories(directory, archive.madeFrom);
    tellPlayerOfMove(hwnd, archive.target, archive.source);
    restoreSavedPlaylists(hwnd, archive.target,
                          static_cast<const unsigned char*>(archive.kept) + archive.keptLength,
                          archive.playlistLength);
    dropLatestArchive();
    return allBack;
}

// Whatever could not come back is named in one message.
void reportCompanionsKept(bool allBack, const char* text = TEXT_COMPANIONS_KEPT) {
    if (!allBack) {
        showError(text);
    }
}

// Moves the file back, and with it what went with it. The archive removed
// the old folders it emptied: they are made again, every level, and taken
// away again when the file cannot go back.
void moveBack(HWND hwnd, const ArchiveRecord& archive) {
    if (!fileExists(archive.target)) {
        dropLatestArchive();
        showError(TEXT_ARCHIVED_FILE_GONE);
        return;
    }
    if (fileExists(archive.source)) {
        showError(TEXT_OLD_PATH_TAKEN);
        return;
    }
    wchar_t oldDirectory[PATH_BUFFER_SIZE];
    createDirectoryName(archive.source, oldDirectory, PATH_BUFFER_SIZE);
    const size_t madeFrom = createDirectoryLevels(oldDirectory);
    switch (moveWithoutReplacing(archive.target, archive.source, MOVE_RETRY_MS)) {
    case MOVE_DONE:
        reportCompanionsKept(followFileBack(hwnd, archive));
        break;
    case MOVE_TARGET_TAKEN:
        removeEmptyDirectories(oldDirectory, madeFrom);
        showError(TEXT_OLD_PATH_TAKEN);
        break;
    case MOVE_FAILED:
        removeEmptyDirectories(oldDirectory, madeFrom);
        showError(TEXT_NOT_MOVED_BACK);
        break;
    case MOVE_COPY_KEPT: {
        // The file is back; a second undo could do no more. The archived
        // copy keeps its folders.
        const bool allBack = followFileBack(hwnd, archive);
        showError(TEXT_ARCHIVED_COPY_KEPT);
        reportCompanionsKept(allBack);
        break;
    }
    }
}

// Brings the discarded file back from the bin, with its attributes, then
// what went with it; the player gets back its entries and its record. The
// old folders are made again first, and taken away again when the file
// does not come back. A file no longer in the bin never will: its undo goes.
void bringBack(HWND hwnd, const ArchiveRecord& archive) {
    if (fileExists(archive.source)) {
        showError(TEXT_DISCARDED_PATH_TAKEN);
        return;
    }
    wchar_t oldDirectory[PATH_BUFFER_SIZE];
    createDirectoryName(archive.source, oldDirectory, PATH_BUFFER_SIZE);
    const size_t madeFrom = createDirectoryLevels(oldDirectory);
    switch (restoreFromBin(archive.source)) {
    case RESTORED: {
        SetFileAttributesW(archive.source, archive.attributes);
        const bool allBack = moveCompanionFilesBack(archive.source, archive.target,
                                                    static_cast<const wchar_t*>(archive.kept),
                                                    archive.keptLength / sizeof(wchar_t));
        tellPlayerOfReturn(hwnd, archive.source, archive.forgotten);
        dropLatestArchive();
        reportCompanionsKept(allBack, TEXT_DISCARDED_COMPANIONS_KEPT);
        return;
    }
    case RESTORE_NOT_IN_BIN:
        removeEmptyDirectories(oldDirectory, madeFrom);
        dropLatestArchive();
        showError(TEXT_NOT_IN_BIN);
        return;
    case RESTORE_FAILED:
        removeEmptyDirectories(oldDirectory, madeFrom);
        showError(TEXT_NOT_RESTORED);
        return;
    }
}

// Whether the open script's last bytes are those the click appended.
bool endsWithAddition(HANDLE script, DWORD size, const ArchiveRecord& archive) {
    const size_t length = archive.keptLength;
    if (size < length ||
        SetFilePointer(script, static_cast<LONG>(size - length), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        return false;
    }
    const char* added = static_cast<const char*>(archive.kept);
    char chunk[512];
    for (size_t done = 0; done < length;) {
        const DWORD wanted = static_cast<DWORD>(length - done < sizeof chunk ? length - done : sizeof chunk);
        DWORD read = 0;
        if (!ReadFile(script, chunk, wanted, &read, nullptr) || read != wanted ||
            memcmp(chunk, added + done, wanted) != 0) {
            return false;
        }
        done += wanted;
    }
    return true;
}

enum TakeOutResult { TAKEN_OUT, SCRIPT_CHANGED, SCRIPT_NOT_OPENED };

// Takes the click's bytes off the end of the script; a script that holds
// nothing else and that the click created goes. Lines the user added above
// them stay. A script that is gone has changed; one that is there but
// cannot be opened (held by another program, read-only) has not, as far as
// anyone knows.
TakeOutResult takeAdditionOut(const ArchiveRecord& archive) {
    HANDLE script = CreateFileA(archive.scriptPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (script == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? SCRIPT_CHANGED
                                                                              : SCRIPT_NOT_OPENED;
    }
    DWORD high = 0;
    const DWORD size = GetFileSize(script, &high);
    if (high != 0 || size == INVALID_FILE_SIZE || !endsWithAddition(script, size, archive)) {
        CloseHandle(script);
        return SCRIPT_CHANGED;
    }
    const bool deleteWhole = archive.scriptCreated && size == archive.keptLength;
    const bool cut = deleteWhole || (SetFilePointer(script, static_cast<LONG>(size - archive.keptLength), nullptr,
                                                    FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                                     SetEndOfFile(script));
    CloseHandle(script);
    // Only another program that has the script open keeps it from going.
    return cut && (!deleteWhole || DeleteFileA(archive.scriptPath)) ? TAKEN_OUT : SCRIPT_NOT_OPENED;
}

}  // namespace

void noteArchiveMoved(const wchar_t* source, const wchar_t* target, size_t madeFrom, const wchar_t* companions,
                      size_t length, const unsigned char* playlistNotes, size_t playlistLength) {
    ArchiveRecord* archive = pushArchive(length * sizeof(wchar_t), playlistLength);
    if (archive == nullptr) {
        return;
    }
    archive->kind = ARCHIVE_MOVED;
    lstrcpynW(archive->source, source, PATH_BUFFER_SIZE);
    lstrcpynW(archive->target, target, PATH_BUFFER_SIZE);
    archive->madeFrom = madeFrom;
    memcpy(archive->kept, companions, length * sizeof(wchar_t));
    memcpy(static_cast<unsigned char*>(archive->kept) + length * sizeof(wchar_t), playlistNotes, playlistLength);
}

void noteDiscarded(const wchar_t* source, const wchar_t* target, DWORD attributes,
                   const ForgottenFile& forgotten, const wchar_t* companions, size_t length) {
    ArchiveRecord* archive = pushArchive(length * sizeof(wchar_t));
    if (archive == nullptr) {
        return;
    }
    archive->kind = ARCHIVE_DISCARDED;
    lstrcpynW(archive->source, source, PATH_BUFFER_SIZE);
    lstrcpynW(archive->target, target, PATH_BUFFER_SIZE);
    archive->madeFrom = 0;
    archive->attributes = attributes;
    archive->forgotten = forgotten;
    memcpy(archive->kept, companions, length * sizeof(wchar_t));
}

void noteArchiveScripted(const char* script, const char* added, size_t length, bool created,
                         const wchar_t* source) {
    ArchiveRecord* archive = pushArchive(length);
    if (archive == nullptr) {
        return;
    }
    archive->kind = ARCHIVE_SCRIPTED;
    lstrcpynW(archive->source, source, PATH_BUFFER_SIZE);
    lstrcpynA(archive->scriptPath, script, PATH_BUFFER_SIZE);
    archive->scriptCreated = created;
    memcpy(archive->kept, added, length);
}

bool describeLastArchive(wchar_t* text) {
    const ArchiveRecord* archive = latestArchive();
    if (archive == nullptr) {
        return false;
    }
    wchar_t name[2 * MENU_NAME_LENGTH + 1];
    toMenuName(archive->source, name);
    // Every text and the longest name fit UNDO_TEXT_SIZE.
    lstrcpyW(text, UNDO_TEXTS[archive->kind][0]);
    lstrcatW(text, name);
    lstrcatW(text, UNDO_TEXTS[archive->kind][1]);
    return true;
}

// A refused or failed undo keeps the archive on top, to be tried again.
void undoLastArchive(HWND hwnd) {
    const ArchiveRecord* archive = latestArchive();
    if (archive == nullptr) {
        return;
    }
    if (archive->kind == ARCHIVE_MOVED) {
        moveBack(hwnd, *archive);
        return;
    }
    if (archive->kind == ARCHIVE_DISCARDED) {
        bringBack(hwnd, *archive);
        return;
    }
    switch (takeAdditionOut(*archive)) {
    case TAKEN_OUT:
        dropLatestArchive();
        break;
    case SCRIPT_CHANGED:
        showError(TEXT_SCRIPT_CHANGED);
        break;
    case SCRIPT_NOT_OPENED:
        showError(TEXT_SCRIPT_NOT_OPENED);
        break;
    }
}
