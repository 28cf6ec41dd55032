// The stand-in host's media library: its window's requests, the service
// manager with the library's database service, and its list as the main
// window shows it. See HostLibrary in stand_in_host.h.
#include "stand_in_library.h"

#include <stdio.h>
#include <string.h>
#include <time.h>
#include <wchar.h>

#include "../src/host_interface.h"
#include "stand_in_host.h"
#include "stand_in_playlists.h"

namespace {

constexpr wchar_t LIBRARY_CLASS_W[] = L"Stand-in library";
constexpr char LIBRARY_CLASS[] = "Stand-in library";
constexpr int HANDED_RECORDS = 16;
constexpr __time64_t FILETIME_1970 = 116444736000000000LL;   // in 100 ns steps since 1601

HWND libraryWindow;
wchar_t cloudName[] = L"cloud";
wchar_t cloudValue[] = L"0";
wchar_t dateAddedName[] = L"dateadded";

// A record as the library hands it out: a copy, with its own strings, until
// it is given back. Its extended fields are pairs ended by a null key, and
// the date added is not the first of them, as in the library's records.
struct HandedRecord {
    bool used;
    itemRecordW item;
    extendedFieldW extended[3];
    wchar_t path[HOST_MAX_PATH];
    wchar_t dateAdded[24];
};
HandedRecord handed[HANDED_RECORDS];

// The library matches paths without regard to letter case: a hash of the
// upper-cased path finds the candidates, and only those are compared.
unsigned keyOf(const wchar_t* path) {
    wchar_t upper[HOST_MAX_PATH];
    lstrcpynW(upper, path, HOST_MAX_PATH);
    CharUpperBuffW(upper, lstrlenW(upper));
    unsigned key = 2166136261u;
    for (const wchar_t* c = upper; *c != L'\0'; ++c) {
        key = (key ^ *c) * 16777619u;
    }
    return key;
}

// The first record of path: where two records have one path, every request
// and service call finds, changes or removes the first of them.
int findRecord(const wchar_t* path) {
    if (path == nullptr) {
        return -1;
    }
    const unsigned key = keyOf(path);
    for (int i = 0; i < host.library.recordCount; ++i) {
        const HostLibraryRecord& record = host.library.records[i];
        if (record.key == key && lstrcmpiW(record.path, path) == 0) {
            return i;
        }
    }
    return -1;
}

void setRecordPath(HostLibraryRecord& record, const wchar_t* path) {
    lstrcpynW(record.path, path, HOST_MAX_PATH);
    record.key = keyOf(record.path);
}

void writeDecimal(__time64_t value, wchar_t* text) {
    wchar_t digits[24];
    int count = 0;
    const bool negative = value < 0;
    unsigned long long rest = negative ? 0ULL - static_cast<unsigned long long>(value) : value;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (negative) {
        *text++ = L'-';
    }
    while (count > 0) {
        *text++ = digits[--count];
    }
    *text = L'\0';
}

itemRecordW* handOut(const HostLibraryRecord& record) {
    for (HandedRecord& slot : handed) {
        if (slot.used) {
            continue;
        }
        slot = {};
        slot.used = true;
        lstrcpynW(slot.path, record.path, HOST_MAX_PATH);
        writeDecimal(record.dateAdded, slot.dateAdded);
        slot.extended[0] = {cloudName, cloudValue};
        slot.extended[1] = {dateAddedName, slot.dateAdded};
        slot.extended[2] = {nullptr, nullptr};
        slot.item.filename = slot.path;
        slot.item.rating = record.rating;
        slot.item.playcount = record.playCount;
        slot.item.lastplay = record.lastPlayed;
        slot.item.extended = slot.extended;
        ++host.library.handedOut;
        return &slot.item;
    }
    return nullptr;
}

void giveBack(const itemRecordW* item) {
    for (HandedRecord& slot : handed) {
        if (slot.used && &slot.item == item) {
            slot.used = false;
            --host.library.handedOut;
        }
    }
}

// The add request keeps only these columns, and a new record is dated now.
LRESULT addOrUpdate(const itemRecordW* item, bool mayAdd) {
    if (item == nullptr || item->filename == nullptr) {
        return 0;
    }
    int index = findRecord(item->filename);
    if (index < 0) {
        if (!mayAdd || host.library.recordCount == HOST_MAX_RECORDS) {
            return 0;
        }
        index = host.library.recordCount++;
        HostLibraryRecord& added = host.library.records[index];
        added = {};
        setRecordPath(added, item->filename);
        added.dateAdded = _time64(nullptr);
    }
    HostLibraryRecord& record = host.library.records[index];
    record.rating = item->rating;
    if (item->playcount >= 0) {
        record.playCount = item->playcount;
    }
    record.lastPlayed = item->lastplay;
    showHostChange();
    return 1;
}

// Removes the path's first record; false if it has none.
bool removeRecord(const wchar_t* path) {
    const int index = findRecord(path);
    if (index < 0) {
        return false;
    }
    HostLibrary& library = host.library;
    memmove(&library.records[index], &library.records[index + 1],
            (library.recordCount - index - 1) * sizeof library.records[0]);
    --library.recordCount;
    ++library.removals;
    showHostChange();
    return true;
}

// The library's scan takes a file that is there, and only one record a
// path: the new record is dated now, never rated nor played. Its tags would
// come from the file; the stand-in keeps none.
bool addScannedFile(const wchar_t* path) {
    if (path == nullptr || host.library.recordCount == HOST_MAX_RECORDS || findRecord(path) >= 0) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    HostLibraryRecord& record = host.library.records[host.library.recordCount++];
    record = {};
    setRecordPath(record, path);
    record.dateAdded = _time64(nullptr);
    showHostChange();
    return true;
}

LRESULT lookUp(mlQueryStructW* query) {
    if (query == nullptr) {
        return -1;
    }
    const int index = findRecord(query->query);
    itemRecordW* item = index < 0 ? nullptr : handOut(host.library.records[index]);
    if (item == nullptr) {
        return -1;
    }
    query->results = {item, 1, 1};
    return 1;
}

LRESULT freeResults(mlQueryStructW* query) {
    if (query != nullptr) {
        for (int i = 0; i < query->results.Size; ++i) {
            giveBack(&query->results.Items[i]);
        }
        query->results = {};
    }
    return 1;
}

LRESULT CALLBACK libraryWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ML_IPC) {
        ++host.library.requests;
        switch (lParam) {
        case ML_IPC_DB_RUNQUERY_FILENAME:
            return lookUp(reinterpret_cast<mlQueryStructW*>(wParam));
        case ML_IPC_DB_FREEQUERYRESULTS:
            return freeResults(reinterpret_cast<mlQueryStructW*>(wParam));
        case ML_IPC_DB_UPDATEITEMW:
            return addOrUpdate(reinterpret_cast<const itemRecordW*>(wParam), false);
        case ML_IPC_DB_ADDORUPDATEITEMW:
            return addOrUpdate(reinterpret_cast<const itemRecordW*>(wParam), true);
        case ML_IPC_DB_REMOVEITEMW:
            return removeRecord(reinterpret_cast<const wchar_t*>(wParam)) ? 1 : -2;
        case ML_IPC_DB_SYNCDB:
            ++host.library.saves;
            return 1;
        case ML_IPC_PLAYLIST_VIEW:
            return answerPlaylistView(hwnd);
        }
        return 0;
    }
    if (host.unicode) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The database service. A path's field set changes whatever record has the
