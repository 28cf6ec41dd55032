// The player told of what the module did to a file: what it keeps by the
// file's path, its playlist's entries and its library's record, follows a
// moved file, goes with a discarded one and comes back with it. The actions
// tell it after the file moved, their undos after it came back.
#pragma once

#include <windows.h>

#include "library_record.h"
#include "playlist_entries.h"

// The playlist's entries of oldPath, then the library's record of it, name
// newPath (see playlist_entries.h and library_record.h).
void tellPlayerOfMove(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath);

// What the player forgot of a discarded file, to be given back.
struct ForgottenFile {
    ForgottenEntries entries;
    LibraryFields record;
};

// The playlist's entries of path go, then the library's record.
void tellPlayerOfDiscard(HWND hwnd, const wchar_t* path, ForgottenFile& forgotten);

// The file is back at path: its entries and its record come back.
void tellPlayerOfReturn(HWND hwnd, const wchar_t* path, const ForgottenFile& forgotten);
