// The player told of a moved file. See move_notice.h.
#include "move_notice.h"

#include "library_record.h"
#include "playlist_entries.h"

void tellPlayerOfMove(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath) {
    pointPlaylistEntries(hwnd, oldPath, newPath);
    pointLibraryRecord(hwnd, oldPath, newPath);
}
