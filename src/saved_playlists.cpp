// The library's saved playlists follow an archived file. See
// saved_playlists.h.
//
// The playlists service lists them; each is read once, whole, into a fixed
// buffer, and its lines are read as the player's loader reads them. One that
// names the file is written whole to a new file beside it, which then takes
// its place in one step, so that no playlist is ever left half written. The
// library's view holds the playlist it shows in memory and would write its
// stale copy over ours: it is asked to save first and told to read the file
// again after.
#include "saved_playlists.h"

#include <string.h>

#include "code_page.h"
#include "file_move.h"
#include "host_interface.h"
#include "library_record.h"
#include "path_rewrite.h"

namespace {

// A bigger playlist is left as it is.
constexpr size_t PLAYLIST_SIZE = 256 * 1024;
// A line longer than this leads to no path the player plays (it drops an
// entry whose full path does not fit MAX_PATH).
constexpr size_t LINE_SIZE = 2048;
// Changed lines in one playlist; one with more is left as it is.
constexpr size_t CHANGES_SIZE = 512;
constexpr size_t WRITTEN_SIZE = PATH_BUFFER_SIZE * MAX_ANSI_BYTES_PER_CHARACTER + 4;
constexpr wchar_t NEW_FILE_SUFFIX[] = L".tunestow-new";
constexpr size_t NOTE_HEADER = 4;   // the path's characters, the lines' count
constexpr size_t LINE_HEADER = 8;   // the offset, the new line's length, the old line's

enum Encoding { ENCODING_ANSI, ENCODING_UTF8, ENCODING_UTF16 };

// A part of the playlist that is written otherwise: its bytes, line end
// excluded, and what goes in their place.
struct Change {
    size_t at;
    size_t length;
    const unsigned char* bytes;
    size_t bytesLength;
};

unsigned char content[PLAYLIST_SIZE];
size_t contentSize;
size_t contentStart;   // after the byte order mark
Encoding encoding;
size_t unit;           // bytes of a code unit: 2 in UTF-16
Change changes[CHANGES_SIZE];
size_t changeCount;
// The new path as the playlist's encoding writes it.
unsigned char written[WRITTEN_SIZE];
size_t writtenLength;

// The action under way: the paths, and the notes it writes or reads.
const wchar_t* fromPath;
const wchar_t* toPath;
unsigned char* notesOut;
size_t notesUsed;
const unsigned char* notesIn;
size_t notesLength;

Dispatchable* playlists;
Dispatchable* callbacks;
bool viewOpen;

bool endsWith(const wchar_t* path, const wchar_t* ending) {
    const size_t length = wcslen(path);
    const size_t endingLength = wcslen(ending);
    return length > endingLength && isSameFileName(path + length - endingLength, ending);
}

bool isPlaylistFile(const wchar_t* path) {
    return endsWith(path, L".m3u8") || endsWith(path, L".m3u");
}

// The byte order mark decides, else the file's kind.
bool readPlaylist(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER size = {};
    DWORD read = 0;
    const bool whole = GetFileSizeEx(file, &size) && size.QuadPart <= static_cast<LONGLONG>(PLAYLIST_SIZE) &&
                       ReadFile(file, content, static_cast<DWORD>(size.QuadPart), &read, nullptr) &&
                       read == size.QuadPart;
    CloseHandle(file);
    if (!whole) {
        return false;
    }
    contentSize = read;
    contentStart = 0;
    unit = 1;
    encoding = endsWith(path, L".m3u8") ? ENCODING_UTF8 : ENCODING_ANSI;
    if (contentSize >= 3 && content[0] == 0xEF && content[1] == 0xBB && content[2] == 0xBF) {
        contentStart = 3;
        encoding = ENCODING_UTF8;
    } else if (contentSize >= 2 && content[0] == 0xFF && content[1] == 0xFE) {
        contentStart = 2;
        encoding = ENCODING_UTF16;
        unit = 2;
    }
    return contentSize % unit == 0;
}

// A .m3u takes the new path only as the ANSI code page holds it exactly,
// with no look-alike for a character it lacks.
bool encodeNewPath() {
    switch (encoding) {
    case ENCODING_ANSI:
        if (!toAnsiText(toPath, reinterpret_cast<char*>(written), WRITTEN_SIZE)) {
            return false;
        }
        writtenLength = strlen(reinterpret_cast<char*>(written));
        return true;
    case ENCODING_UTF8: {
        const int length = WideCharToMultiByte(CP_UTF8, 0, toPath, -1, reinterpret_cast<char*>(written),
                                               WRITTEN_SIZE, nullptr, nullptr);
        writtenLength = length > 0 ? static_cast<size_t>(length) - 1 : 0;
        return length > 1;
    }
    case ENCODING_UTF16:
        writtenLength = wcslen(toPath) * sizeof(wchar_t);
        memcpy(written, toPath, writtenLength);
        return writtenLength > 0;
    }
    return false;
}

// Lines are cut at CR or LF. In every ANSI code page and in UTF-8 those two
// bytes are never part of another character, so the bytes are cut before
// they are read as characters.
bool isLineEnd(size_t at) {
    const unsigned value = unit == 2 ? content[at] | content[at + 1] << 8 : content[at];
    return value == '\r' || value == '\n';
}

size_t lineEnd(size_t at) {
    while (at < contentSize && !isLineEnd(at)) {
        at += unit;
    }
    return at;
}

// A line's text as wide characters; false for bytes the encoding does not
// hold, which name no file.
bool decodeLine(size_t at, size_t length, wchar_t (&text)[LINE_SIZE + 1]) {
    if (length > LINE_SIZE) {
        return false;
    }
    if (encoding == ENCODING_UTF16) {
        memcpy(text, content + at, length);
        text[length / 2] = L'\0';
        return true;
    }
    const UINT codePage = encoding == ENCODING_UTF8 ? CP_UTF8 : CP_ACP;
    const int count = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, reinterpret_cast<char*>(content + at),
                                          static_cast<int>(length), text, LINE_SIZE);
    text[count] = L'\0';
    return count > 0;
}

