// A stand-in for the player: a main window that answers the plug-in's
// requests from a playlist of real files, counts them, logs what its own
// window procedure received, and answers every message box on its thread
// with OK after noting its caption and text, so that tests and benchmarks
// run without a person. It plays today's player, a Unicode program that
// answers the wide requests too, or an older ANSI one that knows only the
// narrow requests. As the player does, the Unicode one keeps its own record
// of the playing file, announces every file that starts to its main window,
// lets a playing entry be deleted while the file plays on, and runs the
// player's Global Hotkeys plug-in, to which plug-ins add actions. Both kinds
// have the playlist editor's window, hidden, which inserts and deletes
// entries for other plug-ins while playback goes on, as the player's does;
// both hold the playing file open while it plays, and play next and stop as
// the player does: next at the last entry does nothing unless Repeat is on.
// Like the player's core, both answer 1 to a request they do not know, so a
// plug-in that takes any answer for a real one is caught as it would be in
// the player.
#pragma once

#include <windows.h>

constexpr int HOST_MAX_ENTRIES = 16384;
constexpr int HOST_MAX_PATH = 1100;
constexpr int HOST_MAX_BOXES = 64;
constexpr int HOST_MAX_LOGGED = 512;
constexpr int HOST_MAX_REGISTERED = 64;
constexpr int HOST_MAX_HOTKEYS = 16;
constexpr int HOST_MAX_RECORDS = 2048;
constexpr int HOST_MAX_EXTENSION_TEXT = 1024;   // characters of the extension list, its last zero included
constexpr int HOST_MAX_EXTENSION_BLOCKS = 64;   // extension blocks remembered, the oldest forgotten first

struct HostMessageBox {
    char caption[128];
    char text[512];
    bool hasOwner;
    bool okOnly;   // one OK button, nothing to cancel
};

// An action in the hotkey plug-in's list, as it copied it from the record.
struct HostHotkey {
    char name[128];
    char id[64];
    DWORD flags;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    HWND window;
};

// A file's record in the media library: what only the library holds.
struct HostLibraryRecord {
    wchar_t path[HOST_MAX_PATH];
    int rating;
    int playCount;
    __time64_t lastPlayed;
    __time64_t dateAdded;
    unsigned key;   // the path's hash, letter case aside
};

// The player's media library, as it is to other plug-ins: a hidden window
// found by the name "LibraryGetWnd", which takes the library's requests,
// and, in a player since 5.5, its database service through the service
// manager. Both match paths as the library does, without regard to letter
// case, and find a path's first record: the library keeps one a path,
// unless another plug-in's unchecked path change left two. The add request
// dates every new record today and keeps only the path, the rating, the
// play count and the last play; the service's path change checks nothing.
// A record handed out has two extended fields, "cloud" and then
// "dateadded". The service also removes a path's first record (answering
// 1, or 0 for none), adds a record as the library's scan does (only for a
// file that is there and a path without one: dated now, never rated nor
// played; 1 added, 0 not), and sets the numbers only the library holds
// ("rating", "playcount", "lastplay", "dateadded"; no answer). Neither way
// of removing a record saves the database.
// Without the library the player answers 1 when asked for its window, as to
// any number nobody handles, and its service manager, which is the core's,
// is there without the database service; an older ANSI player does not
// know the service manager's request.
struct HostLibrary {
    bool present;                // false: no library, as a player without it
    bool databaseService;        // false: the service manager has no database service
    int recordCount;
    HostLibraryRecord records[HOST_MAX_RECORDS];
    long handedOut;              // records and service objects not given back
    long saves;                  // the database written, by either way
    long removals;               // records removed, by either way
    long requests;               // every request and service call the library received
};

struct HostLoggedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct HostRequestCounts {
    long isPlaying;
    long getListPos;
    long getPlaylistFile;
    long getIniFile;
    long nextTrack;
    long stop;
    long getPlaylistFileW;
    long getIniFileW;
    long getPlayingFilename;
    long registerMessage;
    long getListLength;
    long getWnd;                 // for any window
    long getExtList;             // the extension list, narrow and wide, any wParam
    long inserts;                // insert requests the editor window received, taken or not
    long deletes;                // delete requests the editor window received, taken or not
};

