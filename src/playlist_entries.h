// The player's playlist follows what the module does to a file: every entry
// that names a moved file's old path is made to name its new path, in the
// same place, so that the list holds no dead entries and the file can be
// played again from it; every entry of a discarded file goes, and comes
// back in its place when the file does.
#pragma once

#include <windows.h>

// Makes every entry of the host's playlist that names oldPath (in any letter
// case, as Windows compares file names) name newPath instead. A player
// without the playlist editor's window (before 2.9), or without wide paths,
// keeps its list as it is.
void pointPlaylistEntries(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath);

// The places of a discarded file's entries, lowest first. An entry past
// the bound stays in the list.
constexpr int FORGOTTEN_ENTRIES_MAX = 32;
struct ForgottenEntries {
    int count;
    int indexes[FORGOTTEN_ENTRIES_MAX];
};

// Removes every entry that names path, highest first, so that the entry
// that plays keeps playing at the position; notes their places in entries.
void removePlaylistEntries(HWND hwnd, const wchar_t* path, ForgottenEntries& entries);

// Puts path back at each noted place, lowest first: the list is as it was
// where nothing else changed it since.
void putPlaylistEntriesBack(HWND hwnd, const wchar_t* path, const ForgottenEntries& entries);
