// Moving a file without ever replacing one, and making the folders it goes
// to. The archive moves the playing file into the archive with these, and
// the undo moves it back; each tells the user in its own words what failed.
#pragma once

#include <windows.h>

enum MoveResult {
    MOVE_DONE,          // the file is at the target and nowhere else
    MOVE_TARGET_TAKEN,  // a file is at the target already (or it is the source): nothing moved
    MOVE_FAILED,        // nothing moved: the file in use, no rights, no such folder
    MOVE_COPY_KEPT,     // copied to another drive, but the source could not be removed
};

bool fileExists(const wchar_t* path);

// Whether two paths name the same file as Windows compares file names:
// without regard to letter case, in any alphabet.
bool isSameFileName(const wchar_t* one, const wchar_t* other);

// Creates every missing level of directory (which ends in the separator), as
// the command prompt's mkdir does. Returns the length of the shallowest level
// it made, up to its closing separator, or 0 when it made none: the levels
// from there down are the ones removeEmptyDirectories may take away again.
size_t createDirectoryLevels(const wchar_t* directory);

// Removes the levels of directory (which ends in the separator) whose
// closing separator is at from or further, deepest first, each only while it
// is empty: the first that holds anything, or that Windows keeps (a
// program's current folder), stops it, and it keeps everything above. From
// 0 removes nothing. Windows refuses to remove a folder that is not empty,
// so nothing but an empty folder ever goes.
void removeEmptyDirectories(const wchar_t* directory, size_t from);

// How long a move refused for a file in use is tried again: the host may
// still hold the file it played a moment after it moved on. Any other file
// held is held by another program, for as long as it likes.
constexpr DWORD MOVE_RETRY_MS = 1000;
constexpr DWORD MOVE_NO_RETRY = 0;

// Moves source to target, never replacing a file there, trying again for
// retryMs while the file is in use.
MoveResult moveWithoutReplacing(const wchar_t* source, const wchar_t* target, DWORD retryMs);
