// Figures for the plug-in as the player runs it: the real gen_tunestow.dll
// loaded into the stand-in host. What the hook costs on every message of the
// host's main window, what one click costs against the bare file-system work
// it stands for, what start-up costs, the module file itself, and two long
// soaks whose counts show that nothing is lost or garbled.
//
//   tunestow_bench.exe DLL [--quick]
//
// It prints figures and compares them with our goals; it never fails on a
// time. It exits with 1 only when a soak finds a wrong line or a lost file.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host_interface.h"
#include "settings_support.h"
#include "stand_in_host.h"
#include "test_files.h"

namespace {

constexpr UINT WM_TRAY = 3731;
constexpr UINT ICON_ID = 1024;

struct Scale {
    int hookRounds;
    int hookMessages;
    int clicks;
    int skipClicks;
    int startRounds;
    int scriptSoakClicks;
    int moveSoakFiles;
};
constexpr Scale FULL = {15, 100000, 300, 20, 200, 1000, 500};
constexpr Scale QUICK = {3, 20000, 40, 3, 20, 100, 30};

Scale scale = FULL;
const char* dllPath;
std::string work;   // ends in a backslash
WNDPROC hostProc;   // as read back from the host's window of the kind in use
bool soakFailed;

// ---- timing and reporting ----

double nowUs() {
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0) {
        QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void heading(const char* text) {
    printf("\n%s\n", text);
}

void row(const char* what, double value, const char* unit) {
    printf("  %-46s %12.3f %s\n", what, value, unit);
}

void ratioRow(const char* what, double ratio, double goal) {
    if (goal > 0) {
        printf("  %-46s %12.3f    goal <= %.2f: %s\n", what, ratio, goal,
               ratio <= goal ? "met" : "MISSED");
    } else {
        printf("  %-46s %12.3f    (for information)\n", what, ratio);
    }
}

void countRow(const char* what, long count) {
    printf("  %-46s %12ld\n", what, count);
}

void soakCheck(bool ok, const char* what) {
    printf("  %-46s %12s\n", what, ok ? "yes" : "NO");
    if (!ok) {
        soakFailed = true;
    }
}

// ---- files ----

// Every file below folder, as path relative to it -> contents.
void listFiles(const std::string& folder, const std::string& relative,
               std::vector<std::pair<std::string, std::string>>& found) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + relative + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            listFiles(folder, relative + name + "\\", found);
        } else {
            found.push_back({relative + name, readFile(folder + relative + name)});
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

void removeTree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(folder + name + "\\");
            } else {
                DeleteFileA((folder + name).c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// ---- the module in the host ----

// The window's procedure, read and set with the functions of its kind: on a
// Unicode window the A functions deal in a stand-in handle instead.
WNDPROC currentHostProc() {
    return reinterpret_cast<WNDPROC>(host.unicode ? GetWindowLongW(host.window, GWL_WNDPROC)
                                                  : GetWindowLongA(host.window, GWL_WNDPROC));
}

void setHostProc(WNDPROC procedure) {
    if (host.unicode) {
        SetWindowLongW(host.window, GWL_WNDPROC, reinterpret_cast<LONG>(procedure));
    } else {
        SetWindowLongA(host.window, GWL_WNDPROC, reinterpret_cast<LONG>(procedure));
    }
}

// A new main window of this kind, as an older (ANSI) or today's (Unicode)
// player has.
void useHostWindow(bool unicode) {
    if (host.window != nullptr) {
        hostDestroyWindow();
    }
    hostCreateWindow(unicode);
    hostProc = currentHostProc();
}

struct Module {
    HMODULE handle = nullptr;
    winampGeneralPurposePlugin* record = nullptr;
};

bool loadModule(Module& module) {
    module.handle = LoadLibraryA(dllPath);
    if (module.handle == nullptr) {
        return false;
    }
    auto getPlugin = reinterpret_cast<winampGetGeneralPurposePluginFunction>(
        reinterpret_cast<void*>(GetProcAddress(module.handle, "winampGetGeneralPurposePlugin")));
    if (getPlugin == nullptr) {
        return false;
    }
    module.record = getPlugin();
    module.record->hwndParent = host.window;
    module.record->hDllInstance = module.handle;
    return true;
}

void unloadModule(Module& module) {
    // The host's window must never call into a module that is gone, nor the
    // player's message loop read a record it posted.
    setHostProc(hostProc);
    hostRunPostedMessages();
    FreeLibrary(module.handle);
    module = Module();
}

// Loads and starts the module with these settings, a fresh host around it.
bool startModule(Module& module, int immediate, int next, const std::string& from,
                 const std::string& to, const std::string& script) {
    hostReset();
    host.logMessages = false;
    const std::string ini = work + "winamp.ini";
    writeFileBytes(ini, section({immediate, next, from, to, script}));
    snprintf(host.iniFile, sizeof host.iniFile, "%s", ini.c_str());
    host.answerIniFile = true;
    if (!loadModule(module)) {
        printf("cannot load %s (error %lu)\n", dllPath, GetLastError());
        return false;
    }
    module.record->init();
    return true;
}

void stopModule(Module& module) {
    module.record->quit();
    unloadModule(module);
}

void click() {
    SendMessageA(host.window, WM_TRAY, ICON_ID, WM_LBUTTONDOWN);
}

// ---- hook overhead ----

WNDPROC bareOld;

// The least a hook of this kind can cost: hand every message on, with the
// functions of the window's kind.
LRESULT CALLBACK bareSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(bareOld, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK bareSubclassW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(bareOld, hwnd, message, wParam, lParam);
}

// Traffic the host ignores and the plug-in must only pass on; the mouse
// passing over the icon is the tray message that arrives most often. A
// Unicode player sends it with SendMessageW.
double sendBurstNs(WNDPROC procedure, int count) {
    setHostProc(procedure);
    HWND window = host.window;
    decltype(&SendMessageA) send = host.unicode ? SendMessageW : SendMessageA;
    const double start = nowUs();
    for (int i = 0; i < count; ++i) {
        switch (i & 3) {
        case 0: send(window, WM_NULL, 0, 0); break;
        case 1: send(window, WM_USER + 77, i, i); break;
        case 2: send(window, WM_USER, 0, 0); break;
        case 3: send(window, WM_TRAY, ICON_ID, WM_MOUSEMOVE); break;
        }
    }
    const double took = nowUs() - start;
    setHostProc(hostProc);
    return took * 1000.0 / count;
}

void benchHookOverhead() {
    Module module;
    if (!startModule(module, 0, 0, "C:\\In\\", "D:\\Out\\", work + "unused.cmd")) {
        return;
    }
    // Whatever the module hooked with, read back as the window's kind sees it.
    const WNDPROC moduleProc = currentHostProc();
    setHostProc(hostProc);
    bareOld = hostProc;
    const WNDPROC procedures[3] = {hostProc, host.unicode ? bareSubclassW : bareSubclass, moduleProc};
    std::vector<double> times[3];
    std::vector<double> againstBare;
    std::vector<double> againstHost;
    sendBurstNs(moduleProc, scale.hookMessages / 10);   // warm up
    for (int round = 0; round < scale.hookRounds; ++round) {
        double ns[3];
        for (int k = 0; k < 3; ++k) {
            const int which = (round + k) % 3;   // each takes every place in turn
            ns[which] = sendBurstNs(procedures[which], scale.hookMessages);
            times[which].push_back(ns[which]);
        }
        againstBare.push_back(ns[2] / ns[1]);
        againstHost.push_back(ns[2] / ns[0]);
    }
    setHostProc(moduleProc);
    stopModule(module);

    const char* kind = host.unicode ? "W" : "A";
    printf("\nHook overhead on %s window: SendMessage%s of WM_NULL, WM_USER+77, WM_USER (no\n"
           "request) and the icon's WM_MOUSEMOVE, median of %d alternating rounds of %d messages\n",
           host.unicode ? "a Unicode" : "an ANSI", kind, scale.hookRounds, scale.hookMessages);
    char what[64];
    snprintf(what, sizeof what, "bare subclass (CallWindowProc%s only)", kind);
    row("unhooked host", median(times[0]), "ns/message");
    row(what, median(times[1]), "ns/message");
    row("module hooked", median(times[2]), "ns/message");
    ratioRow("module / bare subclass (median of rounds)", median(againstBare), 1.05);
    ratioRow("module / unhooked host (median of rounds)", median(againstHost), 0);
    row("module's extra cost over the bare subclass", median(times[2]) - median(times[1]), "ns/message");
}

// ---- one click ----

int levelsOf(const std::string& path) {
    return static_cast<int>(std::count(path.begin(), path.end(), '\\'));
}

// The same bytes as the module's lines: the header at the top of a new
// script, then the mkdir, the move unless the target is there, and the
// report (the benchmark's names hold no '%' to double).
void appendScriptLines(const char* script, const char* directory, const char* target, const char* source) {
    FILE* file = fopen(script, "ab");
    if (file == nullptr) {
        return;
    }
    fseek(file, 0, SEEK_END);
    if (ftell(file) == 0) {
        fputs(scriptHeader().c_str(), file);
    }
    fprintf(file,
            "mkdir \"%s\" 2>nul\r\nif not exist \"%s\" move \"%s\" \"%s\" >nul\r\nif exist \"%s\" (echo Not "
            "archived: \"%s\"& set /a notArchived+=1 >nul) else if not exist \"%s\" (echo Not found: \"%s\"& "
            "set /a notArchived+=1 >nul)\r\n",
            directory, target, source, directory, source, source, target, source);
    fclose(file);
}

// Every click's time and that of the bare work beside it, in the order made.
struct ClickOrder {
    std::vector<double> module;
    std::vector<double> bare;
};

// Returns the median of the module's clicks; the bare work's median in *bare.
double benchScriptClicks(int next, int clicks, double* bare, ClickOrder* order = nullptr) {
    const std::string in = work + "script\\in\\";
    const std::string out = work + "script\\out\\";
    const std::string script = work + "script\\archive.cmd";
    const std::string bareScript = work + "script\\bare.cmd";
    CreateDirectoryA((work + "script").c_str(), nullptr);
    DeleteFileA(script.c_str());
    DeleteFileA(bareScript.c_str());
    Module module;
    if (!startModule(module, 0, next, in, out, script)) {
        return 0;
    }
    const std::string directory = out + "Artist\\Album\\";
    std::vector<std::string> targets;
    for (int i = 0; i < 64; ++i) {
        const std::string name = "track " + std::to_string(i) + ".mp3";
        hostAddEntry((in + "Artist\\Album\\" + name).c_str());
        targets.push_back(directory + name);
    }
    std::vector<double> moduleUs;
    std::vector<double> bareUs;
    for (int i = 0; i < clicks; ++i) {
        const int entry = i % 64;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn ^ i) & 1) {
                hostPlay(entry);
                const double start = nowUs();
                click();
                moduleUs.push_back(nowUs() - start);
            } else {
                const double start = nowUs();
                appendScriptLines(bareScript.c_str(), directory.c_str(), targets[entry].c_str(),
                                  host.entries[entry]);
                bareUs.push_back(nowUs() - start);
            }
        }
    }
    if (order != nullptr) {
        order->module = moduleUs;
        order->bare = bareUs;
    }
    const bool sameBytes = readFile(script) == readFile(bareScript);
    const int boxes = host.boxCount;
    stopModule(module);
    if (!sameBytes || boxes != 0) {
        printf("  !! script clicks: %s, %d message boxes\n",
               sameBytes ? "same lines as the bare writes" : "lines DIFFER from the bare writes", boxes);
        soakFailed = true;
    }
    *bare = median(bareUs);
    return median(moduleUs);
}

