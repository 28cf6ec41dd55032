// The stand-in host's saved playlists. See stand_in_playlists.h.
#include "stand_in_playlists.h"

#include <string.h>

HostPlaylists hostPlaylists;

namespace {

void writeView() {
    HostPlaylists& lists = hostPlaylists;
    HANDLE file = CreateFileW(lists.paths[lists.viewIndex], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE) {
        WriteFile(file, lists.view, lists.viewSize, &written, nullptr);
        CloseHandle(file);
    }
    lists.viewChanged = false;
}

void readView() {
    HostPlaylists& lists = hostPlaylists;
    lists.viewSize = 0;
    HANDLE file = CreateFileW(lists.paths[lists.viewIndex], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ReadFile(file, lists.view, HOST_MAX_VIEW_BYTES, &read, nullptr);
        CloseHandle(file);
    }
    lists.viewSize = static_cast<int>(read);
    lists.viewChanged = false;
}

// An index and a file hold only while the service is locked.
struct PlaylistsService : Dispatchable {
    int dispatch(int code, void* result, void** arguments, int count) override {
        HostPlaylists& lists = hostPlaylists;
        switch (code) {
        case PLAYLISTS_LOCK:
            ++lists.locks;
            return 1;
        case PLAYLISTS_UNLOCK:
            --lists.locks;
            return 1;
        case PLAYLISTS_COUNT:
            *static_cast<size_t*>(result) = lists.locks > 0 ? lists.count : 0;
            return 1;
        case PLAYLISTS_FILE: {
            const size_t index = count >= 1 ? *static_cast<size_t*>(arguments[0]) : HOST_MAX_PLAYLISTS;
            const bool held = lists.locks > 0 && index < static_cast<size_t>(lists.count);
            *static_cast<const wchar_t**>(result) = held ? lists.paths[index] : nullptr;
            return 1;
        }
        }
        return 0;
    }
} playlistsService;

// The view is the one listener here: it saves its playlist when asked, and
// reads it again when told that it changed.
struct SystemCallbacks : Dispatchable {
    int dispatch(int code, void*, void** arguments, int count) override {
        HostPlaylists& lists = hostPlaylists;
        if (code != SYSTEM_CALLBACKS_SEND || count != 4) {
            return 0;
        }
        if (lists.locks <= 0) {
            ++lists.eventsUnlocked;
        }
        const int type = *static_cast<int*>(arguments[0]);
        const int message = *static_cast<int*>(arguments[1]);
        const intptr_t index = *static_cast<intptr_t*>(arguments[2]);
        if (type != PLAYLIST_EVENT) {
            return 1;
        }
        if (message == PLAYLIST_EVENT_SAVE_NOW) {
            ++lists.saveRequests;
            if (index == lists.viewIndex && lists.viewChanged) {
                writeView();
            }
        } else if (message == PLAYLIST_EVENT_SAVED) {
            ++lists.reloads;
            if (index == lists.viewIndex) {
                readView();
            }
        }
        return 1;
    }
} systemCallbacks;

struct Factory : Dispatchable {
    Dispatchable* service;
    explicit Factory(Dispatchable* offered) : service(offered) {}
    int dispatch(int code, void* result, void** arguments, int count) override {
        if (code == SERVICE_FACTORY_GET_INTERFACE) {
            *static_cast<Dispatchable**>(result) = service;
            ++hostPlaylists.handedOut;
            return 1;
        }
        if (code == SERVICE_FACTORY_RELEASE_INTERFACE) {
            if (count >= 1 && *static_cast<Dispatchable**>(arguments[0]) == service) {
                --hostPlaylists.handedOut;
            }
            return 1;
        }
        return 0;
    }
};
Factory playlistsFactory(&playlistsService);
Factory callbacksFactory(&systemCallbacks);

}  // namespace

void hostAddSavedPlaylist(const wchar_t* path) {
    HostPlaylists& lists = hostPlaylists;
    if (lists.count < HOST_MAX_PLAYLISTS) {
        lstrcpynW(lists.paths[lists.count++], path, HOST_MAX_PATH);
    }
}

void hostOpenPlaylistView(int index, const char* edit) {
    HostPlaylists& lists = hostPlaylists;
    hostCloseView();
    lists.viewIndex = index;
    readView();
    const int length = lstrlenA(edit);
    if (lists.viewSize + length <= HOST_MAX_VIEW_BYTES) {
        memcpy(lists.view + lists.viewSize, edit, length);
        lists.viewSize += length;
    }
    lists.viewChanged = true;
}

void hostCloseView() {
    if (hostPlaylists.viewIndex >= 0 && hostPlaylists.viewChanged) {
        writeView();
    }
    hostPlaylists.viewIndex = -1;
}

void resetPlaylists() {
    hostPlaylists.viewIndex = -1;
    hostPlaylists.count = 0;
    hostPlaylists.locks = 0;
    hostPlaylists.saveRequests = 0;
    hostPlaylists.reloads = 0;
    hostPlaylists.eventsUnlocked = 0;
    hostPlaylists.handedOut = 0;
    hostPlaylists.viewChanged = false;
    hostPlaylists.viewSize = 0;
}

Dispatchable* playlistsFactoryFor(const GUID& id) {
    if (IsEqualGUID(id, LIBRARY_PLAYLISTS_SERVICE)) {
        return host.library.present ? &playlistsFactory : nullptr;
    }
    return IsEqualGUID(id, SYSTEM_CALLBACKS_SERVICE) ? &callbacksFactory : nullptr;
}

LRESULT answerPlaylistView(HWND libraryWindow) {
    return hostPlaylists.viewIndex >= 0 ? reinterpret_cast<LRESULT>(libraryWindow) : 0;
}