// path, and checks nothing: "filename" may give it a path another record has.
// The add and the remove answer an int, 1 for done and 0 for not; the field
// sets answer nothing.
struct DatabaseService : Dispatchable {
    int dispatch(int code, void* result, void** arguments, int count) override {
        ++host.library.requests;
        void** answer = static_cast<void**>(result);
        switch (code) {
        case LIBRARY_DATABASE_GET_RECORD: {
            const int index = count >= 1 ? findRecord(*static_cast<const wchar_t**>(arguments[0])) : -1;
            *answer = index < 0 ? nullptr : handOut(host.library.records[index]);
            return 1;
        }
        case LIBRARY_DATABASE_FREE_RECORD:
            if (count >= 1) {
                giveBack(*static_cast<itemRecordW**>(arguments[0]));
            }
            return 1;
        case LIBRARY_DATABASE_SET_FIELD:
            if (count >= 3) {
                setField(*static_cast<const wchar_t**>(arguments[0]), *static_cast<const char**>(arguments[1]),
                         *static_cast<const wchar_t**>(arguments[2]));
            }
            return 1;
        case LIBRARY_DATABASE_SET_INT_FIELD:
            if (count >= 3) {
                setIntField(*static_cast<const wchar_t**>(arguments[0]), *static_cast<const char**>(arguments[1]),
                            *static_cast<int*>(arguments[2]));
            }
            return 1;
        case LIBRARY_DATABASE_ADD:
            *static_cast<int*>(result) = count >= 1 && addScannedFile(*static_cast<const wchar_t**>(arguments[0]));
            return 1;
        case LIBRARY_DATABASE_REMOVE:
            *static_cast<int*>(result) = count >= 1 && removeRecord(*static_cast<const wchar_t**>(arguments[0]));
            return 1;
        case LIBRARY_DATABASE_SAVE:
            ++host.library.saves;
            return 1;
        }
        return 0;
    }

