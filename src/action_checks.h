// The checks every action on the playing file makes before it changes
// anything: the host plays, the roots are full paths, the file is the one
// that really plays, and it lies below the from-root. Both the archive and
// the discard start so; each refusal is a message and nothing else.
#pragma once

#include <windows.h>

#include "path_rewrite.h"
#include "playing_file.h"

// The playing file as the checks found it, and where the archive puts it.
struct ActionFile {
    LRESULT position;                        // the playlist position it plays at
    char source[ANSI_PATH_SIZE];             // its path in the ANSI code page
    wchar_t sourceWide[PATH_BUFFER_SIZE];    // its real path
    wchar_t fromRoot[PATH_BUFFER_SIZE];
    wchar_t target[PATH_BUFFER_SIZE];        // its path in the archive
    wchar_t directory[PATH_BUFFER_SIZE];     // the target's folder
};

// Runs the checks and fills file; false after the message that says why
// not. notInside is the action's own text for a file outside the from-root.
bool checkPlayingFile(HWND hwnd, ActionFile& file, const char* notInside);