// The least sound work of an immediate click beside the move: each entry of
// the playlist read once, through the module's hook as the click reads them,
// and one entry changed by an insert and a delete (here of an entry at the
// end, so that the list stays as it was).
void readAndChangePlaylist(const fileToInsertW& record) {
    for (int entry = 0; entry < host.entryCount; ++entry) {
        SendMessageA(host.window, WM_USER, entry, IPC_GETPLAYLISTFILEW);
    }
    COPYDATASTRUCT data = {IPC_PE_INSERTFILENAMEW, sizeof record, const_cast<fileToInsertW*>(&record)};
    SendMessageW(host.editorWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    SendMessageW(host.editorWindow, WM_USER, IPC_PE_DELETEINDEX, record.index);
}

// The player's extension list, asked for on every click as the module asks:
// its strings copied out of the player's block ("MP3\0FLAC\0\0") and the block
// given back. Empty when the player gave none.
std::wstring askForExtensions() {
    const LRESULT answer = SendMessageW(host.window, WM_USER, 0, IPC_GET_EXTLISTW);
    std::wstring list;
    if (static_cast<ULONG_PTR>(answer) > 65535) {
        const wchar_t* block = reinterpret_cast<const wchar_t*>(answer);
        const wchar_t* end = block;
        while (*end != L'\0') {
            end += wcslen(end) + 1;
        }
        list.assign(block, end);   // the empty string last is c_str()'s own
        GlobalFree(reinterpret_cast<HGLOBAL>(answer));
    }
    return list;
}

// A song is a file whose extension, the text after its name's last dot, is
// on the player's list in any letter case.
bool isSong(const std::wstring& extensions, const wchar_t* name) {
    const wchar_t* dot = wcsrchr(name, L'.');
    if (dot == nullptr) {
        return false;
    }
    for (const wchar_t* extension = extensions.c_str(); *extension != L'\0';
         extension += wcslen(extension) + 1) {
        if (lstrcmpiW(extension, dot + 1) == 0) {
            return true;
        }
    }
    return false;
}

// Lists folder up to its first song or folder: when it holds neither, every
// file in it is moved into target. False when it holds one: the folder stays,
// and nothing above it is tried.
bool moveWhatIsLeft(const std::wstring& extensions, const std::wstring& folder, const std::wstring& target) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::vector<std::wstring> left;
    bool stays = false;
    do {
        if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0) {
            continue;
        }
        stays = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || isSong(extensions, found.cFileName);
        if (!stays) {
            left.push_back(found.cFileName);
        }
    } while (!stays && FindNextFileW(search, &found));
    FindClose(search);
    if (!stays) {
        for (const std::wstring& name : left) {
            MoveFileW((folder + L"\\" + name).c_str(), (target + L"\\" + name).c_str());
        }
    }
    return !stays;
}

// The least sound work, after the move of source into targetFolder, of the
// files and folders it leaves behind: the player's extension list; with it,
// the song's own files (its name, an extension that is no song's) listed and
// moved along, and its old folder listed up to its first song or folder, all
// that is left in it moved when it holds neither. Then the old folder and
// each above it, up to the from-folder, is removed until one refuses, as
// before there was a list: a folder that still holds anything does. Paths
// without a backslash at the end.
void tidyOldFolders(const std::wstring& source, const std::wstring& targetFolder, const std::wstring& fromRoot) {
    const std::wstring extensions = askForExtensions();
    std::wstring folder = source.substr(0, source.rfind(L'\\'));
    std::wstring target = targetFolder;
    if (!extensions.empty()) {
        const std::wstring name = source.substr(folder.size() + 1);
        const std::wstring stem = name.substr(0, name.rfind(L'.'));
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\" + stem + L".*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const wchar_t* dot = wcsrchr(found.cFileName, L'.');
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && dot != nullptr &&
                    static_cast<size_t>(dot - found.cFileName) == stem.size() &&
                    _wcsnicmp(found.cFileName, stem.c_str(), stem.size()) == 0 && !isSong(extensions, found.cFileName)) {
                    MoveFileW((folder + L"\\" + found.cFileName).c_str(), (target + L"\\" + found.cFileName).c_str());
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    while (folder.size() > fromRoot.size()) {
        if (!extensions.empty() && !moveWhatIsLeft(extensions, folder, target)) {
            break;
        }
        if (!RemoveDirectoryW(folder.c_str())) {
            break;
        }
        folder.erase(folder.rfind(L'\\'));
        target.erase(target.rfind(L'\\'));
    }
}

// Whether the player answers the extension list's request with a list.
bool playerGivesExtensions() {
    return !askForExtensions().empty();
}

// The path without the backslash at its end, wide.
std::wstring folderW(const std::string& folder) {
    return widen(folder.substr(0, folder.size() - 1));
}

// The least sound work of one immediate click, timed: the move of source
// to target in directory, what it leaves behind (tidyOldFolders, up to root)
// and the playlist's one changed entry, named in record.
double timeBareMove(const std::string& directory, const std::string& source, const std::string& target,
                    const std::wstring& root, fileToInsertW& record) {
    const std::wstring sourceW = widen(source);
    const std::wstring directoryW = folderW(directory);
    lstrcpynW(record.file, widen(target).c_str(), PE_INSERT_PATH_SIZE);
    const double start = nowUs();
    CreateDirectoryA(directory.c_str(), nullptr);
    MoveFileA(source.c_str(), target.c_str());
    tidyOldFolders(sourceW, directoryW, root);
    readAndChangePlaylist(record);
    return nowUs() - start;
}

// Every file has its record in the player's library, which follows it. Every
// other click of the module's is made with the library gone, which tells the
// library's share: the median of those in *withoutLibrary.
double benchMoveClicks(int next, int clicks, double* bare, double* withoutLibrary, int* levels,
                       ClickOrder* order = nullptr) {
    const std::string root = work + "move" + std::to_string(next) + "\\";
    const std::string in = root + "in\\";
    const std::string out = root + "out\\";
    const std::string bareIn = root + "bare in\\";
    const std::string bareOut = root + "bare out\\";
    for (int i = 0; i < clicks; ++i) {
        const std::string name = "Artist\\track " + std::to_string(i) + ".mp3";
        writeFileBytes(in + name, "module " + std::to_string(i));
        writeFileBytes(bareIn + name, "bare " + std::to_string(i));
    }
    Module module;
    if (!startModule(module, 1, next, in, out, "")) {
        return 0;
    }
    for (int i = 0; i < clicks; ++i) {
        const std::wstring path = widen(in + "Artist\\track " + std::to_string(i) + ".mp3");
        hostAddEntryW(path.c_str());
        hostAddLibraryRecord(path.c_str(), i % 6, i, 1262304000 + i);
    }
    // Without the skip the file must be free to move: the move alone is
    // measured.
    host.holdsPlayingFile = next == 1;
    *levels = levelsOf(out + "Artist\\");
    std::vector<double> moduleUs[2];
    std::vector<double> bareUs;
    ClickOrder inOrder;
    const std::string bareDirectory = bareOut + "Artist\\";
    const std::wstring bareRoot = folderW(bareIn);
    CreateDirectoryA(bareOut.c_str(), nullptr);
    fileToInsertW bareRecord = {};
    bareRecord.index = host.entryCount;
    for (int i = 0; i < clicks; ++i) {
        const std::string name = "Artist\\track " + std::to_string(i) + ".mp3";
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn ^ i) & 1) {
                host.library.present = i % 4 < 2;
                hostPlay(i);
                const double start = nowUs();
                click();
                const double took = nowUs() - start;
                moduleUs[host.library.present].push_back(took);
                inOrder.module.push_back(took);
            } else {
                // The old folder holds the other songs until the last click.
                bareUs.push_back(timeBareMove(bareDirectory, bareIn + name, bareOut + name, bareRoot, bareRecord));
                inOrder.bare.push_back(bareUs.back());
            }
        }
    }
    const int boxes = host.boxCount;
    host.library.present = true;
    int recordsFollowed = 0;
    int recordsToFollow = 0;
    for (int i = 0; i < clicks; ++i) {
        const std::wstring target = widen(out + "Artist\\track " + std::to_string(i) + ".mp3");
        recordsFollowed += hostFindLibraryRecord(target.c_str()) != nullptr;
        recordsToFollow += i % 4 < 2;
    }
    stopModule(module);
    std::vector<std::pair<std::string, std::string>> moved;
    listFiles(out, "", moved);
    if (static_cast<int>(moved.size()) != clicks || boxes != 0 || recordsFollowed != recordsToFollow) {
        printf("  !! immediate clicks: %zu of %d files in the archive, %d records followed, %d message boxes\n",
               moved.size(), clicks, recordsFollowed, boxes);
        soakFailed = true;
    }
    removeTree(root);
    if (order != nullptr) {
        *order = inOrder;
    }
    *bare = median(bareUs);
    *withoutLibrary = median(moduleUs[0]);
    return median(moduleUs[1]);
}

