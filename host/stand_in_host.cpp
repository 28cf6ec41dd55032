// The stand-in host's main window and its message-box watcher. See
// stand_in_host.h for what it is for.
#include "stand_in_host.h"

#include <stdio.h>
#include <string.h>

#include "../src/host_interface.h"
#include "stand_in_library.h"

StandInHost host;

namespace {

constexpr char WINDOW_CLASS[] = "Winamp v1.x";
constexpr wchar_t WINDOW_CLASS_W[] = L"Winamp v1.x";
constexpr char EDITOR_CLASS[] = "Winamp PE";
constexpr wchar_t EDITOR_CLASS_W[] = L"Winamp PE";
constexpr UINT WM_HOST_DIALOG_SHOWN = WM_APP + 1;
constexpr UINT WM_HOST_BOX_SHOWN = WM_APP + 2;
constexpr UINT WM_HOST_TRACK_STARTED = WM_APP + 3;   // a delayed next track took
constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;
constexpr int LIBRARY_TOP = 200;   // the library's list, below the playlist
// What the input plug-ins of a fresh player play. Lyrics, cue sheets,
// pictures, rip logs and playlists are none of them.
constexpr wchar_t DEFAULT_EXTENSIONS[] = L"MP3 MP2 MP1 AAC M4A MP4 FLAC OGG OGA OPUS WAV AIFF WMA WMV ASF WV APE "
                                         L"MPC MID MIDI RMI KAR MOD XM IT S3M CDA";

constexpr unsigned long long BLOCK_TAG_BASE = 0x54756E6573746F77ULL;   // mixed with a count: one tag a block

HANDLE releaseTimer;
HANDLE nextTrackTimers;    // a queue of its own, so that all pending moves end together
bool destroyingOnPurpose;  // hostDestroyWindow: the program's message loop goes on
HWND pendingDialog;
HMENU playerMenu;          // the "Player" menu, with Repeat's check mark
HMENU hotkeyMenu;          // the "Hotkeys" menu: one item per action
char iniFileAnswer[MAX_PATH];      // the narrow or wide form of the real settings path
wchar_t iniFileAnswerW[MAX_PATH];

// Where the entries' paths are kept. Every pointer of host.entries and
// host.entriesW names a slot of its own: the entries' first, in list order,
// then the free ones. An insert takes the first free one, a delete gives its
// own back behind the entries, so the list stays a reordering of the slots.
char narrowSlots[HOST_MAX_ENTRIES][HOST_MAX_PATH];
wchar_t wideSlots[HOST_MAX_ENTRIES][HOST_MAX_PATH];

void layOutEntries() {
    for (int i = 0; i < HOST_MAX_ENTRIES; ++i) {
        host.entries[i] = narrowSlots[i];
        host.entriesW[i] = wideSlots[i];
    }
}

// Before anything adds an entry, even before the first window.
const bool entriesLaidOut = (layOutEntries(), true);

// Makes room for a new entry before index, and takes the first free slot
// for it: only the pointers of the entries from index on move.
bool openEntry(int index) {
    if (host.entryCount == HOST_MAX_ENTRIES) {
        return false;
    }
    char* narrow = host.entries[host.entryCount];
    wchar_t* wide = host.entriesW[host.entryCount];
    const int after = host.entryCount - index;
    memmove(&host.entries[index + 1], &host.entries[index], after * sizeof host.entries[0]);
    memmove(&host.entriesW[index + 1], &host.entriesW[index], after * sizeof host.entriesW[0]);
    host.entries[index] = narrow;
    host.entriesW[index] = wide;
    ++host.entryCount;
    return true;
}

// Takes entry index out of the list; its slot becomes the first free one.
void closeEntry(int index) {
    char* narrow = host.entries[index];
    wchar_t* wide = host.entriesW[index];
    const int after = host.entryCount - index - 1;
    memmove(&host.entries[index], &host.entries[index + 1], after * sizeof host.entries[0]);
    memmove(&host.entriesW[index], &host.entriesW[index + 1], after * sizeof host.entriesW[0]);
    --host.entryCount;
    host.entries[host.entryCount] = narrow;
    host.entriesW[host.entryCount] = wide;
}

// Entries that fill an empty playlist refresh the record from the entry at
// position 0, as the player does, even while another file plays.
void addedEntry() {
    if (host.entryCount == 1) {
        lstrcpynW(host.playing, host.entriesW[0], HOST_MAX_PATH);
    }
}

// The platform's own conversions between the real (wide) paths and the
// ANSI code page; with no flags, the wide-to-narrow one uses look-alikes.
void toNarrow(const wchar_t* wide, char* narrow, int size) {
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, size, nullptr, nullptr) == 0) {
        narrow[0] = '\0';
    }
}

