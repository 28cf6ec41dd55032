// The stand-in host's saved playlists, as the player's library has them:
// its playlists service, which lists their files (locked while they are
// read), the player's system callbacks, which carry the playlist events, and
// the library's playlist view, which holds the one playlist it shows in
// memory and writes it back to the file when it closes, unless it was asked
// to save before (it then writes at once and holds no change) and was told
// to read the file again.
#pragma once

#include <windows.h>

#include "../src/host_interface.h"
#include "stand_in_host.h"

constexpr int HOST_MAX_PLAYLISTS = 16;
constexpr int HOST_MAX_VIEW_BYTES = 64 * 1024;

struct HostPlaylists {
    int count;
    wchar_t paths[HOST_MAX_PLAYLISTS][HOST_MAX_PATH];
    int locks;                 // locks not yet undone
    long saveRequests;         // "save it now" events received, for any playlist
    long reloads;              // "it was saved, read it again" events received
    long eventsUnlocked;       // events that came while the service was not locked
    long handedOut;            // service objects not given back
    int viewIndex;             // the playlist the view shows; -1 none
    bool viewChanged;          // the view holds a change it has not written
    int viewSize;
    char view[HOST_MAX_VIEW_BYTES];
};

extern HostPlaylists hostPlaylists;

// Adds a playlist to the library's list, behind the others.
void hostAddSavedPlaylist(const wchar_t* path);

// Opens the view on playlist index: its bytes as the file holds them, then
// edit, the user's change, which the view has not written yet.
void hostOpenPlaylistView(int index, const char* edit);

// Closes the view, which writes its copy over the file if it holds a change.
void hostCloseView();

// For the library's code: everything emptied and the view closed; the
// factory of the service with the GUID, when it is one of these two; the
// library's answer to its request for the open view's window.
void resetPlaylists();
Dispatchable* playlistsFactoryFor(const GUID& id);
LRESULT answerPlaylistView(HWND libraryWindow);
