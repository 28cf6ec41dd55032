// Playlist entries that follow a moved or discarded file. See
// playlist_entries.h.
//
// The player changes an entry's path only through its playlist editor, and
// only as an insert and a delete. The new path goes in before the old entry
// first, and the old entry goes only once the list shows both where they
// belong: a player that does not take the insert loses no entry.
#include "playlist_entries.h"

#include "file_move.h"
#include "host_interface.h"

namespace {

// The entry's wide path, valid until the next request; null past the end,
// or from a player that does not answer wide paths.
const wchar_t* entryPath(HWND hwnd, int index) {
    const LRESULT answer = askHost(hwnd, static_cast<WPARAM>(index), IPC_GETPLAYLISTFILEW);
    return static_cast<ULONG_PTR>(answer) <= IPC_NO_ANSWER_LIMIT ? nullptr
                                                                 : reinterpret_cast<const wchar_t*>(answer);
}

bool entryNames(HWND hwnd, int index, const wchar_t* path) {
    const wchar_t* entry = entryPath(hwnd, index);
    return entry != nullptr && isSameFileName(entry, path);
}

// Puts the record's path in place of the entry at its index, which names
// oldPath; false when the player did not take the insert as asked.
bool replaceEntry(HWND hwnd, HWND editor, const fileToInsertW& record, const wchar_t* oldPath) {
    COPYDATASTRUCT data = {IPC_PE_INSERTFILENAMEW, sizeof record, const_cast<fileToInsertW*>(&record)};
    SendMessageW(editor, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&data));
    if (!entryNames(hwnd, record.index, record.file) || !entryNames(hwnd, record.index + 1, oldPath)) {
        return false;
    }
    SendMessageW(editor, WM_USER, IPC_PE_DELETEINDEX, record.index + 1);
    return true;
}

// The editor's window, which changes entries; null for a player before
// 2.9, which has none.
HWND playlistEditor(HWND hwnd) {
    const LRESULT answer = askHost(hwnd, IPC_GETWND_PE, IPC_GETWND);
    HWND editor = reinterpret_cast<HWND>(answer);
    return static_cast<ULONG_PTR>(answer) <= 1 || !IsWindow(editor) ? nullptr : editor;
}

}  // namespace

void pointPlaylistEntries(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath) {
    HWND editor = playlistEditor(hwnd);
    if (editor == nullptr || lstrlenW(newPath) >= PE_INSERT_PATH_SIZE) {
        return;
    }
    fileToInsertW record = {};
    lstrcpynW(record.file, newPath, PE_INSERT_PATH_SIZE);
    // Each entry is read once; the list keeps its length through each
    // replacement.
    const LRESULT count = askHost(hwnd, 0, IPC_GETLISTLENGTH);
    for (int index = 0; index < count; ++index) {
        const wchar_t* entry = entryPath(hwnd, index);
        if (entry == nullptr) {
            return;
        }
        if (isSameFileName(entry, oldPath)) {
            record.index = index;
            if (!replaceEntry(hwnd, editor, record, oldPath)) {
                return;
            }
        }
    }
}

// An entry that no longer names the file when its turn comes (the list
// changed meanwhile) is left, and not noted.
void removePlaylistEntries(HWND hwnd, const wchar_t* path, ForgottenEntries& entries) {
    entries.count = 0;
    HWND editor = playlistEditor(hwnd);
    if (editor == nullptr) {
        return;
    }
    const LRESULT count = askHost(hwnd, 0, IPC_GETLISTLENGTH);
    for (int index = 0; index < count && entries.count < FORGOTTEN_ENTRIES_MAX; ++index) {
        const wchar_t* entry = entryPath(hwnd, index);
        if (entry == nullptr) {
            break;
        }
        if (isSameFileName(entry, path)) {
            entries.indexes[entries.count++] = index;
        }
    }
    int kept = entries.count;
    for (int i = entries.count; i-- > 0;) {
        if (entryNames(hwnd, entries.indexes[i], path)) {
            SendMessageW(editor, WM_USER, IPC_PE_DELETEINDEX, entries.indexes[i]);
        } else {
            --kept;
            for (int j = i; j < kept; ++j) {
                entries.indexes[j] = entries.indexes[j + 1];
            }
        }
    }
    entries.count = kept;
}

void putPlaylistEntriesBack(HWND hwnd, const wchar_t* path, const ForgottenEntries& entries) {
    HWND editor = playlistEditor(hwnd);
    if (editor == nullptr || entries.count == 0 || lstrlenW(path) >= PE_INSERT_PATH_SIZE) {
        return;
    }
    fileToInsertW record = {};
    lstrcpynW(record.file, path, PE_INSERT_PATH_SIZE);
    for (int i = 0; i < entries.count; ++i) {
        record.index = entries.indexes[i];
        COPYDATASTRUCT data = {IPC_PE_INSERTFILENAMEW, sizeof record, &record};
        SendMessageW(editor, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&data));
    }
}