void toWide(const char* narrow, wchar_t* wide, int size) {
    if (MultiByteToWideChar(CP_ACP, 0, narrow, -1, wide, size) == 0) {
        wide[0] = L'\0';
    }
}

void logMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!host.logMessages) {
        return;
    }
    if (host.loggedCount < HOST_MAX_LOGGED) {
        host.logged[host.loggedCount] = {message, wParam, lParam};
    }
    ++host.loggedCount;
}

bool isEntry(WPARAM index) {
    return !host.answerNullPath && static_cast<int>(index) >= 0 &&
           static_cast<int>(index) < host.entryCount;
}

LRESULT answerIniFile() {
    if (!host.answerIniFile) {
        return 0;
    }
    if (host.iniFileW[0] == L'\0') {
        return reinterpret_cast<LRESULT>(host.iniFile);
    }
    toNarrow(host.iniFileW, iniFileAnswer, MAX_PATH);
    return reinterpret_cast<LRESULT>(iniFileAnswer);
}

LRESULT answerIniFileW() {
    if (!host.answerIniFile) {
        return 0;
    }
    if (host.iniFileW[0] != L'\0') {
        return reinterpret_cast<LRESULT>(host.iniFileW);
    }
    toWide(host.iniFile, iniFileAnswerW, MAX_PATH);
    return reinterpret_cast<LRESULT>(iniFileAnswerW);
}

// The player's record of the playing file, taken again from the entry at
// the position, which need not be the file that plays.
void refreshPlayingRecord() {
    const LONG at = host.position;
    if (at >= 0 && at < host.entryCount) {
        lstrcpynW(host.playing, host.entriesW[at], HOST_MAX_PATH);
    }
}

// The player marks the list changed, to save it on exit, and tells its main
// window, which here shows the list.
void playlistChanged() {
    showHostChange();
}

// A new entry before index, from its narrow or its real (wide) path.
bool putEntry(int index, const char* path) {
    if (!openEntry(index)) {
        return false;
    }
    snprintf(host.entries[index], HOST_MAX_PATH, "%s", path);
    toWide(host.entries[index], host.entriesW[index], HOST_MAX_PATH);
    return true;
}

bool putEntryW(int index, const wchar_t* path) {
    if (!openEntry(index)) {
        return false;
    }
    lstrcpynW(host.entriesW[index], path, HOST_MAX_PATH);
    toNarrow(host.entriesW[index], host.entries[index], HOST_MAX_PATH);
    return true;
}

// After an insert the position moves with the entry it named, and the
// record is taken from the entry there.
void insertedEntry(int index) {
    if (host.position >= index && host.position < MAXLONG) {
        ++host.position;
    }
    refreshPlayingRecord();
    playlistChanged();
}

// Where an insert before index goes: to the end for an index at or past it.
// The player does not check a negative index and would read outside its
// list; here it is noted and the insert dropped (-1).
int insertionPoint(int index) {
    if (index < 0) {
        ++host.badInsertIndex;
        return -1;
    }
    return index < host.entryCount ? index : host.entryCount;
}

// The record's path need not end within it: only what fits is read. An
// empty path is ignored.
void insertFile(const fileToInsert& record) {
    char path[PE_INSERT_PATH_SIZE];
    lstrcpynA(path, record.file, PE_INSERT_PATH_SIZE);
    const int index = insertionPoint(record.index);
    if (index >= 0 && path[0] != '\0' && putEntry(index, path)) {
        insertedEntry(index);
    }
}

void insertFileW(const fileToInsertW& record) {
    wchar_t path[PE_INSERT_PATH_SIZE];
    lstrcpynW(path, record.file, PE_INSERT_PATH_SIZE);
    const int index = insertionPoint(record.index);
    if (index >= 0 && path[0] != L'\0' && putEntryW(index, path)) {
        insertedEntry(index);
    }
}

// The editor's insert request, by WM_COPYDATA. An older player knows only
// the 8-bit record; a record cut short is not read.
void takeInsert(const COPYDATASTRUCT* data) {
    if (data == nullptr) {
        return;
    }
    const bool wide = data->dwData == IPC_PE_INSERTFILENAMEW;
    if (!wide && data->dwData != IPC_PE_INSERTFILENAME) {
        return;
    }
    ++host.requests.inserts;
    const DWORD size = wide ? sizeof(fileToInsertW) : sizeof(fileToInsert);
    if (host.editorIgnoresInsert || (wide && !host.unicode) || data->lpData == nullptr || data->cbData < size) {
        return;
    }
    if (wide) {
        insertFileW(*static_cast<const fileToInsertW*>(data->lpData));
    } else {
        insertFile(*static_cast<const fileToInsert*>(data->lpData));
    }
}