// The paths the host reports are real paths in wide characters; the narrow
// answers are what the platform makes of them in the ANSI code page, with
// look-alikes for letters it lacks ("Maori" for "Māori") and '?' for the
// rest, as the player's own narrow answers are. An ANSI host answers the
// wide requests with 1, as an older player that does not know them, and its
// editor takes only the insert with an 8-bit path.
struct StandInHost {
    HWND window;
    HWND editorWindow;           // the playlist editor's, made and destroyed with the main window
    bool unicode;                // the window is a Unicode window that answers wide requests
    int playingState;            // IPC_ISPLAYING answer: 1 playing, 3 paused, 0 stopped
    volatile LONG position;      // IPC_GETLISTPOS answer; a delayed next track moves it from another thread
    bool positionStuck;          // the next-track command leaves the position alone
    bool stopIgnored;            // the stop command leaves playback alone
    bool repeat;                 // the player's Repeat: next at the last entry goes to the first
    int nextTrackDelayMs;        // the position moves this long after the next-track command; 0 at once
    bool answerNullPath;         // IPC_GETPLAYLISTFILE and IPC_GETPLAYLISTFILEW answer null
    bool answerIniFile;          // false: IPC_GETINIFILE and (Unicode host) IPC_GETINIFILEW answer 0
    char iniFile[MAX_PATH];      // the real path while iniFileW is empty
    wchar_t iniFileW[MAX_PATH];  // when set, the real path; iniFile is then not used
    int entryCount;
    // The entries in list order. Each points at a path of HOST_MAX_PATH
    // characters kept in the host's own storage, so that an insert or a
    // delete in a long list moves pointers, not paths; the pointers past
    // entryCount hold the free room. Write a path through them, or swap two
    // of them (narrow and wide alike, to exchange two entries), but never
    // point one elsewhere. hostAddEntry fills both; text written into
    // entries directly changes the narrow answer only.
    char* entries[HOST_MAX_ENTRIES];       // the narrow answers
    wchar_t* entriesW[HOST_MAX_ENTRIES];   // the real paths
    // The player's record of the playing file (IPC_GET_PLAYING_FILENAME): set
    // when a file starts, from entry 0 when entries fill an empty list, and
    // from the entry at the position after the editor inserts an entry or
    // any entry but the playing one is deleted; deleting the playing entry
    // leaves it as it is.
    wchar_t playing[HOST_MAX_PATH];
    bool playingEntryGone;       // the playing entry was deleted; the file plays on
    bool noEditorWindow;         // IPC_GETWND answers 1, as a player before 2.9 that does not know it
    bool editorIgnoresInsert;    // the editor takes no insert, as a player that does not know the request
    long badInsertIndex;         // inserts with a negative index, which the player would not check: dropped
    HostRequestCounts requests;
    bool logMessages;
    int loggedCount;             // may exceed HOST_MAX_LOGGED; the log keeps the first ones
    HostLoggedMessage logged[HOST_MAX_LOGGED];
    int boxCount;
    HostMessageBox boxes[HOST_MAX_BOXES];
    // The playing file, held open with read sharing only, as the player's
    // input holds it, from its start until another file starts or playback
    // stops.
    HANDLE playingFile;
    bool holdsPlayingFile;       // false: an input that reads the whole file at its start holds none
    HANDLE heldFile;             // a second hold of it that outlasts the skip (hostHoldPlayingFile)
    int releaseDelayMs;          // after the next-track command; -1 never
    void (*onDialog)(HWND dialog);  // called from the dialog's modal loop once it shows
    void (*onMessageBox)();         // called from a message box's modal loop before OK
    bool answerMessageBoxes;        // false: a person answers them
    void (*configurePlugin)();      // the plug-in's configure routine, for the menu
    // For the run of the player (one main window): the message numbers it
    // gave by name (IPC_REGISTER_WINAMP_IPCMESSAGE, 65537 on), and the
    // actions in its Global Hotkeys plug-in's list, which is on its menu.
    int registeredCount;
    char registered[HOST_MAX_REGISTERED][64];
    int hotkeyCount;
    HostHotkey hotkeys[HOST_MAX_HOTKEYS];
    HostLibrary library;
    // What the player plays, as its input plug-ins name it: every extension
    // upper case, without the dot, one a string, an empty string last
    // ("MP3\0FLAC\0\0"). The request for it (wParam 0) gets a copy in a
    // block from GlobalAlloc that the asker frees (hostExtensionBlocksHeld
    // tells whether it did); an empty list answers null, as the player does
    // when no input plug-in names an extension.
    // Unicode hosts answer the wide request and the narrow one, ANSI hosts
    // the narrow one only.
    wchar_t extensions[HOST_MAX_EXTENSION_TEXT];
    bool knowsExtensionList;     // false: both requests answer 1, as a player before 5.0
};

