// Which file plays. The host names it in up to three ways: the entry at its
// playlist's current position, its own record of the playing file, and the
// file whose start it last announced to its main window. They part when the
// playlist changes under a playing file (its entry deleted, entries swapped
// by another plug-in, the list cleared and filled again), and the entry at
// the position is then a file the user did not choose. A click is served
// only when every name the host gives is the same file.
#pragma once

#include <windows.h>

#include "code_page.h"
#include "path_rewrite.h"

// The playing file's 8-bit path: at most PATH_BUFFER_SIZE - 1 characters,
// each of up to MAX_ANSI_BYTES_PER_CHARACTER bytes in the code page. Its
// length is counted in characters of the wide path, as the user counts it.
constexpr size_t ANSI_PATH_SIZE = PATH_BUFFER_SIZE * MAX_ANSI_BYTES_PER_CHARACTER;

enum PlayingFile {
    PLAYING_FILE_COPIED,    // every name the host gives is this file
    PLAYING_FILE_NONE,      // the host reports no path for the entry
    PLAYING_FILE_TOO_LONG,  // the entry's path is longer than a path buffer holds
    PLAYING_FILE_UNCLEAR,   // the host names another file, or one too long to compare
};

// Forgets the announced file: a module just started has heard of none.
void forgetAnnouncedFile();

// Notes the file whose playback the host announces. Its path is valid only
// while the announcement is handled, so it is copied at once.
void noteAnnouncedFile(WPARAM path);

// Copies the paths of the playlist entry at position into source
// (ANSI_PATH_SIZE bytes) and sourceWide (PATH_BUFFER_SIZE characters), then
// checks them against the host's record of the playing file and the file it
// last announced. A host that gives neither is taken at its entry's word.
PlayingFile copyPlayingFile(HWND hwnd, LRESULT position, char* source, wchar_t* sourceWide);