constexpr int ALBUM_SONGS = 20;

struct AlbumFigures {
    double click;       // medians of every click
    double bare;
    double lastClick;   // of the clicks on an album's last song
    double lastBare;
    int albums;
    int covers;         // moved into the archive by the module
    int bareCovers;     // by the bare work
};

// Songs in album folders of 20 with a cover.jpg, clicked album by album, no
// library: the old folder's listing meets another song at once, until the
// album's last song, when the cover goes with it and the folder is removed;
// the artist's folder above it then holds the next album.
void benchAlbumClicks(int clicks, AlbumFigures* figures) {
    const std::string root = work + "albums\\";
    const std::string in = root + "in\\";
    const std::string out = root + "out\\";
    const std::string bareIn = root + "bare in\\";
    const std::string bareOut = root + "bare out\\";
    const auto album = [](int i) { return "Artist\\Album " + std::to_string(i / ALBUM_SONGS) + "\\"; };
    const auto song = [&](int i) { return album(i) + "track " + std::to_string(i % ALBUM_SONGS) + ".mp3"; };
    figures->albums = (clicks + ALBUM_SONGS - 1) / ALBUM_SONGS;
    for (int i = 0; i < clicks; ++i) {
        writeFileBytes(in + song(i), "module " + std::to_string(i));
        writeFileBytes(bareIn + song(i), "bare " + std::to_string(i));
        if (i % ALBUM_SONGS == 0) {
            writeFileBytes(in + album(i) + "cover.jpg", "cover");
            writeFileBytes(bareIn + album(i) + "cover.jpg", "cover");
        }
    }
    Module module;
    if (!startModule(module, 1, 0, in, out, "")) {
        return;
    }
    host.library.present = false;
    host.holdsPlayingFile = false;   // skipping off: the file must be free to move
    for (int i = 0; i < clicks; ++i) {
        hostAddEntryW(widen(in + song(i)).c_str());
    }
    std::vector<double> moduleUs, bareUs, lastModuleUs, lastBareUs;
    const std::wstring bareRoot = folderW(bareIn);
    CreateDirectoryA(bareOut.c_str(), nullptr);
    CreateDirectoryA((bareOut + "Artist").c_str(), nullptr);
    fileToInsertW bareRecord = {};
    bareRecord.index = host.entryCount;
    for (int i = 0; i < clicks; ++i) {
        const bool last = i % ALBUM_SONGS == ALBUM_SONGS - 1 || i == clicks - 1;
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn ^ i) & 1) {
                hostPlay(i);
                const double start = nowUs();
                click();
                moduleUs.push_back(nowUs() - start);
                if (last) {
                    lastModuleUs.push_back(moduleUs.back());
                }
            } else {
                bareUs.push_back(
                    timeBareMove(bareOut + album(i), bareIn + song(i), bareOut + song(i), bareRoot, bareRecord));
                if (last) {
                    lastBareUs.push_back(bareUs.back());
                }
            }
        }
    }
    const int boxes = host.boxCount;
    stopModule(module);
    int songs = 0;
    figures->covers = 0;
    figures->bareCovers = 0;
    for (int i = 0; i < clicks; ++i) {
        songs += readFile(out + song(i)) == "module " + std::to_string(i);
        if (i % ALBUM_SONGS == 0) {
            figures->covers += fileExists(out + album(i) + "cover.jpg");
            figures->bareCovers += fileExists(bareOut + album(i) + "cover.jpg");
        }
    }
    if (songs != clicks || boxes != 0) {
        printf("  !! album clicks: %d of %d songs in the archive, %d message boxes\n", songs, clicks, boxes);
        soakFailed = true;
    }
    removeTree(root);
    figures->click = median(moduleUs);
    figures->bare = median(bareUs);
    figures->lastClick = median(lastModuleUs);
    figures->lastBare = median(lastBareUs);
}

// The undo keeps the run's last 20 archives and forgets the oldest beyond
// them: a click past that bound must cost what one before it does. Each is
// taken against the bare work beside it, since both change as the archive's
// folder fills and the old one empties.
constexpr int UNDO_BOUND = 20;

double medianOf(const std::vector<double>& values, int first, int last) {
    return median(std::vector<double>(values.begin() + first, values.begin() + last));
}

void reportUndoBound(const char* mode, const ClickOrder& order) {
    const int clicks = static_cast<int>(order.module.size());
    if (clicks <= UNDO_BOUND || static_cast<int>(order.bare.size()) != clicks) {
        return;
    }
    const double firstClick = medianOf(order.module, 0, UNDO_BOUND);
    const double firstBare = medianOf(order.bare, 0, UNDO_BOUND);
    const double pastClick = medianOf(order.module, UNDO_BOUND, clicks);
    const double pastBare = medianOf(order.bare, UNDO_BOUND, clicks);
    char what[96];
    snprintf(what, sizeof what, "%s: clicks 1 to %d", mode, UNDO_BOUND);
    row(what, firstClick, "us");
    snprintf(what, sizeof what, "%s: clicks %d to %d", mode, UNDO_BOUND + 1, clicks);
    row(what, pastClick, "us");
    snprintf(what, sizeof what, "%s: clicks 1 to %d / bare", mode, UNDO_BOUND);
    ratioRow(what, firstClick / firstBare, 0);
    snprintf(what, sizeof what, "%s: clicks %d to %d / bare", mode, UNDO_BOUND + 1, clicks);
    ratioRow(what, pastClick / pastBare, 0);
    snprintf(what, sizeof what, "%s: past the undo's bound of %d", mode, UNDO_BOUND);
    ratioRow(what, (pastClick / pastBare) / (firstClick / firstBare), 0);
}

// What single file-system calls cost here, to tell where an immediate-mode
// click spends what the bare move does not.
void reportFileSystemCalls(int levels) {
    const std::string folder = work + "calls\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string file = folder + "present.mp3";
    writeFileBytes(file, "x");
    const std::string missing = folder + "missing.mp3";
    std::vector<double> mkdirUs, presentUs, missingUs, crowdedUs;
    // An archive folder fills up: Wine looks for a name it does not find
    // through the whole folder, since it must compare without case.
    const std::string crowded = folder + "crowded\\";
    for (int i = 0; i < scale.clicks; ++i) {
        writeFileBytes(crowded + "track " + std::to_string(i) + ".mp3", "x");
    }
    for (int i = 0; i < scale.clicks; ++i) {
        double start = nowUs();
        GetFileAttributesA((crowded + "missing.mp3").c_str());
        crowdedUs.push_back(nowUs() - start);
    }
    for (int i = 0; i < scale.clicks; ++i) {
        double start = nowUs();
        CreateDirectoryA(folder.c_str(), nullptr);
        mkdirUs.push_back(nowUs() - start);
        start = nowUs();
        GetFileAttributesA(file.c_str());
        presentUs.push_back(nowUs() - start);
        start = nowUs();
        GetFileAttributesA(missing.c_str());
        missingUs.push_back(nowUs() - start);
    }
    removeTree(folder);
    printf("  single calls, median of %d:\n", scale.clicks);
    row("  CreateDirectoryA of an existing folder", median(mkdirUs), "us");
    row("  GetFileAttributesA of an existing file", median(presentUs), "us");
    row("  GetFileAttributesA of a missing file", median(missingUs), "us");
    char what[96];
    snprintf(what, sizeof what, "  ... of a missing file among %d files", scale.clicks);
    row(what, median(crowdedUs), "us");
    snprintf(what, sizeof what, "  %d existing levels + 2 missing-file checks", levels);
    row(what, levels * median(mkdirUs) + median(missingUs) + median(crowdedUs), "us");
}

