// What crosses the boundary between the player (the host) and a
// general-purpose plug-in: the record the host receives from the export, and
// the requests the plug-in sends to the host's main window. Written from the
// player's documented behaviour; both sides of our tests include it.
#pragma once

#include <windows.h>

// The plugin record. Seven pointer-sized fields, in this order; the host
// fills the last two before it calls init.
struct winampGeneralPurposePlugin {
    int version;                  // layout version the host expects
    const char* description;
    int (*init)();
    void (*config)();
    void (*quit)();
    HWND hwndParent;              // the host's main window
    HINSTANCE hDllInstance;       // this module's instance
};

constexpr int GPPHDR_VER = 0x10;

using winampGetGeneralPurposePluginFunction = winampGeneralPurposePlugin* (*)();

// Requests sent as WM_USER with the request number in lParam.
constexpr LPARAM IPC_ISPLAYING = 104;        // 1 playing, 3 paused, 0 stopped
constexpr LPARAM IPC_GETLISTPOS = 125;       // index of the current entry
constexpr LPARAM IPC_GETPLAYLISTFILE = 211;  // wParam entry index -> const char*
constexpr LPARAM IPC_GETINIFILE = 334;       // -> const char* full path
// The player keeps wide paths; the two requests above answer their
// conversion to the ANSI code page. Older players do not know these two.
constexpr LPARAM IPC_GETPLAYLISTFILEW = 214;  // wParam entry index -> const wchar_t*
constexpr LPARAM IPC_GETINIFILEW = 1334;      // -> const wchar_t* full path

// The playlist: its length, and its editor's window (wParam 1), which
// players before 2.9 do not know (0 or 1: no window).
constexpr LPARAM IPC_GETLISTLENGTH = 124;    // -> number of entries
constexpr LPARAM IPC_GETWND = 260;           // wParam which window -> HWND
constexpr WPARAM IPC_GETWND_PE = 1;          // the playlist editor

// The playlist editor takes its requests the other way round: WM_USER with
// the request number in wParam and its argument in lParam.
constexpr WPARAM IPC_PE_DELETEINDEX = 104;   // lParam the entry's index
// An entry is inserted with WM_COPYDATA to the editor window: dwData one of
// these, lpData the record, cbData its size. The file goes before the entry
// at index; an index at or past the end appends. The player does not check
// a negative index; an empty path is ignored. Entries at and after the index
// move down by one, the list position with them.
constexpr ULONG_PTR IPC_PE_INSERTFILENAME = 106;   // fileToInsert
constexpr ULONG_PTR IPC_PE_INSERTFILENAMEW = 114;  // fileToInsertW
constexpr int PE_INSERT_PATH_SIZE = 260;           // characters, the terminating zero included
struct fileToInsert {
    char file[PE_INSERT_PATH_SIZE];
    int index;
};
struct fileToInsertW {
    wchar_t file[PE_INSERT_PATH_SIZE];
    int index;
};

// What the player plays: every extension that a loaded input plug-in
// takes, upper case, without the dot, one a string, an empty string last
// ("MP3\0FLAC\0\0"), in a block from GlobalAlloc that the asker frees with
// GlobalFree (players since 5.0). The wide form answers null when no plug-in
// names an extension; a player that does not know the request answers 1.
// Plug-ins come and go while the player runs: ask when it is needed.
constexpr LPARAM IPC_GET_EXTLIST = 292;    // wParam 0 -> char block
constexpr LPARAM IPC_GET_EXTLISTW = 1292;  // wParam 0 -> wchar_t block

// The player's own record of the file it plays, which is not always the
// entry at the current position (an entry deleted or moved while it plays).
constexpr LPARAM IPC_GET_PLAYING_FILENAME = 3031;  // -> const wchar_t*
// Not a request: the player sends it to its main window when playback of a
// file begins, the file's wide path in wParam, valid during the message only.
constexpr LPARAM IPC_PLAYING_FILEW = 13003;

// wParam a name (const char*) -> a message number of the player's own for
// that name, the same for the same name in any letter case for the rest of
// the run, always above this request's number. Players before 5.0 answer 1
// (0 for no name): 65536 or less is no number.
constexpr LPARAM IPC_REGISTER_WINAMP_IPCMESSAGE = 65536;

