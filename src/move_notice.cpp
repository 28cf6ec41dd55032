// The player told of what the module did to a file. See move_notice.h.
#include "move_notice.h"

void tellPlayerOfMove(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath) {
    pointPlaylistEntries(hwnd, oldPath, newPath);
    pointLibraryRecord(hwnd, oldPath, newPath);
}

void tellPlayerOfDiscard(HWND hwnd, const wchar_t* path, ForgottenFile& forgotten) {
    removePlaylistEntries(hwnd, path, forgotten.entries);
    removeLibraryRecord(hwnd, path, forgotten.record);
}

void tellPlayerOfReturn(HWND hwnd, const wchar_t* path, const ForgottenFile& forgotten) {
    putPlaylistEntriesBack(hwnd, path, forgotten.entries);
    putLibraryRecordBack(hwnd, path, forgotten.record);
}