void benchClicks() {
    double bareScript = 0;
    ClickOrder scriptOrder;
    const double script = benchScriptClicks(0, scale.clicks, &bareScript, &scriptOrder);
    double bareMove = 0;
    double moveWithoutLibrary = 0;
    int levels = 0;
    ClickOrder moveOrder;
    const double move = benchMoveClicks(0, scale.clicks, &bareMove, &moveWithoutLibrary, &levels, &moveOrder);
    AlbumFigures albums = {};
    benchAlbumClicks(scale.clicks, &albums);

    printf("\nOne click, tray message to the end of the action, skipping off, median of %d clicks\n"
           "interleaved with the bare file-system work they stand for\n", scale.clicks);
    row("script mode: click", script, "us");
    row("script mode: fopen + fprintf + fclose", bareScript, "us");
    ratioRow("script mode: click / bare", script / bareScript, 1.25);
    char what[96];
    snprintf(what, sizeof what, "immediate mode: click (target %d folder levels)", levels);
    row(what, move, "us");
    snprintf(what, sizeof what, "... the library's requests (%.0f%% of the click)",
             100 * (move - moveWithoutLibrary) / move);
    row(what, move - moveWithoutLibrary, "us");
    row("immediate mode: move + listings + playlist", bareMove, "us");
    printf("  %-46s\n", "  (CreateDirectoryA + MoveFileA; the extension");
    printf("  %-46s\n", "   list asked for with 1292, walked and freed;");
    printf("  %-46s\n", "   the song's name listed in its old folder");
    printf("  %-46s\n", "   (stem.*), the old folder listed up to its");
    printf("  %-46s\n", "   first song or folder, no removal then;");
    printf("  %-46s\n", "   each entry read with 214, one insert and");
    printf("  %-46s\n", "   one delete)");
    if (!playerGivesExtensions()) {
        printf("  %-46s\n", "  (the host gave no extension list: nothing");
        printf("  %-46s\n", "   could be told a song, nothing was listed)");
    }
    ratioRow("immediate mode: click / bare", move / bareMove, 1.25);

    reportFileSystemCalls(levels);

    printf("\nOne click in immediate mode in album folders of %d songs and a cover.jpg, %d albums\n"
           "clicked one after the other, skipping off, no library, median of %d clicks interleaved\n"
           "with the same least sound work for that folder\n", ALBUM_SONGS, albums.albums, scale.clicks);
    row("albums: click", albums.click, "us");
    row("albums: move + listings + playlist", albums.bare, "us");
    ratioRow("albums: click / bare", albums.click / albums.bare, 1.25);
    snprintf(what, sizeof what, "  an album's last song: click (median of %d)", albums.albums);
    row(what, albums.lastClick, "us");
    row("  an album's last song: bare", albums.lastBare, "us");
    snprintf(what, sizeof what, "  covers moved by the click (of %d)", albums.albums);
    countRow(what, albums.covers);
    snprintf(what, sizeof what, "  covers moved by the bare work (of %d)", albums.albums);
    countRow(what, albums.bareCovers);

    printf("\nThe same runs of %d clicks, one run of the module each, past the undo's bound of %d\n"
           "(it keeps the last %d archives): the clicks after the %dth against the first %d, each\n"
           "against the bare work beside it; a list that copied its records on every click would\n"
           "show as a last ratio above 1\n", scale.clicks, UNDO_BOUND, UNDO_BOUND, UNDO_BOUND, UNDO_BOUND);
    reportUndoBound("script mode", scriptOrder);
    reportUndoBound("immediate mode", moveOrder);

    std::vector<double> sleeps;
    for (int i = 0; i < scale.skipClicks; ++i) {
        const double start = nowUs();
        Sleep(50);
        sleeps.push_back(nowUs() - start);
    }
    const double sleepMs = median(sleeps) / 1000;
    double unused = 0;
    const double scriptSkip = benchScriptClicks(1, scale.skipClicks, &unused) / 1000;
    const double moveSkip = benchMoveClicks(1, scale.skipClicks, &unused, &unused, &levels) / 1000;
    printf("\nOne click with skipping on, median of %d clicks\n", scale.skipClicks);
    row("Sleep(50) as measured here", sleepMs, "ms");
    row("script mode: click", scriptSkip, "ms");
    row("script mode: rest (less 2 waits and plain click)",
        scriptSkip - 2 * sleepMs - script / 1000, "ms");
    row("immediate mode: click", moveSkip, "ms");
    row("immediate mode: rest (less 2 waits, plain click)",
        moveSkip - 2 * sleepMs - move / 1000, "ms");
}

// ---- one discard ----

constexpr char DISCARD_ACTION[] = "Tunestow: Move the playing file to the Recycle Bin";

// The Recycle Bin of this run, as a Windows path ending in a backslash:
// Wine's bin is the freedesktop trash under XDG_DATA_HOME, which
// run-in-wine.sh points into the build tree. Empty where that is not set or
// names the user's own data folder: that trash is never touched here.
std::string trashFolder() {
    char unixFolder[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("XDG_DATA_HOME", unixFolder, sizeof unixFolder);
    if (length == 0 || length >= sizeof unixFolder) {
        return "";
    }
    char home[MAX_PATH];
    const DWORD homeLength = GetEnvironmentVariableA("HOME", home, sizeof home);
    if (homeLength > 0 && homeLength < sizeof home) {
        const std::string own = std::string(home) + "/.local/share";
        if (own == unixFolder || own + "/" == unixFolder) {
            return "";
        }
    }
    using DosName = wchar_t*(CDECL*)(const char*);
    const auto dosName = reinterpret_cast<DosName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    wchar_t* name = dosName != nullptr ? dosName(unixFolder) : nullptr;
    if (name == nullptr) {
        return "";
    }
    char folder[MAX_PATH];
    const int converted = WideCharToMultiByte(CP_ACP, 0, name, -1, folder, sizeof folder, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, name);
    if (converted == 0) {
        return "";
    }
    std::string trash = folder;
    if (!trash.empty() && trash.back() == '\\') {
        trash.pop_back();
    }
    return trash + "\\Trash\\";
}

// Empties the bin's files and info folders, which stay; returns how many
// items its files folder held.
int emptyTrash(const std::string& trash) {
    int items = 0;
    for (const char* part : {"files\\", "info\\"}) {
        const std::string folder = trash + part;
        WIN32_FIND_DATAA entry;
        HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE) {
            continue;
        }
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            items += part[0] == 'f';
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(folder + name + "\\");
            } else {
                DeleteFileA((folder + name).c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    return items;
}

// The least sound work of one discard, timed: the file to the bin by the
// shell, each entry of the playlist read once through the module's hook as
// the discard reads them, the file's entry deleted by the playlist editor,
// and its record removed by the library, which then saves.
double timeBareDiscard(const std::wstring& path, int entry, HWND library) {
    const double start = nowUs();
    wchar_t from[MAX_PATH + 1] = {};   // a list of paths, ending in an empty one
    lstrcpynW(from, path.c_str(), MAX_PATH);
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationW(&operation);
    for (int index = 0; index < host.entryCount; ++index) {
        SendMessageA(host.window, WM_USER, index, IPC_GETPLAYLISTFILEW);
    }
    SendMessageW(host.editorWindow, WM_USER, IPC_PE_DELETEINDEX, entry);
    SendMessageW(library, WM_ML_IPC, reinterpret_cast<WPARAM>(path.c_str()), ML_IPC_DB_REMOVEITEMW);
    SendMessageW(library, WM_ML_IPC, 0, ML_IPC_DB_SYNCDB);
    return nowUs() - start;
}

// The index of the discard's action in the player's hotkey list, -1 for
// none.
int discardHotkey() {
    for (int index = 0; index < host.hotkeyCount; ++index) {
        if (strcmp(host.hotkeys[index].name, DISCARD_ACTION) == 0) {
            return index;
        }
    }
    return -1;
}

// What the platform's calls that only the discard makes cost here, one at a
// time, to tell where its click spends what the bare work does not: the
// drive's checks, the temp file with its second name, COM started and
// stopped on a thread without it, and the bin opened and listed (empty).
void reportDiscardCalls() {
    const std::string folder = work + "discard calls\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::wstring folderW = widen(folder);
    const wchar_t root[] = {folderW[0], L':', L'\\', L'\0'};
    std::vector<double> driveUs, queryUs, linkUs, comUs, binUs;
    for (int i = 0; i < scale.clicks; ++i) {
        double start = nowUs();
        GetDriveTypeW(root);
        driveUs.push_back(nowUs() - start);

        start = nowUs();
        SHQUERYRBINFO bin = {};
        bin.cbSize = sizeof bin;
        SHQueryRecycleBinW(root, &bin);
        queryUs.push_back(nowUs() - start);

        start = nowUs();
        wchar_t probe[MAX_PATH];
        wchar_t second[MAX_PATH];
        GetTempFileNameW(folderW.c_str(), L"tsw", 0, probe);
        GetTempFileNameW(folderW.c_str(), L"tsw", 0, second);
        DeleteFileW(second);
        CreateHardLinkW(second, probe, nullptr);
        DeleteFileW(second);
        DeleteFileW(probe);
        linkUs.push_back(nowUs() - start);

        start = nowUs();
        const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(started)) {
            CoUninitialize();
        }
        comUs.push_back(nowUs() - start);
    }
    // The bin's listing, with COM kept started around it.
    const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (int i = 0; i < scale.clicks; ++i) {
        const double start = nowUs();
        PIDLIST_ABSOLUTE location = nullptr;
        IShellFolder* desktop = nullptr;
        IShellFolder2* bin = nullptr;
        if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &location)) &&
            SUCCEEDED(SHGetDesktopFolder(&desktop))) {
            desktop->BindToObject(location, nullptr, IID_IShellFolder2, reinterpret_cast<void**>(&bin));
        }
        IEnumIDList* items = nullptr;
        if (bin != nullptr && bin->EnumObjects(nullptr, SHCONTF_NONFOLDERS, &items) == S_OK) {
            PITEMID_CHILD item = nullptr;
            while (items->Next(1, &item, nullptr) == S_OK) {
                CoTaskMemFree(item);
            }
            items->Release();
        }
        if (bin != nullptr) {
            bin->Release();
        }
        if (desktop != nullptr) {
            desktop->Release();
        }
        CoTaskMemFree(location);
        binUs.push_back(nowUs() - start);
    }
    if (SUCCEEDED(started)) {
        CoUninitialize();
    }
    removeTree(folder);
    printf("  single calls that only the discard makes, median of %d:\n", scale.clicks);
    row("  GetDriveTypeW of the drive", median(driveUs) / 1000, "ms");
    row("  SHQueryRecycleBinW of the drive", median(queryUs) / 1000, "ms");
    row("  two temp names, a hard link, all removed", median(linkUs) / 1000, "ms");
    row("  CoInitializeEx + CoUninitialize", median(comUs) / 1000, "ms");
    row("  the bin opened and listed (empty)", median(binUs) / 1000, "ms");
}

