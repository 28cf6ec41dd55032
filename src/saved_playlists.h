// The library's saved playlists follow an archived file: every entry that
// leads to its old path names the new one, in the same place, and the undo
// puts each line it changed back as it was written, byte for byte. Only
// .m3u8 and .m3u playlists are read; .pls and .b4s are left as they are.
#pragma once

#include <windows.h>

// Room for what one archive notes of the playlists it changed: a playlist
// whose lines would not fit is left as it is.
constexpr size_t PLAYLIST_NOTES_SIZE = 16 * 1024;

// Every saved playlist with an entry of oldPath names newPath there instead,
// written whole and put in place in one step; notes (PLAYLIST_NOTES_SIZE
// bytes) gets what the undo needs. Returns the notes' length in bytes.
// Without the library or its playlists service nothing changes.
size_t pointSavedPlaylists(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath, unsigned char* notes);

// Puts back each line noted, where the playlist still holds at that place
// the line of newPath that was written there.
void restoreSavedPlaylists(HWND hwnd, const wchar_t* newPath, const unsigned char* notes, size_t length);
