// The player told of a file the module moved: what it keeps by the file's
// path follows it, its playlist's entries and its library's record. The
// archive tells it after the move, the undo after the move back.
#pragma once

#include <windows.h>

// The playlist's entries of oldPath, then the library's record of it, name
// newPath (see playlist_entries.h and library_record.h).
void tellPlayerOfMove(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath);
