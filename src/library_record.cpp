// The library's record that follows a moved file. See library_record.h.
//
// The library's own requests can only add a record, which dates it today and
// drops columns, or remove one; only its database service changes a
// record's path in place. That change checks nothing, not even that another
// record has the path already, so the checks are made here, before and
// after. Whatever the library hands out (its records, the service) is given
// back.
#include "library_record.h"

#include <stdlib.h>

#include "host_interface.h"

namespace {

// Asked at each archive, not at start-up: the library may load after us.
Dispatchable* fetchFactory(HWND hwnd, const GUID& id) {
    const LRESULT manager = askHost(hwnd, 0, IPC_GET_API_SERVICE);
    if (static_cast<ULONG_PTR>(manager) <= IPC_NO_ANSWER_LIMIT) {
        return nullptr;
    }
    GUID service = id;
    void* arguments[] = {&service};
    return static_cast<Dispatchable*>(
        callService(reinterpret_cast<Dispatchable*>(manager), SERVICE_MANAGER_FETCH_FACTORY, arguments, 1));
}

bool hasRecord(Dispatchable* database, const wchar_t* path) {
    void* arguments[] = {&path};
    void* record = callService(database, LIBRARY_DATABASE_GET_RECORD, arguments, 1);
    if (record == nullptr) {
        return false;
    }
    void* given[] = {&record};
    callService(database, LIBRARY_DATABASE_FREE_RECORD, given, 1);
    return true;
}

void setPath(Dispatchable* database, const wchar_t* path, const wchar_t* newPath) {
    const char* field = "filename";
    void* arguments[] = {&path, &field, &newPath};
    callService(database, LIBRARY_DATABASE_SET_FIELD, arguments, 3);
}

// A record of the new path already (a stale one, of a file that was there
// once) keeps both records as they are: the library holds one record a path.
// A change that did not come out as asked is taken back.
void renameRecord(Dispatchable* database, const wchar_t* oldPath, const wchar_t* newPath) {
    if (!hasRecord(database, oldPath) || hasRecord(database, newPath)) {
        return;
    }
    setPath(database, oldPath, newPath);
    const bool renamed = hasRecord(database, newPath);
    if (renamed && !hasRecord(database, oldPath)) {
        callService(database, LIBRARY_DATABASE_SAVE, nullptr, 0);
    } else if (renamed) {
        setPath(database, newPath, oldPath);
    }
}

// Reads what only the library holds from a record it handed out; the date
// added is among its extended fields, pairs that end with a null key.
void readFields(const itemRecordW& record, LibraryFields& fields) {
    fields.held = true;
    fields.rating = record.rating;
    fields.playCount = record.playcount;
    fields.lastPlayed = static_cast<int>(record.lastplay);
    fields.dateAdded = 0;
    for (const extendedFieldW* field = record.extended; field != nullptr && field->key != nullptr; ++field) {
        if (lstrcmpiW(field->key, L"dateadded") == 0 && field->value != nullptr) {
            fields.dateAdded = static_cast<int>(_wtoi64(field->value));
        }
    }
}

void setNumber(Dispatchable* database, const wchar_t* path, const char* field, int value) {
    void* arguments[] = {&path, &field, &value};
    callService(database, LIBRARY_DATABASE_SET_INT_FIELD, arguments, 3);
}

// The database service, for the time of one change; null where the player
// has none. Give it back with closeDatabase.
Dispatchable* openDatabase(HWND hwnd, Dispatchable*& factory) {
    return openService(hwnd, LIBRARY_DATABASE_SERVICE, factory);
}

void closeDatabase(Dispatchable* factory, Dispatchable* database) {
    closeService(factory, database);
}

}  // namespace

void* callService(Dispatchable* service, int code, void** arguments, int count) {
    void* answer = nullptr;
    return service->dispatch(code, &answer, arguments, count) != 0 ? answer : nullptr;
}

Dispatchable* openService(HWND hwnd, const GUID& id, Dispatchable*& factory) {
    factory = fetchFactory(hwnd, id);
    if (factory == nullptr) {
        return nullptr;
    }
    int one = 1;
    void* arguments[] = {&one};
    return static_cast<Dispatchable*>(callService(factory, SERVICE_FACTORY_GET_INTERFACE, arguments, 1));
}

void closeService(Dispatchable* factory, Dispatchable* service) {
    if (service != nullptr) {
        void* given[] = {&service};
        callService(factory, SERVICE_FACTORY_RELEASE_INTERFACE, given, 1);
    }
}

void pointLibraryRecord(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath) {
    Dispatchable* factory;
    Dispatchable* database = openDatabase(hwnd, factory);
    if (database == nullptr) {
        return;
    }
    renameRecord(database, oldPath, newPath);
    closeDatabase(factory, database);
}

void removeLibraryRecord(HWND hwnd, const wchar_t* path, LibraryFields& fields) {
    fields = {};
    Dispatchable* factory;
    Dispatchable* database = openDatabase(hwnd, factory);
    if (database == nullptr) {
        return;
    }
    void* arguments[] = {&path};
    void* record = callService(database, LIBRARY_DATABASE_GET_RECORD, arguments, 1);
    if (record != nullptr) {
        readFields(*static_cast<itemRecordW*>(record), fields);
        void* given[] = {&record};
        callService(database, LIBRARY_DATABASE_FREE_RECORD, given, 1);
        callService(database, LIBRARY_DATABASE_REMOVE, arguments, 1);
        callService(database, LIBRARY_DATABASE_SAVE, nullptr, 0);
    }
    closeDatabase(factory, database);
}

// The add reads the tags from the file, dates the record now and counts no
// play; what only the library held is then set again. A record the library
// made meanwhile (a rescan found the file) gets the same.
void putLibraryRecordBack(HWND hwnd, const wchar_t* path, const LibraryFields& fields) {
    if (!fields.held) {
        return;
    }
    Dispatchable* factory;
    Dispatchable* database = openDatabase(hwnd, factory);
    if (database == nullptr) {
        return;
    }
    if (!hasRecord(database, path)) {
        void* arguments[] = {&path};
        callService(database, LIBRARY_DATABASE_ADD, arguments, 1);
    }
    if (hasRecord(database, path)) {
        setNumber(database, path, LIBRARY_FIELD_RATING, fields.rating);
        setNumber(database, path, LIBRARY_FIELD_PLAY_COUNT, fields.playCount);
        setNumber(database, path, LIBRARY_FIELD_LAST_PLAY, fields.lastPlayed);
        setNumber(database, path, LIBRARY_FIELD_DATE_ADDED, fields.dateAdded);
        callService(database, LIBRARY_DATABASE_SAVE, nullptr, 0);
    }
    closeDatabase(factory, database);
}
