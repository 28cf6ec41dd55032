// The player's media library follows a file that the module moved: the
// library's record of the file's old path is given its new path, in place,
// so that what only the library holds (the rating, the play count, the last
// play, the date added) stays the song's, and no dead record is left behind.
#pragma once

#include <windows.h>

// Gives the library's record of oldPath (letter case aside, as the library
// matches paths) the path newPath, every other field as it was, when newPath
// has no record yet; then the library saves. Anything missing (the library,
// its database service, which players before 5.5 lack, the record) or a
// check that does not hold leaves the library as it is, and says nothing.
void pointLibraryRecord(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath);