// Songs of one artist's folder, each with its entry and its library record,
// discarded from the first entry on by the discard's key, interleaved with
// the bare work on files of their own, which stand in the same playlist and
// library behind them. The playlist and the library shrink alike on both
// sides; the bin is emptied after each, so that each finds it empty.
void benchDiscardClicks() {
    const int clicks = scale.clicks;
    printf("\nOne discard in immediate mode, skipping off (a discard skips all the same), the\n"
           "hotkey's message to the end of the action, median of %d clicks interleaved with the\n"
           "least sound work, the bin emptied after each\n", clicks);
    const std::string trash = trashFolder();
    if (trash.empty()) {
        printf("  not measured: XDG_DATA_HOME names no trash of the build tree\n");
        return;
    }
    const std::string root = work + "discard\\";
    const std::string in = root + "in\\";
    const std::string bareIn = root + "bare in\\";
    const std::string tail = root + "other.mp3";
    const auto name = [](int i) { return "Artist\\track " + std::to_string(i) + ".mp3"; };
    std::vector<std::wstring> modulePaths;
    std::vector<std::wstring> barePaths;
    for (int i = 0; i < clicks; ++i) {
        writeFileBytes(in + name(i), "module " + std::to_string(i));
        writeFileBytes(bareIn + name(i), "bare " + std::to_string(i));
        modulePaths.push_back(widen(in + name(i)));
        barePaths.push_back(widen(bareIn + name(i)));
    }
    writeFileBytes(tail, "other");
    Module module;
    if (!startModule(module, 1, 0, in, root + "out\\", "")) {
        return;
    }
    hostRunPostedMessages();
    const int action = discardHotkey();
    const LRESULT libraryNumber =
        SendMessageA(host.window, WM_USER, reinterpret_cast<WPARAM>(LIBRARY_GET_WND), IPC_REGISTER_WINAMP_IPCMESSAGE);
    HWND library = reinterpret_cast<HWND>(SendMessageA(host.window, WM_USER, 0, libraryNumber));
    if (action < 0 || !IsWindow(library)) {
        printf("  not measured: %s\n", action < 0 ? "the player's hotkey list has no discard" : "no library window");
        stopModule(module);
        removeTree(root);
        return;
    }
    host.holdsPlayingFile = false;
    for (const std::vector<std::wstring>* paths : {&modulePaths, &barePaths}) {
        for (int i = 0; i < clicks; ++i) {
            hostAddEntryW((*paths)[i].c_str());
            hostAddLibraryRecord((*paths)[i].c_str(), i % 6, i, 1262304000 + i);
        }
    }
    hostAddEntryW(widen(tail).c_str());   // the skip never meets the list's end
    emptyTrash(trash);
    ClickOrder order;
    int moduleBinned = 0;
    int bareBinned = 0;
    for (int i = 0; i < clicks; ++i) {
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn ^ i) & 1) {
                hostPlay(0);
                const double start = nowUs();
                hostPressHotkey(action);
                order.module.push_back(nowUs() - start);
                moduleBinned += emptyTrash(trash) == 1;
            } else {
                // Behind the bare file's entry: those of the files after it, and the last.
                const int entry = host.entryCount - 1 - (clicks - i);
                order.bare.push_back(timeBareDiscard(barePaths[i], entry, library));
                bareBinned += emptyTrash(trash) == 1;
            }
        }
    }
    const int boxes = host.boxCount;
    const int entriesLeft = host.entryCount;
    int recordsLeft = 0;
    int filesLeft = 0;
    for (int i = 0; i < clicks; ++i) {
        recordsLeft += hostFindLibraryRecord(modulePaths[i].c_str()) != nullptr;
        recordsLeft += hostFindLibraryRecord(barePaths[i].c_str()) != nullptr;
        filesLeft += fileExists(in + name(i)) + fileExists(bareIn + name(i));
    }
    stopModule(module);
    removeTree(root);
    if (moduleBinned != clicks || bareBinned != clicks || entriesLeft != 1 || recordsLeft != 0 ||
        filesLeft != 0 || boxes != 0) {
        printf("  !! discards: %d and %d of %d files in the bin, %d entries and %d records left, %d files left, "
               "%d message boxes\n",
               moduleBinned, bareBinned, clicks, entriesLeft - 1, recordsLeft, filesLeft, boxes);
        soakFailed = true;
    }
    std::vector<double> sleeps;
    for (int i = 0; i < scale.skipClicks; ++i) {
        const double start = nowUs();
        Sleep(50);
        sleeps.push_back(nowUs() - start);
    }
    const double click = median(order.module) / 1000;
    const double bare = median(order.bare) / 1000;
    const double sleepMs = median(sleeps) / 1000;
    row("discard: click", click, "ms");
    row("discard: recycle + playlist + library", bare, "ms");
    printf("  %-46s\n", "  (SHFileOperationW FO_DELETE with FOF_ALLOWUNDO,");
    printf("  %-46s\n", "   FOF_NOCONFIRMATION, FOF_SILENT and");
    printf("  %-46s\n", "   FOF_NOERRORUI; each entry read with 214,");
    printf("  %-46s\n", "   the file's entry deleted with 104; the");
    printf("  %-46s\n", "   record removed with 0x1708 and the library");
    printf("  %-46s\n", "   saved with 0x0709)");
    ratioRow("discard: click / bare", click / bare, 1.25);
    row("  Sleep(50) as measured here", sleepMs, "ms");
    row("  discard: click less the skip's 2 waits", click - 2 * sleepMs, "ms");
    ratioRow("  discard: click less the 2 waits / bare", (click - 2 * sleepMs) / bare, 0);
    reportDiscardCalls();
    printf("  past the undo's bound of %d discards, each against the bare work beside it:\n", UNDO_BOUND);
    reportUndoBound("discard", order);
}

// ---- the library's saved playlists ----

constexpr int SAVED_PLAYLISTS = 50;
constexpr int SAVED_PLAYLIST_ENTRIES = 100;

// The stand-in host's library lists HOST_MAX_PLAYLISTS saved playlists at
// most. A library of 50 is listed here by a playlists service of the
// benchmark's own, put in front of the player's service manager, which
// answers every other request; the view and the playlist events stay the
// host's.
std::vector<std::wstring> libraryPlaylists;
int libraryPlaylistsLocks;
Dispatchable* playerServices;

struct LibraryPlaylists : Dispatchable {
    int dispatch(int code, void* result, void** arguments, int count) override {
        const size_t listed = libraryPlaylists.size();
        switch (code) {
        case PLAYLISTS_LOCK:
            ++libraryPlaylistsLocks;
            return 1;
        case PLAYLISTS_UNLOCK:
            --libraryPlaylistsLocks;
            return 1;
        case PLAYLISTS_COUNT:
            *static_cast<size_t*>(result) = libraryPlaylistsLocks > 0 ? listed : 0;
            return 1;
        case PLAYLISTS_FILE: {
            const size_t index = count >= 1 ? *static_cast<size_t*>(arguments[0]) : listed;
            const bool held = libraryPlaylistsLocks > 0 && index < listed;
            *static_cast<const wchar_t**>(result) = held ? libraryPlaylists[index].c_str() : nullptr;
            return 1;
        }
        }
        return 0;
    }
} libraryPlaylistsService;

