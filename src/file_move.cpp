// Moves that never replace a file, and the folders they need. See file_move.h.
#include "file_move.h"

#include <wchar.h>

#include "path_rewrite.h"

namespace {

constexpr DWORD MOVE_RETRY_STEP_MS = 50;

// Whether the level is there now, and whether this call made it.
bool makeDirectory(const wchar_t* directory, bool& made) {
    made = CreateDirectoryW(directory, nullptr) != FALSE;
    return made || GetLastError() == ERROR_ALREADY_EXISTS;
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

}  // namespace

bool fileExists(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool isSameFileName(const wchar_t* one, const wchar_t* other) {
    return CompareStringOrdinal(one, -1, other, -1, TRUE) == CSTR_EQUAL;
}

// Mostly the folder exists already, or only its last level is missing, so
// that is tried first. Levels that cannot be made, such as the drive, are
// left to the move to report.
size_t createDirectoryLevels(const wchar_t* directory) {
    const size_t length = wcslen(directory);
    bool made;
    if (makeDirectory(directory, made)) {
        return made ? length - 1 : 0;
    }
    size_t madeFrom = 0;
    wchar_t level[PATH_BUFFER_SIZE];
    for (size_t i = 1; i < length && i < PATH_BUFFER_SIZE; ++i) {
        if (directory[i] == PATH_SEPARATOR) {
            wmemcpy(level, directory, i);
            level[i] = L'\0';
            if (makeDirectory(level, made) && made && madeFrom == 0) {
                madeFrom = i;
            }
        }
    }
    return madeFrom;
}

void removeEmptyDirectories(const wchar_t* directory, size_t from) {
    if (from == 0) {
        return;
    }
    wchar_t level[PATH_BUFFER_SIZE];
    for (size_t i = wcslen(directory); i-- > from;) {
        if (directory[i] == PATH_SEPARATOR && i < PATH_BUFFER_SIZE) {
            wmemcpy(level, directory, i);
            level[i] = L'\0';
            if (!RemoveDirectoryW(level)) {
                return;   // not empty, or kept: so is everything above it
            }
        }
    }
}

MoveResult moveWithoutReplacing(const wchar_t* source, const wchar_t* target, DWORD retryMs) {
    // Across volumes the move is a copy and a delete; when only the copy
    // lands, Windows reports success and Wine failure, and both copies stay.
    // Telling that apart needs to know whether the target was there before.
    const bool mayCopy = !onSameDrive(source, target);
    // Onto itself (the two roots are the same folder): a rename to its own
    // name would report success for a file that went nowhere.
    if (isSameFileName(source, target) || (mayCopy && fileExists(target))) {
        return MOVE_TARGET_TAKEN;
    }
    const DWORD start = GetTickCount();
    BOOL moved = MoveFileW(source, target);
    DWORD error = moved ? ERROR_SUCCESS : GetLastError();
    while (!moved && isFileInUse(error) && GetTickCount() - start < retryMs) {
        Sleep(MOVE_RETRY_STEP_MS);
        moved = MoveFileW(source, target);
        error = moved ? ERROR_SUCCESS : GetLastError();
    }
    if (mayCopy && (moved ? fileExists(source) : fileExists(target))) {
        return MOVE_COPY_KEPT;
    }
    if (moved) {
        return MOVE_DONE;
    }
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? MOVE_TARGET_TAKEN : MOVE_FAILED;
}