// The player's Global Hotkeys plug-in adds an action to its list when it
// receives WM_USER with the number registered for "GenHotkeysAdd" in lParam
// and the address of this record in wParam. It copies the strings when it
// handles the message; a posted record must outlive the call. When the
// user's key is pressed it sends uMsg, wParam, lParam to wnd (NULL: the
// player's main window).
struct genHotkeysAddStruct {
    char* name;    // the text in the player's list of actions, "Category: Action"
    DWORD flags;   // 0: the message as given
    UINT uMsg;
    WPARAM wParam;
    LPARAM lParam;
    char* id;      // unique; the user's key is saved under it
    HWND wnd;
    int extended[6];
};
constexpr char GEN_HOTKEYS_ADD[] = "GenHotkeysAdd";

// Asks the host's main window: WM_USER with the request number in lParam.
inline LRESULT askHost(HWND hwnd, WPARAM wParam, LPARAM request) {
    return SendMessageA(hwnd, WM_USER, wParam, request);
}

// An answer to a path request at or below this value is no address.
constexpr ULONG_PTR IPC_NO_ANSWER_LIMIT = 65535;

// The host's buttons, sent as WM_COMMAND. Both are handled before the call
// returns: next track closes the playing file and opens the next one, or
// does nothing where there is no next track (the last entry, Repeat off);
// stop closes the playing file.
constexpr WPARAM WINAMP_BUTTON5 = 40048;       // next track
constexpr WPARAM WINAMP_BUTTON4 = 40047;       // stop

// The player's media library keeps a record of each file it knows, found by
// its path without regard to letter case: the tags, and what only it holds,
// the rating, the play count, the last play and the date added. Its window
// is found by the message number for this name (see
// IPC_REGISTER_WINAMP_IPCMESSAGE), sent as a request with wParam 0; a player
// without the library answers 0 or 1. Its own requests go to that window
// as WM_ML_IPC, the argument in wParam and the request number in lParam.
constexpr char LIBRARY_GET_WND[] = "LibraryGetWnd";
constexpr UINT WM_ML_IPC = WM_USER + 0x1000;
constexpr LPARAM ML_IPC_DB_RUNQUERY_FILENAME = 0x1702;  // mlQueryStructW*: 1 found, -1 none
constexpr LPARAM ML_IPC_DB_FREEQUERYRESULTS = 0x1705;   // the same mlQueryStructW*
constexpr LPARAM ML_IPC_DB_UPDATEITEMW = 0x1706;        // itemRecordW*: only an existing record
constexpr LPARAM ML_IPC_DB_ADDORUPDATEITEMW = 0x1707;   // itemRecordW*: a new record is dated today
constexpr LPARAM ML_IPC_DB_REMOVEITEMW = 0x1708;        // const wchar_t*: 1 done, -2 no record
constexpr LPARAM ML_IPC_DB_SYNCDB = 0x0709;             // writes the database

// A record as the library hands it out; its strings are the library's. Its
// extended fields are pairs, the last with a null key; the pointer to them
// may be null.
struct extendedFieldW {
    wchar_t* key;     // such as L"dateadded"
    wchar_t* value;   // the value as decimal text
};
struct itemRecordW {
    wchar_t* filename;
    wchar_t* title;
    wchar_t* ext;
    wchar_t* album;
    wchar_t* artist;
    wchar_t* comment;
    wchar_t* genre;
    wchar_t* albumartist;
    wchar_t* replaygain_album_gain;
    wchar_t* replaygain_track_gain;
    wchar_t* publisher;
    wchar_t* composer;
    int year;
    int track;
    int tracks;
    int length;
    int rating;
    int playcount;
    __time64_t lastplay;
    __time64_t lastupd;
    __time64_t filetime;
    int filesize;   // KB
    int bitrate;
    int type;
    int disc;
    int discs;
    int bpm;
    extendedFieldW* extended;
    wchar_t* category;
};
static_assert(sizeof(itemRecordW) == 128, "the library's record is 128 bytes");

struct itemRecordListW {
    itemRecordW* Items;
    int Size;
    int Alloc;
};
struct mlQueryStructW {
    const wchar_t* query;
    int max_results;
    itemRecordListW results;
};
static_assert(sizeof(mlQueryStructW) == 20, "the library's query is 20 bytes");

// The player's services (players since 5.5): the service manager answers
// this request on the main window (65535 or less: none). A service is an
// object whose one virtual method is dispatch, called as a member function
// (this-call): arguments[i] points at the i-th argument's value, result at
// room for a pointer-sized answer, which every call gets, also where none
// comes back. It answers non-zero when it knew the code.
constexpr LPARAM IPC_GET_API_SERVICE = 3025;
struct Dispatchable {
    virtual int dispatch(int code, void* result, void** arguments, int count) = 0;
};