struct LibraryPlaylistsFactory : Dispatchable {
    int dispatch(int code, void* result, void**, int) override {
        if (code == SERVICE_FACTORY_GET_INTERFACE) {
            *static_cast<Dispatchable**>(result) = &libraryPlaylistsService;
            return 1;
        }
        return code == SERVICE_FACTORY_RELEASE_INTERFACE;
    }
} libraryPlaylistsFactory;

// Offered, as the player offers it, only while the library is there.
struct ServicesWithPlaylists : Dispatchable {
    int dispatch(int code, void* result, void** arguments, int count) override {
        if (code == SERVICE_MANAGER_FETCH_FACTORY && count >= 1 &&
            IsEqualGUID(*static_cast<GUID*>(arguments[0]), LIBRARY_PLAYLISTS_SERVICE)) {
            *static_cast<Dispatchable**>(result) = host.library.present ? &libraryPlaylistsFactory : nullptr;
            return 1;
        }
        return playerServices->dispatch(code, result, arguments, count);
    }
} servicesWithPlaylists;

// In place under the module's hook: the player's service manager, asked for
// on the host's window, is answered with the one above.
LRESULT CALLBACK playlistsSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT answer = host.unicode ? CallWindowProcW(hostProc, hwnd, message, wParam, lParam)
                                        : CallWindowProcA(hostProc, hwnd, message, wParam, lParam);
    if (message == WM_USER && lParam == IPC_GET_API_SERVICE &&
        static_cast<ULONG_PTR>(answer) > IPC_NO_ANSWER_LIMIT) {
        playerServices = reinterpret_cast<Dispatchable*>(answer);
        return reinterpret_cast<LRESULT>(&servicesWithPlaylists);
    }
    return answer;
}

std::string toUtf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
    return bytes;
}

// A saved playlist as the player writes a .m3u8: the byte order mark, the
// header, then each entry's length and title and its full path, every line
// ending in CR LF.
std::string savedPlaylistBytes(const std::vector<std::wstring>& entries) {
    std::string bytes = "\xEF\xBB\xBF#EXTM3U\r\n";
    for (size_t entry = 0; entry < entries.size(); ++entry) {
        bytes += "#EXTINF:" + std::to_string(120 + entry * 37 % 300) + ",Some Artist - Song " +
                 std::to_string(entry) + "\r\n" + toUtf8(entries[entry]) + "\r\n";
    }
    return bytes;
}

// The line of a path in such a playlist, with the line ends around it.
std::string savedPlaylistLine(const std::wstring& path) {
    return "\n" + toUtf8(path) + "\r";
}

// The library's saved playlists of one side, in folder: playlist p names
// the clicked files p, p + 50, p + 100 and so on, spread over its entries,
// with songs of other folders between them.
std::vector<std::wstring> writeSavedPlaylists(const std::string& folder, const std::string& songs,
                                              const std::string& others, int clicks) {
    const int perPlaylist = std::min((clicks + SAVED_PLAYLISTS - 1) / SAVED_PLAYLISTS, SAVED_PLAYLIST_ENTRIES);
    std::vector<std::wstring> playlists;
    for (int p = 0; p < SAVED_PLAYLISTS; ++p) {
        std::vector<std::wstring> entries;
        for (int entry = 0; entry < SAVED_PLAYLIST_ENTRIES; ++entry) {
            entries.push_back(widen(others + "Album " + std::to_string(p) + "\\song " + std::to_string(entry) +
                                    ".mp3"));
        }
        for (int k = 0; k < perPlaylist && p + SAVED_PLAYLISTS * k < clicks; ++k) {
            const int entry = (2 * k + 1) * SAVED_PLAYLIST_ENTRIES / (2 * perPlaylist);
            entries[entry] = widen(songs + "Artist\\track " + std::to_string(p + SAVED_PLAYLISTS * k) + ".mp3");
        }
        playlists.push_back(widen(folder + "Playlist " + std::to_string(p) + ".m3u8"));
        writeFileBytes(playlists.back(), savedPlaylistBytes(entries));
    }
    return playlists;
}

char savedPlaylistBuffer[256 * 1024];