// Characters of an extension list, its last (empty) string included.
int extensionTextLength(const wchar_t* list) {
    int length = 0;
    while (list[length] != L'\0') {
        length += lstrlenW(list + length) + 1;
    }
    return length + 1;
}

bool isExtensionSeparator(wchar_t c) {
    return c == L',' || c == L' ' || c == L'\t';
}

// The extension blocks handed out, to tell whether the askers freed them.
// Under Wine, GlobalSize of a freed block answers 0, but the heap hands the
// same address to the next block of the same size, and freeing overwrites
// only a block's start, which the asker may have written itself. So each
// block ends with a tag of its own past the list's last string, where no
// reader looks: a block is still held while the heap has it at its size
// and the tag is there.
struct HandedBlock {
    const unsigned char* block;
    SIZE_T size;
    unsigned long long tag;
};
HandedBlock handedBlocks[HOST_MAX_EXTENSION_BLOCKS];
int handedBlockCount;
unsigned long long blocksIssued;

void* allocateExtensionBlock(SIZE_T textBytes) {
    return GlobalAlloc(GMEM_FIXED, textBytes + sizeof(unsigned long long));
}

// Tags a filled block and remembers it, forgetting the oldest when full.
void rememberExtensionBlock(void* block, SIZE_T textBytes) {
    const unsigned long long tag = BLOCK_TAG_BASE ^ (++blocksIssued * 0x9E3779B97F4A7C15ULL);
    unsigned char* bytes = static_cast<unsigned char*>(block);
    memcpy(bytes + textBytes, &tag, sizeof tag);
    if (handedBlockCount == HOST_MAX_EXTENSION_BLOCKS) {
        memmove(&handedBlocks[0], &handedBlocks[1], (HOST_MAX_EXTENSION_BLOCKS - 1) * sizeof handedBlocks[0]);
        --handedBlockCount;
    }
    handedBlocks[handedBlockCount++] = {bytes, textBytes + sizeof tag, tag};
}

bool extensionBlockHeld(const HandedBlock& handed) {
    if (GlobalSize(const_cast<unsigned char*>(handed.block)) != handed.size) {
        return false;
    }
    return memcmp(handed.block + handed.size - sizeof handed.tag, &handed.tag, sizeof handed.tag) == 0;
}

// The extension list in a block the asker frees with GlobalFree: a fixed
// block's handle is its address. Only wParam 0 asks for the list; the
// player answers another request for other values (its open dialog's
// filter), which here is no answer. An older player knows neither form, an
// ANSI one the narrow form only.
LRESULT answerExtensionList(WPARAM wParam, bool wide) {
    ++host.requests.getExtList;
    if (!host.knowsExtensionList || (wide && !host.unicode) || wParam != 0) {
        return 1;
    }
    if (host.extensions[0] == L'\0') {
        return 0;
    }
    const int length = extensionTextLength(host.extensions);
    if (wide) {
        void* block = allocateExtensionBlock(length * sizeof(wchar_t));
        if (block != nullptr) {
            memcpy(block, host.extensions, length * sizeof(wchar_t));
            rememberExtensionBlock(block, length * sizeof(wchar_t));
        }
        return reinterpret_cast<LRESULT>(block);
    }
    const int size = WideCharToMultiByte(CP_ACP, 0, host.extensions, length, nullptr, 0, nullptr, nullptr);
    char* block = size > 0 ? static_cast<char*>(allocateExtensionBlock(size)) : nullptr;
    if (block != nullptr &&
        WideCharToMultiByte(CP_ACP, 0, host.extensions, length, block, size, nullptr, nullptr) == 0) {
        GlobalFree(block);
        return 0;
    }
    if (block != nullptr) {
        rememberExtensionBlock(block, size);
    }
    return reinterpret_cast<LRESULT>(block);
}

// The player's own list of message numbers by name; an older player
// answers 1 (0 for no name).
LRESULT registerMessage(const char* name) {
    ++host.requests.registerMessage;
    if (name == nullptr) {
        return 0;
    }
    if (!host.unicode) {
        return 1;
    }
    const LPARAM known = hostRegisteredNumber(name);
    if (known != 0 || host.registeredCount == HOST_MAX_REGISTERED) {
        return known;
    }
    snprintf(host.registered[host.registeredCount], sizeof host.registered[0], "%s", name);
    return IPC_REGISTER_WINAMP_IPCMESSAGE + ++host.registeredCount;
}

