// The player's playlist follows a file that the module moved: every entry
// that names the file's old path is made to name its new path, in the same
// place, so that the list holds no dead entries and the file can be played
// again from it.
#pragma once

#include <windows.h>

// Makes every entry of the host's playlist that names oldPath (in any letter
// case, as Windows compares file names) name newPath instead. A player
// without the playlist editor's window (before 2.9), or without wide paths,
// keeps its list as it is.
void pointPlaylistEntries(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath);