// The least sound work of the saved playlists, timed: each read once, whole,
// and looked through for the file's line; the one that holds it written
// whole, the new path in that line's place, to a new file beside it, which
// takes its place with one MoveFileExW.
double timeBareSavedPlaylists(const std::vector<std::wstring>& playlists, const std::string& oldLine,
                              const std::string& newLine) {
    const double start = nowUs();
    for (const std::wstring& path : playlists) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            continue;
        }
        LARGE_INTEGER size = {};
        DWORD read = 0;
        const bool whole = GetFileSizeEx(file, &size) && size.QuadPart <= LONGLONG{sizeof savedPlaylistBuffer} &&
                           ReadFile(file, savedPlaylistBuffer, static_cast<DWORD>(size.QuadPart), &read, nullptr);
        CloseHandle(file);
        if (!whole) {
            continue;
        }
        const char* end = savedPlaylistBuffer + read;
        const char* at =
            std::search(static_cast<const char*>(savedPlaylistBuffer), end, oldLine.begin(), oldLine.end());
        if (at == end) {
            continue;
        }
        const std::wstring newFile = path + L".new";
        HANDLE written = CreateFileW(newFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (written == INVALID_HANDLE_VALUE) {
            continue;
        }
        const char* after = at + oldLine.size();
        DWORD done = 0;
        WriteFile(written, savedPlaylistBuffer, static_cast<DWORD>(at - savedPlaylistBuffer), &done, nullptr);
        WriteFile(written, newLine.data(), static_cast<DWORD>(newLine.size()), &done, nullptr);
        WriteFile(written, after, static_cast<DWORD>(end - after), &done, nullptr);
        CloseHandle(written);
        MoveFileExW(newFile.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    return nowUs() - start;
}

// How many of the clicked files the playlists name at their new path and
// no longer at their old.
int savedPlaylistsFollowed(const std::vector<std::wstring>& playlists, const std::string& in,
                           const std::string& out, int clicks) {
    int followed = 0;
    for (int i = 0; i < clicks; ++i) {
        const std::string name = "Artist\\track " + std::to_string(i) + ".mp3";
        const std::string bytes = readFile(playlists[i % SAVED_PLAYLISTS]);
        followed += bytes.find(savedPlaylistLine(widen(out + name))) != std::string::npos &&
                    bytes.find(savedPlaylistLine(widen(in + name))) == std::string::npos;
    }
    return followed;
}

// Songs of one artist's folder, each with its entry, clicked in immediate
// mode with the library's 50 saved playlists of 100 entries, one of which
// names the song, interleaved with the least sound work on files, entries
// and playlists of their own.
void benchSavedPlaylistClicks() {
    const int clicks = scale.clicks;
    printf("\nOne click in immediate mode, skipping off, with a library of %d saved playlists of %d\n"
           "entries (.m3u8), one of which names the file, median of %d clicks interleaved with the\n"
           "least sound work\n", SAVED_PLAYLISTS, SAVED_PLAYLIST_ENTRIES, clicks);
    const std::string root = work + "saved playlists\\";
    const std::string in = root + "in\\";
    const std::string out = root + "out\\";
    const std::string bareIn = root + "bare in\\";
    const std::string bareOut = root + "bare out\\";
    for (int i = 0; i < clicks; ++i) {
        const std::string name = "Artist\\track " + std::to_string(i) + ".mp3";
        writeFileBytes(in + name, "module " + std::to_string(i));
        writeFileBytes(bareIn + name, "bare " + std::to_string(i));
    }
    const std::vector<std::wstring> modulePlaylists =
        writeSavedPlaylists(root + "playlists\\", in, root + "other\\", clicks);
    const std::vector<std::wstring> barePlaylists =
        writeSavedPlaylists(root + "bare playlists\\", bareIn, root + "bare other\\", clicks);
    const std::string playlistSized(readFile(barePlaylists[0]).size(), 'x');
    libraryPlaylists = modulePlaylists;
    libraryPlaylistsLocks = 0;
    // Under the module's hook, which init puts in place.
    setHostProc(playlistsSubclass);
    Module module;
    if (!startModule(module, 1, 0, in, out, "")) {
        setHostProc(hostProc);
        return;
    }
    host.holdsPlayingFile = false;   // skipping off: the file must be free to move
    for (int i = 0; i < clicks; ++i) {
        hostAddEntryW(widen(in + "Artist\\track " + std::to_string(i) + ".mp3").c_str());
    }
    const std::string bareDirectory = bareOut + "Artist\\";
    const std::wstring bareRoot = folderW(bareIn);
    CreateDirectoryA(bareOut.c_str(), nullptr);
    fileToInsertW bareRecord = {};
    bareRecord.index = host.entryCount;
    std::vector<double> moduleUs;
    std::vector<double> bareUs;
    std::vector<double> barePlaylistsUs;
    for (int i = 0; i < clicks; ++i) {
        const std::string name = "Artist\\track " + std::to_string(i) + ".mp3";
        for (int turn = 0; turn < 2; ++turn) {
            if ((turn ^ i) & 1) {
                hostPlay(i);
                const double start = nowUs();
                click();
                moduleUs.push_back(nowUs() - start);
            } else {
                const double move = timeBareMove(bareDirectory, bareIn + name, bareOut + name, bareRoot, bareRecord);
                barePlaylistsUs.push_back(timeBareSavedPlaylists(barePlaylists,
                                                                 savedPlaylistLine(widen(bareIn + name)),
                                                                 savedPlaylistLine(widen(bareOut + name))));
                bareUs.push_back(move + barePlaylistsUs.back());
            }
        }
    }
    const int boxes = host.boxCount;
    const int locksLeft = libraryPlaylistsLocks;
    stopModule(module);
    libraryPlaylists.clear();
    std::vector<std::pair<std::string, std::string>> moved;
    listFiles(out, "", moved);
    const int followed = savedPlaylistsFollowed(modulePlaylists, in, out, clicks);
    const int bareFollowed = savedPlaylistsFollowed(barePlaylists, bareIn, bareOut, clicks);
    std::vector<std::string> entryLines;
    for (const std::wstring& playlist : modulePlaylists) {
        const std::string bytes = readFile(playlist);
        for (size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2) {
            if (bytes[at] != '#' && bytes.compare(at, 3, "\xEF\xBB\xBF") != 0) {
                entryLines.push_back(bytes.substr(at, end - at));
            }
        }
    }
    removeTree(root);
    if (static_cast<int>(moved.size()) != clicks || followed != clicks || bareFollowed != clicks ||
        locksLeft != 0 || boxes != 0) {
        printf("  !! saved playlists: %zu of %d files in the archive, the playlists follow %d (bare: %d), "
               "%d locks left, %d message boxes\n",
               moved.size(), clicks, followed, bareFollowed, locksLeft, boxes);
        soakFailed = true;
    }
    // What the click's rewrite does besides: its new file flushed before it
    // takes the playlist's place.
    const std::string flushed = work + "flushed.m3u8";
    std::vector<double> flushUs;
    for (int i = 0; i < scale.clicks; ++i) {
        HANDLE file = CreateFileA(flushed.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        DWORD done = 0;
        WriteFile(file, playlistSized.data(), static_cast<DWORD>(playlistSized.size()), &done, nullptr);
        const double start = nowUs();
        FlushFileBuffers(file);
        flushUs.push_back(nowUs() - start);
        CloseHandle(file);
    }
    DeleteFileA(flushed.c_str());
    // And what looking at every entry as a path costs: each line's bytes
    // read as characters, and made a full path.
    std::vector<double> resolveUs;
    for (int i = 0; i < scale.skipClicks; ++i) {
        const double start = nowUs();
        for (const std::string& line : entryLines) {
            wchar_t text[MAX_PATH];
            wchar_t full[MAX_PATH];
            const int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line.data(),
                                                  static_cast<int>(line.size()), text, MAX_PATH - 1);
            text[count] = L'\0';
            GetFullPathNameW(text, MAX_PATH, full, nullptr);
        }
        resolveUs.push_back(nowUs() - start);
    }
    const double clickMs = median(moduleUs) / 1000;
    const double bareMs = median(bareUs) / 1000;
    row("saved playlists: click", clickMs, "ms");
    row("saved playlists: move + playlists", bareMs, "ms");
    printf("  %-46s\n", "  (the immediate click's bare move, listings");
    printf("  %-46s\n", "   and playlist entry; each saved playlist");
    printf("  %-46s\n", "   read once, whole; the one naming the file");
    printf("  %-46s\n", "   written whole to a new file and put in");
    printf("  %-46s\n", "   place with MoveFileExW REPLACE_EXISTING)");
    ratioRow("saved playlists: click / bare", clickMs / bareMs, 1.25);
    row("  bare: the saved playlists' share", median(barePlaylistsUs) / 1000, "ms");
    row("  apart: FlushFileBuffers of a playlist's size", median(flushUs) / 1000, "ms");
    char what[96];
    snprintf(what, sizeof what, "  apart: %zu entries decoded, GetFullPathNameW", entryLines.size());
    row(what, median(resolveUs) / 1000, "ms");
}

// ---- a long playlist ----

// The same click in immediate mode with the file in the middle of a list of
// 10,000 entries and of 3, interleaved: the entry follows the file, so the
// click reads every entry once. Skipping off is the work alone; skipping on
// is the user's click (the dialog couples it with immediate mode).
void benchLongPlaylist() {
    printf("\nOne click in immediate mode, the file (whose entry follows it) in the middle of a list\n"
           "of 10,000 entries against one of 3, median of %d clicks each, interleaved\n", scale.skipClicks);
    for (int next : {0, 1}) {
        const std::string in = work + "list\\in\\";
        Module module;
        if (!startModule(module, 1, next, in, work + "list\\out\\", "")) {
            return;
        }
        std::vector<double> us[2];
        for (int i = 0; i < 2 * scale.skipClicks; ++i) {
            const int entries = i % 2 ? 10000 : 3;
            const std::string file = in + "track " + std::to_string(i) + ".mp3";
            writeFileBytes(file, "x");
            hostReset();
            host.logMessages = false;
            host.holdsPlayingFile = next == 1;
            for (int entry = 0; entry < entries; ++entry) {
                hostAddEntry(entry == entries / 2 ? file.c_str() : ("C:\\Other\\" + std::to_string(entry)).c_str());
            }
            hostPlay(entries / 2);
            const double start = nowUs();
            click();
            us[i % 2].push_back(nowUs() - start);
            soakFailed |= host.entryCount != entries || wcsstr(host.entriesW[entries / 2], L"\\out\\") == nullptr;
        }
        stopModule(module);
        removeTree(work + "list\\");
        const double shortMs = median(us[0]) / 1000;
        const double longMs = median(us[1]) / 1000;
        row(next ? "skipping on: 10,000 entries" : "skipping off: 10,000 entries", longMs, "ms");
        row(next ? "skipping on: 3 entries" : "skipping off: 3 entries", shortMs, "ms");
        ratioRow(next ? "skipping on: 10,000 / 3" : "skipping off: 10,000 / 3", longMs / shortMs, next ? 1.05 : 0);
    }
}

// ---- start-up ----

void benchStartUp() {
    std::vector<double> load, start, stop, unload, total;
    const std::string ini = work + "winamp.ini";
    for (int i = 0; i < scale.startRounds; ++i) {
        hostReset();
        host.logMessages = false;
        Module module;
        const double t0 = nowUs();
        if (!loadModule(module)) {
            printf("cannot load %s\n", dllPath);
            return;
        }
        const double t1 = nowUs();
        module.record->init();
        const double t2 = nowUs();
        module.record->quit();
        const double t3 = nowUs();
        // The player's message loop runs between start and unload; not counted.
        hostRunPostedMessages();
        const double loop = nowUs() - t3;
        FreeLibrary(module.handle);
        const double t4 = nowUs();
        load.push_back(t1 - t0);
        start.push_back(t2 - t1);
        stop.push_back(t3 - t2);
        unload.push_back(t4 - t3 - loop);
        total.push_back(t4 - t0 - loop);
        if (currentHostProc() != hostProc) {
            printf("  !! the host's window procedure was not given back after quit\n");
            setHostProc(hostProc);
            soakFailed = true;
        }
    }
    // The platform's share of it: a tray icon of our own added and removed,
    // and the five reads of the settings file.
    std::vector<double> trayAdd, trayDelete, profile;
    for (int i = 0; i < scale.startRounds; ++i) {
        NOTIFYICONDATAA data = {};
        data.cbSize = NOTIFYICONDATAA_V1_SIZE;
        data.hWnd = host.window;
        data.uID = 77;
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = WM_TRAY;
        data.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
        double t0 = nowUs();
        Shell_NotifyIconA(NIM_ADD, &data);
        double t1 = nowUs();
        Shell_NotifyIconA(NIM_DELETE, &data);
        double t2 = nowUs();
        trayAdd.push_back(t1 - t0);
        trayDelete.push_back(t2 - t1);
        char text[256];
        t0 = nowUs();
        GetPrivateProfileIntA("Tunestow", "immediateMode", 0, ini.c_str());
        GetPrivateProfileIntA("Tunestow", "playNextTrack", 0, ini.c_str());
        GetPrivateProfileStringA("Tunestow", "rootDirectoryArchiveFrom", "", text, sizeof text, ini.c_str());
        GetPrivateProfileStringA("Tunestow", "rootDirectoryArchiveTo", "", text, sizeof text, ini.c_str());
        GetPrivateProfileStringA("Tunestow", "scriptFilePathAndName", "", text, sizeof text, ini.c_str());
        profile.push_back(nowUs() - t0);
    }
    printf("\nStart-up and shutdown with the settings file present, median of %d rounds\n",
           scale.startRounds);
    row("LoadLibraryA", median(load), "us");
    row("init (hook, tray icon, settings)", median(start), "us");
    row("quit (tray icon, unhook)", median(stop), "us");
    row("FreeLibrary", median(unload), "us");
    row("all four", median(total), "us");
    row("  apart: Shell_NotifyIconA NIM_ADD", median(trayAdd), "us");
    row("  apart: Shell_NotifyIconA NIM_DELETE", median(trayDelete), "us");
    row("  apart: five reads of the settings file", median(profile), "us");
}

// ---- the module file ----

void reportModuleFile() {
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    GetFileAttributesExA(dllPath, GetFileExInfoStandard, &attributes);
    const DWORD size = attributes.nFileSizeLow;
    HMODULE module = LoadLibraryExA(dllPath, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    std::string names;
    bool systemOnly = module != nullptr;
    if (module != nullptr) {
        BYTE* base = reinterpret_cast<BYTE*>(module);
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             entry->Name != 0; ++entry) {
            const char* name = reinterpret_cast<const char*>(base + entry->Name);
            names += (names.empty() ? "" : ", ") + std::string(name);
            // Shipped with every Windows: nothing for the user to install.
            const char* system[] = {"KERNEL32.dll", "USER32.dll", "SHELL32.dll", "ole32.dll", "msvcrt.dll"};
            bool known = false;
            for (const char* candidate : system) {
                known = known || _stricmp(candidate, name) == 0;
            }
            systemOnly = systemOnly && known;
        }
        FreeLibrary(module);
    }
    heading("Module file");
    printf("  %-46s %12lu bytes (%.2f KiB)    goal < 40 KiB: %s\n", "size of gen_tunestow.dll", size,
           size / 1024.0, size < 40 * 1024 ? "met" : "MISSED");
    printf("  %-46s %s\n", "imports", names.c_str());
    printf("  %-46s %12s    goal: %s\n", "system DLLs only", systemOnly ? "yes" : "NO",
           systemOnly ? "met" : "MISSED");
}

// ---- soaks ----

// Names a user's library holds, with everything the command prompt or a
// format string might trip over.
std::string soakName(int i) {
    static const char* const shapes[] = {
        "track %d.mp3",       "100%% & more %d.mp3", "!bang^caret %d.ogg", "(live) [%d] {x}.flac",
        "it's %d;,=.mp3",     "caf\xe9 %d.mp3",      "%d",                 "..%d..mp3",
        "%%s %%d %%n %d.mp3", "  spaced  %d .mp3",
    };
    char name[128];
    snprintf(name, sizeof name, shapes[i % 10], i);
    return name;
}

void soakScript() {
    const std::string in = "C:\\Library\\";
    const std::string out = "E:\\Archive\\";
    const std::string script = work + "soak.cmd";
    DeleteFileA(script.c_str());
    const int clicks = scale.scriptSoakClicks;
    const int entries = clicks < HOST_MAX_ENTRIES ? clicks : HOST_MAX_ENTRIES;
    Module module;
    if (!startModule(module, 0, 0, in, out, script)) {
        return;
    }
    std::vector<std::string> sources;
    std::vector<std::string> directories;
    for (int i = 0; i < entries; ++i) {
        const std::string folder = "Artist " + std::to_string(i % 37) + "\\Album " + std::to_string(i % 11) + "\\";
        sources.push_back(in + folder + soakName(i));
        directories.push_back(out + folder);
        hostAddEntry(sources.back().c_str());
    }
    const double start = nowUs();
    for (int i = 0; i < clicks; ++i) {
        click();
        SendMessageA(host.window, WM_COMMAND, WINAMP_BUTTON5, 0);   // the user plays on
    }
    const double took = nowUs() - start;
    const int boxes = host.boxCount;
    stopModule(module);

    const std::string bytes = readFile(script);
    std::vector<std::string> lines;
    size_t at = 0;
    bool endsInCrLf = bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0;
    while (at < bytes.size()) {
        const size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(at));
            break;
        }
        lines.push_back(bytes.substr(at, end - at));
        at = end + 2;
    }
    // After the header's eight lines, three lines a click.
    constexpr size_t HEADER_LINES = 8;
    std::string header;
    for (size_t i = 0; i < HEADER_LINES && i < lines.size(); ++i) {
        header += lines[i] + "\r\n";
    }
    int wellFormed = header == scriptHeader() ? HEADER_LINES : 0;
    for (size_t i = HEADER_LINES; i + 2 < lines.size(); i += 3) {
        const int entry = static_cast<int>((i - HEADER_LINES) / 3) % entries;
        wellFormed += 3 * (lines[i] + "\r\n" + lines[i + 1] + "\r\n" + lines[i + 2] + "\r\n" ==
                           scriptLines(sources[entry], directories[entry]));
    }
    char what[96];
    printf("\nSoak: %d clicks in script mode over a playlist of %d entries (%.0f ms in all)\n", clicks,
           entries, took / 1000);
    countRow("lines in the script", static_cast<long>(lines.size()));
    soakCheck(lines.size() == 3 * clicks + HEADER_LINES, "the header, then exactly three lines per click");
    snprintf(what, sizeof what, "lines well formed and in order (%d)", wellFormed);
    soakCheck(wellFormed == static_cast<int>(3 * clicks + HEADER_LINES), what);
    const size_t feeds = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    const size_t returns = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\r'));
    soakCheck(endsInCrLf && feeds == lines.size() && returns == lines.size(), "every line ends in CR LF");
    soakCheck(boxes == 0, "no message box");
    DeleteFileA(script.c_str());
}