// The hotkey plug-in copies the record's strings. An id added again takes
// the new message, but its name is left unset, as in the player's own
// plug-in.
void addHotkey(const genHotkeysAddStruct* record) {
    int index = 0;
    while (index < host.hotkeyCount && _stricmp(host.hotkeys[index].id, record->id) != 0) {
        ++index;
    }
    if (index == HOST_MAX_HOTKEYS) {
        return;
    }
    HostHotkey& hotkey = host.hotkeys[index];
    const bool again = index < host.hotkeyCount;
    snprintf(hotkey.name, sizeof hotkey.name, "%s", again ? "" : record->name);
    snprintf(hotkey.id, sizeof hotkey.id, "%s", record->id);
    hotkey.flags = record->flags;
    hotkey.message = record->uMsg;
    hotkey.wParam = record->wParam;
    hotkey.lParam = record->lParam;
    hotkey.window = record->wnd;
    if (again) {
        ModifyMenuA(hotkeyMenu, HOST_MENU_FIRST_HOTKEY + index, MF_BYCOMMAND | MF_STRING,
                    HOST_MENU_FIRST_HOTKEY + index, hotkey.name);
    } else {
        ++host.hotkeyCount;
        AppendMenuA(hotkeyMenu, MF_STRING, HOST_MENU_FIRST_HOTKEY + index, hotkey.name);
    }
    DrawMenuBar(host.window);
}

LRESULT answerRequest(WPARAM wParam, LPARAM lParam) {
    LRESULT libraryAnswer;
    if (answerLibraryRequest(wParam, lParam, &libraryAnswer)) {
        return libraryAnswer;
    }
    if (lParam > IPC_REGISTER_WINAMP_IPCMESSAGE && lParam == hostRegisteredNumber(GEN_HOTKEYS_ADD)) {
        addHotkey(reinterpret_cast<const genHotkeysAddStruct*>(wParam));
        return 0;
    }
    switch (lParam) {
    case IPC_ISPLAYING:
        ++host.requests.isPlaying;
        return host.playingState;
    case IPC_GETLISTPOS:
        ++host.requests.getListPos;
        return host.position;
    case IPC_GETLISTLENGTH:
        ++host.requests.getListLength;
        return host.entryCount;
    case IPC_GETWND:
        ++host.requests.getWnd;
        if (host.noEditorWindow) {
            return 1;   // a player before 2.9 does not know the request
        }
        return wParam == IPC_GETWND_PE ? reinterpret_cast<LRESULT>(host.editorWindow) : 0;
    case IPC_GETPLAYLISTFILE:
        ++host.requests.getPlaylistFile;
        return isEntry(wParam) ? reinterpret_cast<LRESULT>(host.entries[wParam]) : 0;
    case IPC_GETPLAYLISTFILEW:
        ++host.requests.getPlaylistFileW;
        if (!host.unicode) {
            return 1;
        }
        return isEntry(wParam) ? reinterpret_cast<LRESULT>(host.entriesW[wParam]) : 0;
    case IPC_GETINIFILE:
        ++host.requests.getIniFile;
        return answerIniFile();
    case IPC_GETINIFILEW:
        ++host.requests.getIniFileW;
        return host.unicode ? answerIniFileW() : 1;
    case IPC_REGISTER_WINAMP_IPCMESSAGE:
        return registerMessage(reinterpret_cast<const char*>(wParam));
    case IPC_GET_EXTLIST:
        return answerExtensionList(wParam, false);
    case IPC_GET_EXTLISTW:
        return answerExtensionList(wParam, true);
    case IPC_GET_PLAYING_FILENAME:
        ++host.requests.getPlayingFilename;
        // An older player does not know the request, and answers 1.
        return host.unicode ? reinterpret_cast<LRESULT>(host.playing) : 1;
    }
    return 1;   // the player's core answers 1 to any request it does not know
}

// The player's input closes the file it played; from any thread.
void letGoOfPlayingFile() {
    HANDLE file = InterlockedExchangePointer(&host.playingFile, nullptr);
    if (file != nullptr) {
        CloseHandle(file);
    }
}