// The full path an entry leads to, as the player's loader makes it: an
// entry from the root takes the playlist's drive, any other relative one
// is joined to its folder; '.' and '..' resolved.
bool resolveEntry(const wchar_t* playlist, const wchar_t* entry, wchar_t (&full)[MAX_PATH]) {
    wchar_t joined[MAX_PATH + LINE_SIZE + 1];
    const size_t entryLength = wcslen(entry);
    size_t base = 0;
    if (entry[0] == L'\\' && entry[1] != L'\\') {
        if (playlist[0] == L'\0' || playlist[1] != L':') {
            return false;
        }
        base = 2;
    } else if (entry[0] != L'\\' && entry[0] != L'\0' && entry[1] != L':') {
        for (size_t i = 0; playlist[i] != L'\0'; ++i) {
            if (playlist[i] == L'\\') {
                base = i + 1;
            }
        }
    }
    memcpy(joined, playlist, base * sizeof(wchar_t));
    memcpy(joined + base, entry, (entryLength + 1) * sizeof(wchar_t));
    const DWORD length = GetFullPathNameW(joined, MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH;
}

// The old file's name in the playlist's own code units: an entry that
// leads to the old path holds it, whatever the way it leads there (the
// resolving takes away only folders, and blanks and dots at the end), so a
// line without it is passed over before it is read as characters. Letter
// case aside: ASCII letters match either case, and any unit beyond ASCII
// matches any other such unit, which keeps every case of every other
// letter. In a double-byte code page, where a second byte may be an ASCII
// letter, every line is read.
unsigned nameUnits[MAX_PATH * MAX_ANSI_BYTES_PER_CHARACTER];
size_t nameLength;
bool everyLineRead;

void encodeFromName() {
    const wchar_t* slash = wcsrchr(fromPath, L'\\');
    const wchar_t* name = slash != nullptr ? slash + 1 : fromPath;
    nameLength = 0;
    CPINFO codePage = {};
    everyLineRead = encoding == ENCODING_ANSI && (!GetCPInfo(CP_ACP, &codePage) || codePage.MaxCharSize > 1);
    if (encoding == ENCODING_UTF16) {
        for (; name[nameLength] != L'\0' && nameLength < MAX_PATH; ++nameLength) {
            nameUnits[nameLength] = name[nameLength];
        }
        return;
    }
    char bytes[MAX_PATH * MAX_ANSI_BYTES_PER_CHARACTER];
    if (encoding == ENCODING_ANSI ? !toAnsiText(name, bytes, sizeof bytes)
                                  : WideCharToMultiByte(CP_UTF8, 0, name, -1, bytes, sizeof bytes, nullptr,
                                                        nullptr) == 0) {
        return;   // no line names it exactly
    }
    for (; bytes[nameLength] != '\0'; ++nameLength) {
        nameUnits[nameLength] = static_cast<unsigned char>(bytes[nameLength]);
    }
}

bool unitsMatch(unsigned line, unsigned name) {
    const auto isLetter = [](unsigned c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; };
    return line == name || (line >= 0x80 && name >= 0x80) ||
           (isLetter(line) && isLetter(name) && (line | 0x20) == (name | 0x20));
}

unsigned unitAt(size_t at) {
    return unit == 2 ? content[at] | content[at + 1] << 8 : content[at];
}

bool lineMayHoldName(size_t at, size_t end) {
    if (everyLineRead) {
        return true;
    }
    const size_t nameBytes = nameLength * unit;
    for (size_t start = at; nameLength > 0 && start + nameBytes <= end; start += unit) {
        size_t i = 0;
        while (i < nameLength && unitsMatch(unitAt(start + i * unit), nameUnits[i])) {
            ++i;
        }
        if (i == nameLength) {
            return true;
        }
    }
    return false;
}

// Whether the line [at, at + length) is an entry that leads to the old path:
// blank lines and comments are none, leading spaces and tabs are skipped.
bool namesOldPath(const wchar_t* playlist, size_t at, size_t length) {
    wchar_t text[LINE_SIZE + 1];
    if (!decodeLine(at, length, text)) {
        return false;
    }
    const wchar_t* entry = text;
    while (*entry == L' ' || *entry == L'\t') {
        ++entry;
    }
    if (*entry == L'\0' || *entry == L'#') {
        return false;
    }
    wchar_t full[MAX_PATH];
    return resolveEntry(playlist, entry, full) && isSameFileName(full, fromPath);
}

// Every line of the old path, whole, to be written as the new path.
bool findEntries(const wchar_t* playlist) {
    changeCount = 0;
    encodeFromName();
    for (size_t at = contentStart; at < contentSize;) {
        const size_t end = lineEnd(at);
        if (end > at && lineMayHoldName(at, end) && namesOldPath(playlist, at, end - at)) {
            if (changeCount == CHANGES_SIZE) {
                return false;
            }
            changes[changeCount++] = {at, end - at, written, writtenLength};
        }
        at = end + unit;
    }
    return changeCount > 0;
}

bool writeBytes(HANDLE file, const unsigned char* bytes, size_t length) {
    DWORD done = 0;
    return length == 0 || (WriteFile(file, bytes, static_cast<DWORD>(length), &done, nullptr) && done == length);
}

// The playlist with the changes made, written whole to a new file beside
// it, which then takes its place in one step. A failure leaves the
// playlist as it was and no new file.
bool writePlaylist(const wchar_t* path) {
    wchar_t newFile[MAX_PATH + sizeof NEW_FILE_SUFFIX / sizeof(wchar_t)];
    lstrcpyW(newFile, path);
    lstrcatW(newFile, NEW_FILE_SUFFIX);
    HANDLE file = CreateFileW(newFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool whole = true;
    size_t from = 0;
    for (size_t i = 0; i < changeCount && whole; ++i) {
        whole = writeBytes(file, content + from, changes[i].at - from) &&
                writeBytes(file, changes[i].bytes, changes[i].bytesLength);
        from = changes[i].at + changes[i].length;
    }
    whole = whole && writeBytes(file, content + from, contentSize - from) && FlushFileBuffers(file);
    CloseHandle(file);
    if (whole && MoveFileExW(newFile, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileW(newFile);
    return false;
}

void putNumber(size_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) {
        notesOut[notesUsed++] = static_cast<unsigned char>(value >> (8 * i));
    }
}

size_t takeNumber(const unsigned char*& at, size_t bytes) {
    size_t value = 0;
    for (size_t i = 0; i < bytes; ++i) {
        value |= static_cast<size_t>(*at++) << (8 * i);
    }
    return value;
}

// What the undo needs of one playlist: its path, then for each changed line
// where the new line starts in the new file, its length, and the old bytes.
bool notePlaylist(const wchar_t* path) {
    const size_t pathLength = wcslen(path);
    size_t needed = NOTE_HEADER + pathLength * sizeof(wchar_t);
    for (size_t i = 0; i < changeCount; ++i) {
        needed += LINE_HEADER + changes[i].length;
    }
    if (needed > PLAYLIST_NOTES_SIZE - notesUsed) {
        return false;
    }
    putNumber(pathLength, 2);
    putNumber(changeCount, 2);
    memcpy(notesOut + notesUsed, path, pathLength * sizeof(wchar_t));
    notesUsed += pathLength * sizeof(wchar_t);
    // How far the lines before have moved the line, in unsigned arithmetic,
    // which comes out right however the lengths compare.
    size_t shift = 0;
    for (size_t i = 0; i < changeCount; ++i) {
        putNumber(changes[i].at + shift, 4);
        putNumber(writtenLength, 2);
        putNumber(changes[i].length, 2);
        memcpy(notesOut + notesUsed, content + changes[i].at, changes[i].length);
        notesUsed += changes[i].length;
        shift += writtenLength - changes[i].length;
    }
    return true;
}

bool pointPlaylist(const wchar_t* path) {
    if (!readPlaylist(path) || !encodeNewPath() || !findEntries(path)) {
        return false;
    }
    const size_t used = notesUsed;
    if (!notePlaylist(path)) {
        return false;
    }
    if (!writePlaylist(path)) {
        notesUsed = used;
        return false;
    }
    return true;
}

// The notes of the playlist at path; null where the archive changed none.
const unsigned char* findNotes(const wchar_t* path) {
    const unsigned char* end = notesIn + notesLength;
    for (const unsigned char* at = notesIn; at < end;) {
        const unsigned char* block = at;
        const size_t pathLength = takeNumber(at, 2);
        const size_t lines = takeNumber(at, 2);
        wchar_t notedPath[MAX_PATH];
        memcpy(notedPath, at, pathLength * sizeof(wchar_t));
        notedPath[pathLength] = L'\0';
        at += pathLength * sizeof(wchar_t);
        if (isSameFileName(notedPath, path)) {
            return block;
        }
        for (size_t i = 0; i < lines; ++i) {
            at += 4;
            takeNumber(at, 2);
            at += takeNumber(at, 2);
        }
    }
    return nullptr;
}

bool isNotedPlaylist(const wchar_t* path) {
    return findNotes(path) != nullptr;
}

// Whether [at, at + length) is a whole line that holds the new path as it
// was written.
bool holdsWrittenLine(size_t at, size_t length) {
    return length == writtenLength && at >= contentStart && at + length <= contentSize &&
           (at == contentStart || isLineEnd(at - unit)) && (at + length == contentSize || isLineEnd(at + length)) &&
           memcmp(content + at, written, length) == 0;
}

// Each noted line goes back where the line written there is still there.
bool restorePlaylist(const wchar_t* path) {
    const unsigned char* at = findNotes(path);
    if (at == nullptr || !readPlaylist(path) || !encodeNewPath()) {
        return false;
    }
    const size_t pathLength = takeNumber(at, 2);
    const size_t lines = takeNumber(at, 2);
    at += pathLength * sizeof(wchar_t);
    changeCount = 0;
    for (size_t i = 0; i < lines; ++i) {
        const size_t lineAt = takeNumber(at, 4);
        const size_t newLength = takeNumber(at, 2);
        const size_t oldLength = takeNumber(at, 2);
        if (holdsWrittenLine(lineAt, newLength)) {
            changes[changeCount++] = {lineAt, newLength, at, oldLength};
        }
        at += oldLength;
    }
    return changeCount > 0 && writePlaylist(path);
}

// The library's window, found by its name's message number, asked here and
// not at start-up: the library may load after us.
HWND findLibraryWindow(HWND hwnd) {
    const LRESULT number = askHost(hwnd, reinterpret_cast<WPARAM>(LIBRARY_GET_WND), IPC_REGISTER_WINAMP_IPCMESSAGE);
    if (static_cast<ULONG_PTR>(number) <= static_cast<ULONG_PTR>(IPC_REGISTER_WINAMP_IPCMESSAGE)) {
        return nullptr;
    }
    const LRESULT answer = askHost(hwnd, 0, number);
    HWND library = reinterpret_cast<HWND>(answer);
    return static_cast<ULONG_PTR>(answer) <= 1 || !IsWindow(library) ? nullptr : library;
}

bool isPlaylistViewOpen(HWND hwnd) {
    HWND library = findLibraryWindow(hwnd);
    return library != nullptr && SendMessageW(library, WM_ML_IPC, 0, ML_IPC_PLAYLIST_VIEW) != 0;
}

void sendPlaylistEvent(int message, size_t index, intptr_t value) {
    if (callbacks == nullptr) {
        return;
    }
    int type = PLAYLIST_EVENT;
    intptr_t first = static_cast<intptr_t>(index);
    void* arguments[] = {&type, &message, &first, &value};
    callService(callbacks, SYSTEM_CALLBACKS_SEND, arguments, 4);
}

// One saved playlist: the view saves what it holds of it first, and reads
// it again once changed.
void visitPlaylist(size_t index, bool (*concerns)(const wchar_t*), bool (*change)(const wchar_t*)) {
    void* arguments[] = {&index};
    const wchar_t* file = static_cast<const wchar_t*>(callService(playlists, PLAYLISTS_FILE, arguments, 1));
    wchar_t path[MAX_PATH];
    if (file == nullptr || wcslen(file) >= MAX_PATH - 1 || !isPlaylistFile(file)) {
        return;
    }
    lstrcpyW(path, file);
    if (!concerns(path)) {
        return;
    }
    if (viewOpen && fileExists(path)) {
        sendPlaylistEvent(PLAYLIST_EVENT_SAVE_NOW, index, 0);
    }
    if (change(path)) {
        sendPlaylistEvent(PLAYLIST_EVENT_SAVED, index, reinterpret_cast<intptr_t>(&content));
    }
}

// Every saved playlist, while the service is locked; then everything the
// player handed out is given back.
void visitPlaylists(HWND hwnd, bool (*concerns)(const wchar_t*), bool (*change)(const wchar_t*)) {
    Dispatchable* playlistsFactory;
    playlists = openService(hwnd, LIBRARY_PLAYLISTS_SERVICE, playlistsFactory);
    if (playlists == nullptr) {
        return;
    }
    Dispatchable* callbacksFactory;
    callbacks = openService(hwnd, SYSTEM_CALLBACKS_SERVICE, callbacksFactory);
    viewOpen = isPlaylistViewOpen(hwnd);
    callService(playlists, PLAYLISTS_LOCK, nullptr, 0);
    const size_t count = reinterpret_cast<size_t>(callService(playlists, PLAYLISTS_COUNT, nullptr, 0));
    for (size_t index = 0; index < count; ++index) {
        visitPlaylist(index, concerns, change);
    }
    callService(playlists, PLAYLISTS_UNLOCK, nullptr, 0);
    if (callbacks != nullptr) {
        closeService(callbacksFactory, callbacks);
    }
    closeService(playlistsFactory, playlists);
}

bool anyPlaylist(const wchar_t*) {
    return true;
}

}  // namespace

size_t pointSavedPlaylists(HWND hwnd, const wchar_t* oldPath, const wchar_t* newPath, unsigned char* notes) {
    fromPath = oldPath;
    toPath = newPath;
    notesOut = notes;
    notesUsed = 0;
    visitPlaylists(hwnd, anyPlaylist, pointPlaylist);
    return notesUsed;
}

void restoreSavedPlaylists(HWND hwnd, const wchar_t* newPath, const unsigned char* notes, size_t length) {
    if (length == 0) {
        return;
    }
    toPath = newPath;
    notesIn = notes;
    notesLength = length;
    visitPlaylists(hwnd, isNotedPlaylist, restorePlaylist);
}