// Service manager: the factory of the service with a GUID (one argument,
// the GUID itself), or null.
constexpr int SERVICE_MANAGER_FETCH_FACTORY = 50;
// Factory: its service object (one int argument, 1), and the object given
// back (one argument, the object).
constexpr int SERVICE_FACTORY_GET_INTERFACE = 300;
constexpr int SERVICE_FACTORY_RELEASE_INTERFACE = 310;
// The library's database service, there once the library has loaded.
constexpr GUID LIBRARY_DATABASE_SERVICE = {
    0x5a94dabc, 0xe19a, 0x4a12, {0x9a, 0xa8, 0x85, 0x2d, 0x8b, 0xf0, 0x65, 0x32}};
// Database service: a path's record (const wchar_t* path) -> itemRecordW*
// or null; that record given back; a field of a path's record set (the path,
// a const char* field name, a const wchar_t* value), with no answer:
// "filename" gives the record another path, in place, every other field
// kept, and checks nothing, not even that no other record has that path;
// and the database written (no arguments).
constexpr int LIBRARY_DATABASE_GET_RECORD = 10;
constexpr int LIBRARY_DATABASE_FREE_RECORD = 40;
constexpr int LIBRARY_DATABASE_SET_FIELD = 60;
constexpr int LIBRARY_DATABASE_SAVE = 70;
// And what puts a removed file's record back: the file's record added as the
// library's scan adds it (the path; its tags read from the file, dated now,
// played 0 times), an integer field of a path's record set (the path, a
// const char* field name, an int value; the field made where the record
// lacks it; no answer), and a path's record removed (the path).
constexpr int LIBRARY_DATABASE_ADD = 80;
constexpr int LIBRARY_DATABASE_SET_INT_FIELD = 61;
constexpr int LIBRARY_DATABASE_REMOVE = 90;
// The integer fields that only the library holds; times in seconds since
// 1970.
constexpr char LIBRARY_FIELD_RATING[] = "rating";
constexpr char LIBRARY_FIELD_PLAY_COUNT[] = "playcount";
constexpr char LIBRARY_FIELD_LAST_PLAY[] = "lastplay";
constexpr char LIBRARY_FIELD_DATE_ADDED[] = "dateadded";

// The library's saved playlists (players since 5.5), listed by its playlists
// service: locked, then counted and named by index, then unlocked; an index
// and a name hold only while it is locked. A playlist's file is a full path
// (const wchar_t*), the library's own until the unlock. The index file
// beside them holds no entries, and is the service's alone.
constexpr GUID LIBRARY_PLAYLISTS_SERVICE = {
    0x2dc3c390, 0xd9b8, 0x4a49, {0xb2, 0x30, 0xef, 0x24, 0x0a, 0xdd, 0xdc, 0xdb}};
constexpr int PLAYLISTS_LOCK = 10;          // no arguments
constexpr int PLAYLISTS_UNLOCK = 20;        // no arguments
constexpr int PLAYLISTS_COUNT = 50;         // no arguments -> size_t
constexpr int PLAYLISTS_FILE = 60;          // size_t index -> const wchar_t*

// The player's system callbacks: an event sent to whoever listens, on the
// calling thread, before the call returns (the event type, the message, and
// two values). The library's view holds the one playlist it shows in
// memory and writes it back when it closes: the first message asks the
// holder of a playlist to save it now, the second says that its file
// changed, and the view reads it again.
constexpr GUID SYSTEM_CALLBACKS_SERVICE = {
    0x57b7a1b6, 0x700e, 0x44ff, {0x9c, 0xb0, 0x70, 0xb9, 0x2b, 0xaf, 0x39, 0x59}};
constexpr int SYSTEM_CALLBACKS_SEND = 30;   // int type, int message, intptr_t, intptr_t
constexpr int PLAYLIST_EVENT = 0x706C6179;
constexpr int PLAYLIST_EVENT_SAVE_NOW = 60;   // the playlist's index, 0
constexpr int PLAYLIST_EVENT_SAVED = 50;      // the playlist's index, a value of the sender's own

// The library's request for its open playlist view: its window, or 0 when
// no playlist is open.
constexpr LPARAM ML_IPC_PLAYLIST_VIEW = 0x10A;