extern StandInHost host;

// Menu commands of the main window.
constexpr UINT HOST_MENU_CONFIGURE = 1;
constexpr UINT HOST_MENU_NEXT = 2;
constexpr UINT HOST_MENU_EXIT = 3;
constexpr UINT HOST_MENU_REMOVE_PLAYING = 4;
constexpr UINT HOST_MENU_PLAY = 5;
constexpr UINT HOST_MENU_STOP = 6;
constexpr UINT HOST_MENU_REPEAT = 7;
constexpr UINT HOST_MENU_FIRST_HOTKEY = 100;   // one command per action in the hotkey list

// Registers the window class "Winamp v1.x", as the player's main window is
// known, and creates the (hidden) main window with its menu: a Unicode
// window, or an ANSI one for an older player. A window already there is
// destroyed first.
HWND hostCreateWindow(bool unicode = true);

// Destroys the main window without ending the program's message loop and
// unregisters its class, so that the other kind can be created.
void hostDestroyWindow();

// Empties the playlist, the library, the counts, the logs and the message
// boxes (the library is there again, with its database service), turns
// Repeat off, forgets the extension blocks it handed out, gives back the
// list of extensions a fresh player plays, and plays entry 0 again (an entry
// added later is not held until hostPlay starts it). The window and the INI
// file setting stay.
void hostReset();

// Adds an entry from its narrow path, or from its real (wide) path.
void hostAddEntry(const char* path);
void hostAddEntryW(const wchar_t* path);

// Starts playing entry index, as a double click on it does: the position,
// the record of the playing file and, in a Unicode host, the announcement to
// the main window, which passes through every hook on it.
void hostPlay(int index);

// Deletes entry index while playback goes on, as the player's Del key and
// its editor's delete request do: entries above the position take it back
// with them, and so does the entry at the position itself (to 0 for the
// first), which is then another file. The playing entry deleted, the record
// keeps naming its file; any other, the record is taken again from the entry
// at the position.
void hostRemoveEntry(int index);

// Sets the extensions the player plays from text that separates them with
// commas, spaces or both ("mp3,flac" or "MP3 FLAC"), upper-cased; the dot
// is not taken off. An empty text gives an empty list; extensions that do
// not fit are left out.
void hostSetExtensions(const wchar_t* list);

// How many of the extension blocks handed out since hostReset the askers
// have not freed yet; only the last HOST_MAX_EXTENSION_BLOCKS are
// remembered.
int hostExtensionBlocksHeld();

// The number the player gave for name, in any letter case; 0 if none.
LPARAM hostRegisteredNumber(const char* name);

// Handles what was posted to this thread's windows, as the player's message
// loop does once every plug-in has started, and before it unloads one.
void hostRunPostedMessages();

// Presses the key bound to action index of the hotkey list: its message is
// sent to its window, as the hotkey plug-in does on WM_HOTKEY.
void hostPressHotkey(int index);

// Opens the playing entry's file a second time, with read sharing only, for
// a player that lets the file go only some time after it moved on: after the
// next-track command it is let go after releaseAfterMs, from a thread-pool
// timer so that it happens even while the plug-in sleeps on the window's
// thread; -1 keeps it until hostReleaseFile.
void hostHoldPlayingFile(int releaseAfterMs);
void hostReleaseFile();

// Adds a record to the library, dated dateAdded (seconds since 1970),
// unless path has one already. With evenIfThere a second record of the path
// is added behind the others, as a library holds after another plug-in's
// unchecked path change gave a record a path that had one.
void hostAddLibraryRecord(const wchar_t* path, int rating, int playCount, __time64_t dateAdded,
                          __time64_t lastPlayed = 0, bool evenIfThere = false);

// The library's first record of path, letter case aside, or null.
const HostLibraryRecord* hostFindLibraryRecord(const wchar_t* path);

// Notes and answers message boxes, and finds dialogs, on this thread.
void hostWatchMessageBoxes();

// Number of messages of this kind the host's own window procedure received.
int hostCountLogged(UINT message, WPARAM wParam, LPARAM lParam);