// The file at the position starts: the old one is closed and the new one
// held open, the record names it, and a Unicode host announces it to its
// main window, through every hook on it, before it goes on.
void startEntryAtPosition() {
    const LONG playing = host.position;
    if (playing < 0 || playing >= host.entryCount) {
        return;
    }
    letGoOfPlayingFile();
    lstrcpynW(host.playing, host.entriesW[playing], HOST_MAX_PATH);
    if (host.holdsPlayingFile) {
        HANDLE file = CreateFileW(host.playing, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        host.playingFile = file == INVALID_HANDLE_VALUE ? nullptr : file;
    }
    host.playingState = 1;
    host.playingEntryGone = false;
    if (host.unicode) {
        SendMessageW(host.window, WM_USER, reinterpret_cast<WPARAM>(host.playing), IPC_PLAYING_FILEW);
    }
}

VOID CALLBACK releaseHeldFile(PVOID, BOOLEAN) {
    hostReleaseFile();
}

// The entry the next-track command goes to, or -1 for none: after the last
// entry the first, but only with Repeat on, which in a one-entry list starts
// the same file again.
LONG nextEntry(LONG current) {
    const LONG count = host.entryCount;
    if (count <= 0) {
        return -1;
    }
    if (current < count - 1) {
        return current < 0 ? 0 : current + 1;
    }
    return host.repeat ? 0 : -1;
}

// Whether there was an entry to go to.
bool moveToNextEntry() {
    LONG current;
    LONG next;
    do {
        current = host.position;
        next = nextEntry(current);
        if (next < 0) {
            return false;
        }
    } while (InterlockedCompareExchange(&host.position, next, current) != current);
    return true;
}

// On a thread of the pool: the old file is closed as the position moves,
// and the window's own thread starts the new one.
VOID CALLBACK moveToNextEntryLater(PVOID, BOOLEAN) {
    if (moveToNextEntry()) {
        letGoOfPlayingFile();
        PostMessageW(host.window, WM_HOST_TRACK_STARTED, 0, 0);
    }
}

// Waits for a move that is running, and drops those still to come.
void cancelDelayedMoves() {
    if (nextTrackTimers != nullptr) {
        DeleteTimerQueueEx(nextTrackTimers, INVALID_HANDLE_VALUE);
        nextTrackTimers = nullptr;
    }
}

// A real player answers the command at once and is on the next track a
// little later.
void playNextEntry() {
    ++host.requests.nextTrack;
    if (!host.positionStuck && host.nextTrackDelayMs > 0) {
        if (nextTrackTimers == nullptr) {
            nextTrackTimers = CreateTimerQueue();
        }
        HANDLE timer;
        CreateTimerQueueTimer(&timer, nextTrackTimers, moveToNextEntryLater, nullptr,
                              static_cast<DWORD>(host.nextTrackDelayMs), 0, WT_EXECUTEONLYONCE);
    } else if (!host.positionStuck && moveToNextEntry()) {
        startEntryAtPosition();
    }
    if (host.heldFile != nullptr && host.releaseDelayMs >= 0 && releaseTimer == nullptr) {
        CreateTimerQueueTimer(&releaseTimer, nullptr, releaseHeldFile, nullptr,
                              static_cast<DWORD>(host.releaseDelayMs), 0, WT_EXECUTEONLYONCE);
    }
}

// Stop closes the playing file at once; the position stays.
void stopPlayback() {
    ++host.requests.stop;
    if (host.stopIgnored) {
        return;
    }
    cancelDelayedMoves();
    letGoOfPlayingFile();
    host.playingState = 0;
}

void showRepeat() {
    CheckMenuItem(playerMenu, HOST_MENU_REPEAT, MF_BYCOMMAND | (host.repeat ? MF_CHECKED : MF_UNCHECKED));
}

// Shows the playlist with the playing entry marked, for a person trying the
// plug-in by hand.
void paintPlaylist(HWND hwnd) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    int y = 4;
    if (host.unicode && host.playing[0] != L'\0') {
        wchar_t line[HOST_MAX_PATH + 16];
        const int length = swprintf(line, HOST_MAX_PATH + 16, L"%ls: %ls",
                                    host.playingState == 1 ? L"Playing" : L"Stopped", host.playing);
        TextOutW(dc, 8, y, line, length < 0 ? 0 : length);
        y += 20;
    }
    if (host.entryCount == 0) {
        TextOutA(dc, 8, y, "The playlist is empty.", 22);
    }
    const int playlistBottom = paint.rcPaint.bottom < LIBRARY_TOP ? paint.rcPaint.bottom : LIBRARY_TOP - 8;
    for (int i = 0; i < host.entryCount && y < playlistBottom; ++i, y += 16) {
        const char* mark = i == host.position && !host.playingEntryGone ? ">" : " ";
        if (host.unicode) {
            wchar_t line[HOST_MAX_PATH + 16];
            const int length = swprintf(line, HOST_MAX_PATH + 16, L"%hs %d. %ls", mark, i + 1,
                                        host.entriesW[i]);
            TextOutW(dc, 8, y, line, length < 0 ? 0 : length);
        } else {
            char line[HOST_MAX_PATH + 16];
            const int length = snprintf(line, sizeof line, "%s %d. %s", mark, i + 1, host.entries[i]);
            TextOutA(dc, 8, y, line, length < 0 ? 0 : length);
        }
    }
    paintLibrary(dc, LIBRARY_TOP, paint.rcPaint.bottom);
    EndPaint(hwnd, &paint);
}

