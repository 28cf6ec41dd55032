// Playlist entries that follow a moved file. See playlist_entries.h.
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

}  // namespace

void pointPlaylistEntries(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath) {
    const LRESULT answer = askHost(hwnd, IPC_GETWND_PE, IPC_GETWND);
    HWND editor = reinterpret_cast<HWND>(answer);
    if (static_cast<ULONG_PTR>(answer) <= 1 || !IsWindow(editor) || lstrlenW(newPath) >= PE_INSERT_PATH_SIZE) {
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
