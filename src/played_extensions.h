// What the player plays: its input plug-ins decide, and the player names
// their extensions in a list it hands out on request. A file is a song when
// the text after its name's last dot is on that list, letter case aside, as
// the player's own "Add folder" tells songs.
#pragma once

#include <windows.h>

// The player's list as it answered it, a block of the player's that the
// asker frees: null when the player did not say.
struct PlayedExtensions {
    const wchar_t* list;
    size_t size;   // characters in the block
};

// Asks the host's main window, at each archive: plug-ins come and go while
// the player runs. A player before 5.0, one that answers no list, or a list
// with no extension in it gives null.
PlayedExtensions fetchPlayedExtensions(HWND hwnd);
void freePlayedExtensions(PlayedExtensions& extensions);

// Whether extension (length characters, without the dot) is on the list.
bool isPlayedExtension(const PlayedExtensions& extensions, const wchar_t* extension, size_t length);

// Whether the file name is a song's.
bool isSongName(const PlayedExtensions& extensions, const wchar_t* name);