LRESULT CALLBACK hostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    logMessage(message, wParam, lParam);
    switch (message) {
    case WM_USER:
        return answerRequest(wParam, lParam);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case WINAMP_BUTTON5:
        case HOST_MENU_NEXT:
            playNextEntry();
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WINAMP_BUTTON4:
        case HOST_MENU_STOP:
            stopPlayback();
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case HOST_MENU_PLAY:
            hostPlay(host.position);
            return 0;
        case HOST_MENU_REPEAT:
            host.repeat = !host.repeat;
            showRepeat();
            return 0;
        case HOST_MENU_REMOVE_PLAYING:
            if (!host.playingEntryGone && host.entryCount > 0) {
                hostRemoveEntry(host.position);
            }
            return 0;
        case HOST_MENU_CONFIGURE:
            if (host.configurePlugin != nullptr) {
                host.configurePlugin();
            }
            return 0;
        case HOST_MENU_EXIT:
            DestroyWindow(hwnd);
            return 0;
        }
        if (LOWORD(wParam) >= HOST_MENU_FIRST_HOTKEY) {
            hostPressHotkey(LOWORD(wParam) - HOST_MENU_FIRST_HOTKEY);
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_DELETE) {   // as in the player's playlist
            SendMessageW(hwnd, WM_COMMAND, HOST_MENU_REMOVE_PLAYING, 0);
            return 0;
        }
        break;
    case WM_PAINT:
        paintPlaylist(hwnd);
        return 0;
    case WM_DESTROY:
        if (!destroyingOnPurpose) {
            PostQuitMessage(0);
        }
        return 0;
    case WM_HOST_DIALOG_SHOWN:
        if (host.onDialog != nullptr && pendingDialog != nullptr) {
            HWND dialog = pendingDialog;
            pendingDialog = nullptr;
            host.onDialog(dialog);
        }
        return 0;
    case WM_HOST_TRACK_STARTED:
        startEntryAtPosition();
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_HOST_BOX_SHOWN:
        if (host.onMessageBox != nullptr) {
            host.onMessageBox();
        }
        return 0;
    }
    if (host.unicode) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The playlist editor's window, hidden: the main window shows the list. Its