    // Only the fields the library holds as numbers; another name changes
    // nothing.
    static void setIntField(const wchar_t* path, const char* field, int value) {
        const int index = findRecord(path);
        if (index < 0 || field == nullptr) {
            return;
        }
        HostLibraryRecord& record = host.library.records[index];
        if (strcmp(field, LIBRARY_FIELD_RATING) == 0) {
            record.rating = value;
        } else if (strcmp(field, LIBRARY_FIELD_PLAY_COUNT) == 0) {
            record.playCount = value;
        } else if (strcmp(field, LIBRARY_FIELD_LAST_PLAY) == 0) {
            record.lastPlayed = value;
        } else if (strcmp(field, LIBRARY_FIELD_DATE_ADDED) == 0) {
            record.dateAdded = value;
        } else {
            return;
        }
        showHostChange();
    }

    static void setField(const wchar_t* path, const char* field, const wchar_t* value) {
        const int index = findRecord(path);
        if (index < 0 || field == nullptr || value == nullptr) {
            return;
        }
        HostLibraryRecord& record = host.library.records[index];
        if (strcmp(field, "filename") == 0) {
            setRecordPath(record, value);
        } else if (strcmp(field, "rating") == 0) {
            record.rating = _wtoi(value);
        } else if (strcmp(field, "playcount") == 0) {
            record.playCount = _wtoi(value);
        } else if (strcmp(field, "lastplay") == 0) {
            record.lastPlayed = _wtoi64(value);
        }
        showHostChange();
    }
} database;

struct DatabaseFactory : Dispatchable {
    int dispatch(int code, void* result, void** arguments, int count) override {
        ++host.library.requests;
        void** answer = static_cast<void**>(result);
        if (code == SERVICE_FACTORY_GET_INTERFACE) {
            *answer = &database;
            ++host.library.handedOut;
            return 1;
        }
        if (code == SERVICE_FACTORY_RELEASE_INTERFACE) {
            if (count >= 1 && *static_cast<void**>(arguments[0]) == &database) {
                --host.library.handedOut;
            }
            return 1;
        }
        return 0;
    }
} factory;

// The player's service manager: the database service and the playlists
// service only while the library offers them; the system callbacks are the
// core's own.
struct ServiceManager : Dispatchable {
    int dispatch(int code, void* result, void** arguments, int count) override {
        ++host.library.requests;
        if (code != SERVICE_MANAGER_FETCH_FACTORY) {
            return 0;
        }
        if (count < 1) {
            *static_cast<void**>(result) = nullptr;
            return 1;
        }
        const GUID& id = *static_cast<GUID*>(arguments[0]);
        const bool wanted = IsEqualGUID(id, LIBRARY_DATABASE_SERVICE);
        *static_cast<void**>(result) = wanted && host.library.present && host.library.databaseService
                                           ? static_cast<Dispatchable*>(&factory)
                                           : playlistsFactoryFor(id);
        return 1;
    }
} serviceManager;

