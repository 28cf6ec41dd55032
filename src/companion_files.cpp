// The files that go with a song that is archived or discarded. See
// companion_files.h.
//
// Each folder is listed once, and the names found are noted before any of
// them moves: a folder is not changed while it is being listed. The list of
// what moved doubles as that note; a file that stays is taken off it again.
#include "companion_files.h"

#include <wchar.h>

#include "file_move.h"
#include "path_rewrite.h"
#include "played_extensions.h"
#include "recycle_bin.h"

namespace {

// The list of what moved, as it is written: for each file its level, with
// WENT_TO_BIN when it went to the Recycle Bin, its attributes, its name and a
// zero.
struct MovedFiles {
    wchar_t* text;
    size_t length;
};

constexpr wchar_t WENT_TO_BIN = 0x8000;
constexpr wchar_t LEVEL_MASK = 0x7FFF;
constexpr size_t ENTRY_HEAD = 2;   // the level and the attributes

size_t entrySize(const wchar_t* entry) {
    return wcslen(entry + ENTRY_HEAD) + ENTRY_HEAD + 1;
}

// Appends count characters of text to path (length characters so far);
// false when the path would be too long for the file functions.
bool appendToPath(wchar_t (&path)[MAX_PATH], size_t& length, const wchar_t* text, size_t count) {
    if (length + count >= MAX_PATH) {
        return false;
    }
    wmemcpy(path + length, text, count);
    length += count;
    path[length] = L'\0';
    return true;
}

bool joinPath(const wchar_t* folder, const wchar_t* name, wchar_t (&path)[MAX_PATH]) {
    size_t length = 0;
    return appendToPath(path, length, folder, wcslen(folder)) && appendToPath(path, length, name, wcslen(name));
}

// Notes name at level; what does not fit is not noted, and stays.
void noteFile(MovedFiles& moved, size_t level, const WIN32_FIND_DATAW& found) {
    const size_t length = wcslen(found.cFileName);
    if (moved.length + ENTRY_HEAD + length + 1 > COMPANIONS_SIZE) {
        return;
    }
    wchar_t* entry = moved.text + moved.length;
    entry[0] = static_cast<wchar_t>(level);
    entry[1] = static_cast<wchar_t>(found.dwFileAttributes);
    wmemcpy(entry + ENTRY_HEAD, found.cFileName, length + 1);
    moved.length += ENTRY_HEAD + length + 1;
}

// Moves one file from folder to toFolder under its own name, never
// replacing one and never waiting for one held. A copy to another drive
// whose original could not be removed is taken back: the file stays in one
// place, where it was.
bool moveOneFile(const wchar_t* folder, const wchar_t* name, const wchar_t* toFolder) {
    wchar_t from[MAX_PATH];
    wchar_t to[MAX_PATH];
    if (!joinPath(folder, name, from) || !joinPath(toFolder, name, to)) {
        return false;
    }
    switch (moveWithoutReplacing(from, to, MOVE_NO_RETRY)) {
    case MOVE_DONE:
        return true;
    case MOVE_COPY_KEPT:
        SetFileAttributesW(to, FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(to);
        return false;
    case MOVE_TARGET_TAKEN:
    case MOVE_FAILED:
        return false;
    }
    return false;
}

bool recycleOneFile(const wchar_t* folder, const wchar_t* name) {
    wchar_t path[MAX_PATH];
    return joinPath(folder, name, path) && recycleFile(path, MOVE_NO_RETRY) == RECYCLED;
}

// Moves the files noted from offset on to toFolder, or to the bin where it
// is null; those that stay come off the list.
void moveNotedFiles(MovedFiles& moved, size_t offset, const wchar_t* folder, const wchar_t* toFolder) {
    size_t kept = offset;
    for (size_t at = offset; at < moved.length;) {
        wchar_t* entry = moved.text + at;
        const size_t size = entrySize(entry);
        const wchar_t* name = entry + ENTRY_HEAD;
        if (toFolder != nullptr ? moveOneFile(folder, name, toFolder) : recycleOneFile(folder, name)) {
            if (toFolder == nullptr) {
                entry[0] |= WENT_TO_BIN;
            }
            wmemmove(moved.text + kept, entry, size);
            kept += size;
        }
        at += size;
    }
    moved.length = kept;
}

// Whether name is one of the song's own files: the song's name without its
// extension (its first stem characters), a dot, and one more extension,
// which is not a song's. Windows' patterns also match short names, so every
// name found is checked so.
bool isOwnFileName(const PlayedExtensions& extensions, const wchar_t* name, const wchar_t* song, size_t stem) {
    const size_t length = wcslen(name);
    return length >= stem + 2 && name[stem] == L'.' && wcschr(name + stem + 1, L'.') == nullptr &&
           CompareStringOrdinal(name, static_cast<int>(stem), song, static_cast<int>(stem), TRUE) == CSTR_EQUAL &&
           !isPlayedExtension(extensions, name + stem + 1, length - stem - 1);
}

// Notes the song's own files in its folder, at level 0.
void noteOwnFiles(const PlayedExtensions& extensions, const wchar_t* folder, const wchar_t* song,
                  MovedFiles& moved) {
    const wchar_t* dot = wcsrchr(song, L'.');
    const size_t stem = dot != nullptr ? static_cast<size_t>(dot - song) : wcslen(song);
    wchar_t pattern[MAX_PATH];
    size_t length = 0;
    if (!appendToPath(pattern, length, folder, wcslen(folder)) || !appendToPath(pattern, length, song, stem) ||
        !appendToPath(pattern, length, L".*", 2)) {
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            isOwnFileName(extensions, found.cFileName, song, stem)) {
            noteFile(moved, 0, found);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// Whether name is a song's: its extension is on the player's list, or it is
// the archived song's own. The player plays that song, so it plays its kind,
// even where its input took the file by what it holds, not by its name: a
// file with no extension is a song beside a song with none.
bool isSong(const PlayedExtensions& extensions, const wchar_t* name, const wchar_t* song) {
    if (isSongName(extensions, name)) {
        return true;
    }
    const wchar_t* dot = wcsrchr(name, L'.');
    const wchar_t* songDot = wcsrchr(song, L'.');
    if (dot == nullptr || songDot == nullptr) {
        return dot == nullptr && songDot == nullptr;
    }
    return CompareStringOrdinal(dot + 1, -1, songDot + 1, -1, TRUE) == CSTR_EQUAL;
}

// Notes every file of folder at level, hidden and system files too; false,
// with nothing noted, when it holds a song or a folder, where the listing
// stops.
bool noteAlbumFiles(const PlayedExtensions& extensions, const wchar_t* song, const wchar_t* folder, size_t level,
                    MovedFiles& moved) {
    wchar_t pattern[MAX_PATH];
    if (!joinPath(folder, L"*", pattern)) {
        return false;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    const size_t start = moved.length;
    bool albumOnly = true;
    do {
        const wchar_t* name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            albumOnly = wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
        } else if (isSong(extensions, name, song)) {
            albumOnly = false;
        } else {
            noteFile(moved, level, found);
        }
    } while (albumOnly && FindNextFileW(search, &found));
    FindClose(search);
    if (!albumOnly) {
        moved.length = start;
    }
    return albumOnly;
}

// Removes the folder (ending in the separator) when it is empty.
bool removeFolder(const wchar_t* folder) {
    wchar_t path[PATH_BUFFER_SIZE];
    const size_t length = wcslen(folder);
    if (length < 2 || length > PATH_BUFFER_SIZE) {
        return false;
    }
    wmemcpy(path, folder, length - 1);
    path[length - 1] = L'\0';
    return RemoveDirectoryW(path) != FALSE;
}

// Cuts folder (ending in the separator) to its parent; false at the top.
bool cutToParent(wchar_t* folder) {
    const size_t length = wcslen(folder);
    for (size_t i = length < 2 ? 0 : length - 1; i-- > 0;) {
        if (folder[i] == PATH_SEPARATOR) {
            folder[i + 1] = L'\0';
            return true;
        }
    }
    return false;
}

// Where the folders below the from-root begin in source: the first level
// past the end of the root's match (the one the rewrite replaced), so that
// the from-folder itself, or the folder that a root not ending in a
// separator ends in, is never one of them. 0 where there is none.
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

// Where the album's files of one level go: along into the archive, or,
// for a discarded song, where the album's kept songs went, if they did.
const wchar_t* albumDestination(CompanionWay way, const wchar_t* newLevel) {
    if (way == COMPANIONS_ARCHIVED) {
        return newLevel;
    }
    const DWORD attributes = GetFileAttributesW(newLevel);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? newLevel : nullptr;
}

}  // namespace

// The old path's levels below the from-root are the new path's last levels,
// so the two climb together. A level is left when it still holds anything
// after its files moved: a song, a folder, a file that stayed.
size_t moveCompanionFiles(HWND hwnd, const wchar_t* source, const wchar_t* target, const wchar_t* fromRoot,
                          CompanionWay way, wchar_t* movedText) {
    MovedFiles moved = {movedText, 0};
    wchar_t oldLevel[PATH_BUFFER_SIZE];
    wchar_t newLevel[PATH_BUFFER_SIZE];
    createDirectoryName(source, oldLevel, PATH_BUFFER_SIZE);
    createDirectoryName(target, newLevel, PATH_BUFFER_SIZE);
    const size_t from = belowFromRoot(source, fromRoot);
    const wchar_t* song = source + wcslen(oldLevel);
    PlayedExtensions extensions = fetchPlayedExtensions(hwnd);
    if (extensions.list != nullptr) {
        noteOwnFiles(extensions, oldLevel, song, moved);
        moveNotedFiles(moved, 0, oldLevel, way == COMPANIONS_ARCHIVED ? newLevel : nullptr);
    }
    for (size_t level = 0; from != 0 && wcslen(oldLevel) > from; ++level) {
        if (extensions.list != nullptr) {
            const size_t start = moved.length;
            if (!noteAlbumFiles(extensions, song, oldLevel, level, moved)) {
                break;
            }
            moveNotedFiles(moved, start, oldLevel, albumDestination(way, newLevel));
        }
        if (!removeFolder(oldLevel) || !cutToParent(oldLevel) || !cutToParent(newLevel)) {
            break;
        }
    }
    freePlayedExtensions(extensions);
    return moved.length;
}

bool moveCompanionFilesBack(const wchar_t* source, const wchar_t* target, const wchar_t* moved,
                            size_t length) {
    wchar_t oldLevel[PATH_BUFFER_SIZE];
    wchar_t newLevel[PATH_BUFFER_SIZE];
    createDirectoryName(source, oldLevel, PATH_BUFFER_SIZE);
    createDirectoryName(target, newLevel, PATH_BUFFER_SIZE);
    bool allBack = true;
    size_t level = 0;
    for (size_t at = 0; at < length; at += entrySize(moved + at)) {
        for (; level < static_cast<size_t>(moved[at] & LEVEL_MASK); ++level) {
            cutToParent(oldLevel);
            cutToParent(newLevel);
        }
        const wchar_t* name = moved + at + ENTRY_HEAD;
        wchar_t path[MAX_PATH];
        if ((moved[at] & WENT_TO_BIN) == 0) {
            if (joinPath(newLevel, name, path) && fileExists(path) && !moveOneFile(newLevel, name, oldLevel)) {
                allBack = false;
            }
        } else if (!joinPath(oldLevel, name, path) || fileExists(path)) {
            allBack = false;
        } else {
            switch (restoreFromBin(path)) {
            case RESTORED:
                SetFileAttributesW(path, moved[at + 1]);
                break;
            case RESTORE_NOT_IN_BIN:
                break;
            case RESTORE_FAILED:
                allBack = false;
                break;
            }
        }
    }
    return allBack;
}