// requests come the other way round, the request number in wParam. It
// answers 0 whether it took a request or not: only the list tells.
LRESULT CALLBACK editorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_USER:
        if (wParam == IPC_PE_DELETEINDEX) {
            ++host.requests.deletes;
            hostRemoveEntry(static_cast<int>(lParam));
        }
        return 0;
    case WM_COPYDATA:
        takeInsert(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        return 0;
    }
    if (host.unicode) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void noteMessageBox(HWND box) {
    if (host.boxCount < HOST_MAX_BOXES) {
        HostMessageBox& note = host.boxes[host.boxCount];
        GetWindowTextA(box, note.caption, sizeof note.caption);
        GetDlgItemTextA(box, MESSAGE_BOX_TEXT_ID, note.text, sizeof note.text);
        note.hasOwner = GetWindow(box, GW_OWNER) != nullptr;
        note.okOnly = GetDlgItem(box, IDOK) != nullptr && GetDlgItem(box, IDCANCEL) == nullptr &&
                      GetDlgItem(box, IDYES) == nullptr && GetDlgItem(box, IDNO) == nullptr;
    }
    ++host.boxCount;
    if (!host.answerMessageBoxes) {
        return;
    }
    if (host.onMessageBox != nullptr) {
        PostMessageA(host.window, WM_HOST_BOX_SHOWN, 0, 0);
    }
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

// Message boxes and dialogs are both of the dialog class; only a message
// box has the static text with ID 0xFFFF.
LRESULT CALLBACK watchActivation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        char className[16] = "";
        GetClassNameA(window, className, sizeof className);
        if (strcmp(className, "#32770") == 0) {
            if (GetDlgItem(window, MESSAGE_BOX_TEXT_ID) != nullptr) {
                noteMessageBox(window);
            } else if (window != pendingDialog && host.onDialog != nullptr) {
                pendingDialog = window;
                PostMessageA(host.window, WM_HOST_DIALOG_SHOWN, 0, 0);
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Menus and window texts hold no character set of their own: the W
// functions serve both kinds of window. What makes a window Unicode is the
// procedure its class was registered with.
HMENU createMenu() {
    HMENU plugIn = CreatePopupMenu();
    playerMenu = plugIn;
    AppendMenuW(plugIn, MF_STRING, HOST_MENU_CONFIGURE, L"&Configure Tunestow...");
    AppendMenuW(plugIn, MF_STRING, HOST_MENU_PLAY, L"&Play");
    AppendMenuW(plugIn, MF_STRING, HOST_MENU_STOP, L"&Stop");
    AppendMenuW(plugIn, MF_STRING, HOST_MENU_NEXT, L"&Next track");
    AppendMenuW(plugIn, MF_STRING, HOST_MENU_REPEAT, L"R&epeat");
    AppendMenuW(plugIn, MF_STRING, HOST_MENU_REMOVE_PLAYING, L"&Remove the playing entry\tDel");
    AppendMenuW(plugIn, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(plugIn, MF_STRING, HOST_MENU_EXIT, L"E&xit");
    hotkeyMenu = CreatePopupMenu();
    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(plugIn), L"&Player");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(hotkeyMenu), L"&Hotkeys");
    return menu;
}

}  // namespace

void registerHostWindowClass(const char* name, const wchar_t* nameW, WNDPROC procedure, bool unicode) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HCURSOR arrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    if (unicode) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = nameW;
        windowClass.hCursor = arrow;
        windowClass.hbrBackground = background;
        RegisterClassW(&windowClass);
    } else {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = name;
        windowClass.hCursor = arrow;
        windowClass.hbrBackground = background;
        RegisterClassA(&windowClass);
    }
}

// A hidden main window, as in tests and benchmarks, has nothing to repaint,
// and under Wine the repaint alone costs a round trip to its server.
void showHostChange() {
    if (IsWindowVisible(host.window)) {
        InvalidateRect(host.window, nullptr, TRUE);
    }
}

