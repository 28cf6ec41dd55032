// The player's media library follows what the module does to a file: the
// record of a moved file is given its new path, in place, so that what only
// the library holds (the rating, the play count, the last play, the date
// added) stays the song's, and no dead record is left behind; the record of
// a discarded file goes, as the library's own removal of a file does, and
// comes back with what only the library held when the file does.
#pragma once

#include <windows.h>

#include "host_interface.h"

// Gives the library's record of oldPath (letter case aside, as the library
// matches paths) the path newPath, every other field as it was, when newPath
// has no record yet; then the library saves. Anything missing (the library,
// its database service, which players before 5.5 lack, the record) or a
// check that does not hold leaves the library as it is, and says nothing.
void pointLibraryRecord(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath);

// What only the library holds of a file, kept while its record is gone.
// Times in seconds since 1970, as the library keeps them.
struct LibraryFields {
    bool held;   // the library had a record of the file
    int rating;
    int playCount;
    int lastPlayed;
    int dateAdded;
};

// Removes the library's record of path, noting in fields what only it held;
// then the library saves. Without the library or its database service, or
// without a record, fields.held is false and nothing changes.
void removeLibraryRecord(HWND hwnd, const wchar_t* path, LibraryFields& fields);

// Gives the file at path its record back, as the library's scan adds one,
// with what only the library held; then the library saves.
void putLibraryRecordBack(HWND hwnd, const wchar_t* path, const LibraryFields& fields);

// The player's services, reached as the library's database is: a service's
// answer to code, pointer-sized, null where it did not know the code or
// answered none; a service by its GUID, for the time of one change, null
// where the player has none, with its factory; and the service given back
// to its factory (nothing for null).
void* callService(Dispatchable* service, int code, void** arguments, int count);
Dispatchable* openService(HWND hwnd, const GUID& id, Dispatchable*& factory);
void closeService(Dispatchable* factory, Dispatchable* service);