// Immediate mode with skipping on, the host holding the playing file and
// letting it go at various delays after the skip, some archive files there
// already. Every file must end up in exactly one place with its own bytes.
void soakMoves() {
    const std::string root = work + "soak\\";
    const std::string in = root + "in\\";
    const std::string out = root + "out\\";
    const int files = scale.moveSoakFiles;
    std::vector<std::string> names;
    int blocked = 0;
    for (int i = 0; i < files; ++i) {
        names.push_back("Artist " + std::to_string(i % 10) + "\\" + soakName(i));
        writeFileBytes(in + names.back(), "file " + std::to_string(i));
        if (i % 25 == 24) {
            writeFileBytes(out + names.back(), "old " + std::to_string(i));
            ++blocked;
        }
    }
    std::vector<std::pair<std::string, std::string>> before;
    listFiles(root, "", before);

    Module module;
    if (!startModule(module, 1, 1, in, out, "")) {
        return;
    }
    for (const std::string& name : names) {
        hostAddEntry((in + name).c_str());
    }
    static const int releaseDelays[] = {0, 20, 60, 120, 300};
    const double start = nowUs();
    for (int i = 0; i < files; ++i) {
        hostPlay(i);
        hostHoldPlayingFile(releaseDelays[i % 5]);
        click();
    }
    const double took = nowUs() - start;
    hostReleaseFile();
    const int boxes = host.boxCount;
    int notMovedBoxes = 0;
    for (int i = 0; i < boxes && i < HOST_MAX_BOXES; ++i) {
        notMovedBoxes += strstr(host.boxes[i].text, "could not be moved") != nullptr;
    }
    stopModule(module);

    std::vector<std::pair<std::string, std::string>> after;
    listFiles(root, "", after);
    int archived = 0, kept = 0, oldIntact = 0, lost = 0, misplaced = 0;
    for (int i = 0; i < files; ++i) {
        const std::string mine = "file " + std::to_string(i);
        const std::string atSource = readFile(in + names[i]);
        const std::string atTarget = readFile(out + names[i]);
        const bool hadOld = i % 25 == 24;
        if (hadOld) {
            oldIntact += atTarget == "old " + std::to_string(i);
            kept += atSource == mine;
            lost += atSource != mine;
        } else if (atTarget == mine && atSource == "<missing>") {
            ++archived;
        } else if (atSource == mine && atTarget == "<missing>") {
            ++kept;
        } else if (atSource != mine && atTarget != mine) {
            ++lost;
        } else {
            ++misplaced;   // both copies
        }
    }
    printf("\nSoak: %d files archived in immediate mode, skipping on, the host letting each file go\n"
           "0 to 300 ms after the skip, %d archive files there already (%.1f s in all)\n",
           files, blocked, took / 1e6);
    countRow("files before (sources + archive)", static_cast<long>(before.size()));
    countRow("files after", static_cast<long>(after.size()));
    countRow("archived", archived);
    countRow("still in the source folder", kept);
    countRow("message boxes (the file could not be moved)", notMovedBoxes);
    soakCheck(after.size() == before.size(), "as many files after as before");
    soakCheck(lost == 0 && misplaced == 0, "none lost, none doubled");
    soakCheck(oldIntact == blocked, "no archive file overwritten");
    soakCheck(archived == files - blocked && kept == blocked, "every free file archived");
    soakCheck(boxes == blocked && notMovedBoxes == blocked, "one message per file not moved");
    removeTree(root);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: tunestow_bench DLL [--quick]\n");
        return 2;
    }
    dllPath = argv[1];
    if (argc > 2 && strcmp(argv[2], "--quick") == 0) {
        scale = QUICK;
    }
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    work = std::string(temp) + "tunestow-bench-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(work.c_str(), nullptr);

    hostWatchMessageBoxes();
    setvbuf(stdout, nullptr, _IONBF, 0);
    printf("Tunestow benchmark: %s in the stand-in host%s\n", dllPath, scale.clicks == QUICK.clicks ? " (quick)" : "");

    // An older player's window, then today's, where everything else runs.
    useHostWindow(false);
    benchHookOverhead();
    useHostWindow(true);
    benchHookOverhead();
    benchClicks();
    benchDiscardClicks();
    benchSavedPlaylistClicks();
    benchLongPlaylist();
    benchStartUp();
    reportModuleFile();
    soakScript();
    soakMoves();

    removeTree(work);
    fflush(stdout);
    return soakFailed ? 1 : 0;
}