HWND hostCreateWindow(bool unicode) {
    if (host.window != nullptr) {
        hostDestroyWindow();
    }
    registerHostWindowClass(WINDOW_CLASS, WINDOW_CLASS_W, hostWindowProc, unicode);
    registerHostWindowClass(EDITOR_CLASS, EDITOR_CLASS_W, editorWindowProc, unicode);
    host.unicode = unicode;
    host.registeredCount = 0;
    host.hotkeyCount = 0;
    host.window = CreateWindowW(WINDOW_CLASS_W, L"Stand-in host", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 640, 440, nullptr, createMenu(),
                                GetModuleHandleA(nullptr), nullptr);
    host.editorWindow = CreateWindowW(EDITOR_CLASS_W, L"Playlist editor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 280, 240, host.window, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
    createLibraryWindow(host.window, unicode);
    host.answerMessageBoxes = true;
    hostReset();
    return host.window;
}

// The timers stop first, while the window is there: a delayed move repaints
// it, and the release timer is cancelled only from the window's thread.
void hostDestroyWindow() {
    hostReleaseFile();
    letGoOfPlayingFile();
    cancelDelayedMoves();
    DestroyWindow(host.editorWindow);
    UnregisterClassW(EDITOR_CLASS_W, GetModuleHandleA(nullptr));
    host.editorWindow = nullptr;
    destroyLibraryWindow();
    destroyingOnPurpose = true;
    DestroyWindow(host.window);
    destroyingOnPurpose = false;
    UnregisterClassW(WINDOW_CLASS_W, GetModuleHandleA(nullptr));
    host.window = nullptr;
}

void hostReset() {
    hostReleaseFile();
    cancelDelayedMoves();
    letGoOfPlayingFile();
    host.playingState = 1;
    host.position = 0;
    host.positionStuck = false;
    host.stopIgnored = false;
    host.repeat = false;
    showRepeat();
    host.holdsPlayingFile = true;
    host.nextTrackDelayMs = 0;
    host.answerNullPath = false;
    host.entryCount = 0;
    layOutEntries();
    host.playing[0] = L'\0';
    host.playingEntryGone = false;
    host.noEditorWindow = false;
    host.editorIgnoresInsert = false;
    host.badInsertIndex = 0;
    host.requests = {};
    host.logMessages = true;
    host.loggedCount = 0;
    host.boxCount = 0;
    host.releaseDelayMs = -1;
    host.onDialog = nullptr;
    host.onMessageBox = nullptr;
    hostSetExtensions(DEFAULT_EXTENSIONS);
    host.knowsExtensionList = true;
    handedBlockCount = 0;
    resetLibrary();
}

void hostAddEntry(const char* path) {
    if (putEntry(host.entryCount, path)) {
        addedEntry();
    }
}

void hostAddEntryW(const wchar_t* path) {
    if (putEntryW(host.entryCount, path)) {
        addedEntry();
    }
}

void hostPlay(int index) {
    host.position = index;
    startEntryAtPosition();
    InvalidateRect(host.window, nullptr, TRUE);
}

void hostRemoveEntry(int index) {
    if (index < 0 || index >= host.entryCount) {
        return;
    }
    closeEntry(index);
    const bool playingEntry = index == host.position;
    if (playingEntry) {
        host.playingEntryGone = true;
    }
    if (index < host.position || (playingEntry && index > 0)) {
        --host.position;
    }
    if (!playingEntry) {
        refreshPlayingRecord();
    }
    playlistChanged();
}

void hostHoldPlayingFile(int releaseAfterMs) {
    hostReleaseFile();
    host.releaseDelayMs = releaseAfterMs;
    const LONG playing = host.position;
    if (playing < 0 || playing >= host.entryCount) {
        return;
    }
    HANDLE file = CreateFileW(host.entriesW[playing], GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    host.heldFile = file == INVALID_HANDLE_VALUE ? nullptr : file;
}

void hostReleaseFile() {
    HANDLE file = InterlockedExchangePointer(&host.heldFile, nullptr);
    if (file != nullptr) {
        CloseHandle(file);
    }
    if (releaseTimer != nullptr && GetCurrentThreadId() == GetWindowThreadProcessId(host.window, nullptr)) {
        DeleteTimerQueueTimer(nullptr, releaseTimer, nullptr);
        releaseTimer = nullptr;
    }
}

// Installed once: the watcher outlives the windows a program creates.
void hostWatchMessageBoxes() {
    static HHOOK watcher;
    if (watcher == nullptr) {
        watcher = SetWindowsHookExA(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
    }
}

// Each extension is copied up to the next separator and upper-cased in
// place; the list stops at the first that leaves no room for its own zero
// and the list's last one.
void hostSetExtensions(const wchar_t* list) {
    int at = 0;
    const wchar_t* c = list == nullptr ? L"" : list;
    while (*c != L'\0') {
        while (isExtensionSeparator(*c)) {
            ++c;
        }
        const wchar_t* start = c;
        while (*c != L'\0' && !isExtensionSeparator(*c)) {
            ++c;
        }
        const int length = static_cast<int>(c - start);
        if (length == 0) {
            break;
        }
        if (at + length + 2 > HOST_MAX_EXTENSION_TEXT) {
            break;
        }
        memcpy(&host.extensions[at], start, length * sizeof(wchar_t));
        CharUpperBuffW(&host.extensions[at], length);
        at += length;
        host.extensions[at++] = L'\0';
    }
    host.extensions[at] = L'\0';
}

int hostExtensionBlocksHeld() {
    int held = 0;
    for (int i = 0; i < handedBlockCount; ++i) {
        if (extensionBlockHeld(handedBlocks[i])) {
            ++held;
        }
    }
    return held;
}

LPARAM hostRegisteredNumber(const char* name) {
    for (int i = 0; i < host.registeredCount; ++i) {
        if (_stricmp(host.registered[i], name) == 0) {
            return IPC_REGISTER_WINAMP_IPCMESSAGE + 1 + i;
        }
    }
    return 0;
}

void hostRunPostedMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

void hostPressHotkey(int index) {
    if (index < 0 || index >= host.hotkeyCount) {
        return;
    }
    const HostHotkey& hotkey = host.hotkeys[index];
    SendMessageA(hotkey.window != nullptr ? hotkey.window : host.window, hotkey.message, hotkey.wParam,
                 hotkey.lParam);
}

int hostCountLogged(UINT message, WPARAM wParam, LPARAM lParam) {
    int count = 0;
    const int kept = host.loggedCount < HOST_MAX_LOGGED ? host.loggedCount : HOST_MAX_LOGGED;
    for (int i = 0; i < kept; ++i) {
        const HostLoggedMessage& entry = host.logged[i];
        count += entry.message == message && entry.wParam == wParam && entry.lParam == lParam;
    }
    return count;
}