void writeDate(__time64_t seconds, wchar_t* text, int size) {
    const long long ticks = seconds * 10000000LL + FILETIME_1970;
    FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME day;
    if (!FileTimeToSystemTime(&time, &day)) {
        lstrcpynW(text, L"?", size);
        return;
    }
    swprintf(text, size, L"%04u-%02u-%02u", day.wYear, day.wMonth, day.wDay);
}

}  // namespace

void createLibraryWindow(HWND owner, bool unicode) {
    registerHostWindowClass(LIBRARY_CLASS, LIBRARY_CLASS_W, libraryWindowProc, unicode);
    libraryWindow = CreateWindowW(LIBRARY_CLASS_W, L"Media Library", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 280, 240, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void destroyLibraryWindow() {
    DestroyWindow(libraryWindow);
    UnregisterClassW(LIBRARY_CLASS_W, GetModuleHandleA(nullptr));
    libraryWindow = nullptr;
}

void resetLibrary() {
    HostLibrary& library = host.library;
    library.present = true;
    library.databaseService = true;
    library.recordCount = 0;
    library.handedOut = 0;
    library.saves = 0;
    library.removals = 0;
    library.requests = 0;
    resetPlaylists();
    for (HandedRecord& slot : handed) {
        slot.used = false;
    }
}

// The service manager is the core's own: a player since 5.5 has it with or
// without the library, which only adds its database service to it. An older
// ANSI player has none: it does not know the request and answers 1, as its
// core does to any request it does not know; so does the player without
// the library when asked for the library's window by a number nobody
// handles.
bool answerLibraryRequest(WPARAM wParam, LPARAM lParam, LRESULT* answer) {
    if (lParam == IPC_GET_API_SERVICE) {
        ++host.library.requests;
        *answer = host.unicode ? reinterpret_cast<LRESULT>(&serviceManager) : 1;
        return true;
    }
    if (wParam == 0 && lParam > IPC_REGISTER_WINAMP_IPCMESSAGE && lParam == hostRegisteredNumber(LIBRARY_GET_WND)) {
        ++host.library.requests;
        *answer = host.library.present ? reinterpret_cast<LRESULT>(libraryWindow) : 1;
        return true;
    }
    return false;
}

void paintLibrary(HDC dc, int y, int bottom) {
    TextOutW(dc, 8, y, L"Media library:", 14);
    y += 16;
    if (host.library.recordCount == 0) {
        TextOutW(dc, 8, y, L"  no records", 12);
    }
    for (int i = 0; i < host.library.recordCount && y < bottom; ++i, y += 16) {
        const HostLibraryRecord& record = host.library.records[i];
        wchar_t added[16];
        writeDate(record.dateAdded, added, 16);
        wchar_t line[HOST_MAX_PATH + 80];
        const int length = swprintf(line, HOST_MAX_PATH + 80, L"  %ls   rating %d, played %d, added %ls",
                                    record.path, record.rating, record.playCount, added);
        TextOutW(dc, 8, y, line, length < 0 ? 0 : length);
    }
}

void hostAddLibraryRecord(const wchar_t* path, int rating, int playCount, __time64_t dateAdded,
                          __time64_t lastPlayed, bool evenIfThere) {
    if (host.library.recordCount == HOST_MAX_RECORDS || (!evenIfThere && findRecord(path) >= 0)) {
        return;
    }
    HostLibraryRecord& record = host.library.records[host.library.recordCount++];
    setRecordPath(record, path);
    record.rating = rating;
    record.playCount = playCount;
    record.dateAdded = dateAdded;
    record.lastPlayed = lastPlayed;
    showHostChange();
}

const HostLibraryRecord* hostFindLibraryRecord(const wchar_t* path) {
    const int index = findRecord(path);
    return index < 0 ? nullptr : &host.library.records[index];
}
