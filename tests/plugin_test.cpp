// The real gen_tunestow.dll in the stand-in host, as the player runs it:
// loaded with LoadLibraryA, its record filled, init, tray clicks, quit,
// FreeLibrary. The module's calls to Shell_NotifyIconA are recorded by
// replacing that import, so each tray record can be checked field by field.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest.h>

#include <shellapi.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <utility>
#include <vector>

#include "action_messages.h"
#include "host_interface.h"
#include "stand_in_host.h"
#include "test_support.h"
#include "settings_support.h"

namespace {

constexpr UINT WM_TRAY = 3731;
constexpr UINT ICON_ID = 1024;
constexpr char TIP[] = "Archive the file that is currently playing in Winamp";

struct TrayCall {
    DWORD command;
    DWORD size;
    HWND window;
    UINT id;
    UINT flags;
    UINT callbackMessage;
    HICON icon;
    std::string tip;
};
std::vector<TrayCall> trayCalls;

BOOL WINAPI recordTrayCall(DWORD command, PNOTIFYICONDATAA data) {
    trayCalls.push_back({command, data->cbSize, data->hWnd, data->uID, data->uFlags,
                         data->uCallbackMessage, data->hIcon,
                         std::string(data->szTip, strnlen(data->szTip, sizeof data->szTip))});
    return TRUE;
}

// Points the module's import of function from dll at replacement.
bool replaceImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    BYTE* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (_stricmp(reinterpret_cast<char*>(base + entry->Name), dll) != 0) {
            continue;
        }
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (strcmp(reinterpret_cast<char*>(byName->Name), function) == 0) {
                DWORD protection;
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
                return true;
            }
        }
    }
    return false;
}

WNDPROC hostProcedure;

// A window procedure is read and set with the functions of the window's own
// character set; the others give a handle that stands for it.
WNDPROC currentProcedure() {
    return reinterpret_cast<WNDPROC>(IsWindowUnicode(host.window) ? GetWindowLongW(host.window, GWL_WNDPROC)
                                                                  : GetWindowLongA(host.window, GWL_WNDPROC));
}

void setProcedure(WNDPROC procedure) {
    if (host.unicode) {
        SetWindowLongW(host.window, GWL_WNDPROC, reinterpret_cast<LONG>(procedure));
    } else {
        SetWindowLongA(host.window, GWL_WNDPROC, reinterpret_cast<LONG>(procedure));
    }
}

// One load of the module, as the player does it.
struct LoadedPlugin {
    HMODULE module = nullptr;
    winampGeneralPurposePlugin* record = nullptr;

    LoadedPlugin() {
        const char* path = getenv("TUNESTOW_DLL");
        REQUIRE_MESSAGE(path != nullptr, "TUNESTOW_DLL names the module under test");
        module = LoadLibraryA(path);
        REQUIRE_MESSAGE(module != nullptr, "LoadLibraryA failed, error " << GetLastError());
        REQUIRE(replaceImport(module, "SHELL32.dll", "Shell_NotifyIconA",
                              reinterpret_cast<void*>(recordTrayCall)));
        auto getPlugin = reinterpret_cast<winampGetGeneralPurposePluginFunction>(
            reinterpret_cast<void*>(GetProcAddress(module, "winampGetGeneralPurposePlugin")));
        REQUIRE((getPlugin != nullptr));
        record = getPlugin();
        REQUIRE(record != nullptr);
        record->hwndParent = host.window;
        record->hDllInstance = module;
    }
    ~LoadedPlugin() {
        if (module == nullptr) {
            return;   // unloaded by the test
        }
        // The host's window must not call into a module that is gone, nor
        // the player's message loop read a record it posted.
        setProcedure(hostProcedure);
        hostRunPostedMessages();
        FreeLibrary(module);
    }
};


void writeSettings(const std::string& iniFile, int immediate, int next, const std::string& from,
                   const std::string& to, const std::string& script) {
    writeFile(iniFile, section({immediate, next, from, to, script}));
    snprintf(host.iniFile, sizeof host.iniFile, "%s", iniFile.c_str());
    host.answerIniFile = true;
}

LRESULT trayEvent(UINT mouseMessage, UINT id = ICON_ID) {
    return SendMessageA(host.window, WM_TRAY, id, mouseMessage);
}

// The icon's menu as a right click showed it, read from a timer of this
// thread, which fires inside the menu's own loop.
struct MenuItem {
    std::wstring text;
    bool grayed;
    bool isDefault;
    bool separator;
};
std::vector<MenuItem> menuSeen;
wchar_t menuChoice;   // the mnemonic sent to the menu; 0 closes it with Escape

VOID CALLBACK readMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menuWindow = FindWindowA("#32768", nullptr);
    if (menuWindow == nullptr || !IsWindowVisible(menuWindow)) {
        return;   // not shown yet
    }
    KillTimer(nullptr, timer);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = L"";
        MENUITEMINFOW item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
        item.dwTypeData = text;
        item.cch = 256;
        GetMenuItemInfoW(menu, i, TRUE, &item);
        menuSeen.push_back({text, (item.fState & MFS_GRAYED) != 0, (item.fState & MFS_DEFAULT) != 0,
                            (item.fType & MFT_SEPARATOR) != 0});
    }
    if (menuChoice != 0) {
        PostMessageW(menuWindow, WM_CHAR, menuChoice, 0);
    } else {
        PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    }
}

// A right click on the icon, choosing the item with mnemonic choice; what
// the menu showed, empty when none came.
std::vector<MenuItem> rightClick(wchar_t choice = 0) {
    menuSeen.clear();
    menuChoice = choice;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, readMenu);
    trayEvent(WM_RBUTTONUP);
    KillTimer(nullptr, timer);
    return menuSeen;
}

std::wstring undoItem(const std::vector<MenuItem>& menu) {
    return menu.size() == 5 && !menu[2].grayed ? menu[2].text : L"(none)";
}

int loggedCommands() {
    int commands = 0;
    for (int i = 0; i < host.loggedCount && i < HOST_MAX_LOGGED; ++i) {
        commands += host.logged[i].message == WM_COMMAND;
    }
    return commands;
}

void checkTrayRecord(const TrayCall& call, DWORD command, const char* tip) {
    CHECK(call.command == command);
    CHECK(call.size == 88);
    CHECK(call.window == host.window);
    CHECK(call.id == ICON_ID);
    CHECK(call.flags == 7);
    CHECK(call.callbackMessage == WM_TRAY);
    CHECK(call.icon != nullptr);
    CHECK(call.tip == tip);
}

}  // namespace

TEST_CASE("the export hands out the plugin record") {
    LoadedPlugin plugin;
    CHECK(plugin.record->version == 0x10);
    CHECK(std::string(plugin.record->description) == "Tunestow");
    CHECK((plugin.record->init != nullptr));
    CHECK((plugin.record->config != nullptr));
    CHECK((plugin.record->quit != nullptr));
}

TEST_CASE("init hooks the window, adds the tray icon and loads the settings; quit undoes it") {
    TempFolder work;
    hostReset();
    trayCalls.clear();
    writeSettings(work / "winamp.ini", 0, 0, "C:\\In\\", "D:\\Out\\", work / "archive.cmd");
    {
        LoadedPlugin plugin;
        CHECK(plugin.record->init() == 0);
        CHECK((currentProcedure() != hostProcedure));
        CHECK(IsWindowUnicode(host.window) == host.unicode);   // hooked in its own character set
        REQUIRE(trayCalls.size() == 1);
        checkTrayRecord(trayCalls[0], NIM_ADD, TIP);
        CHECK(host.requests.getIniFile == 1);

        plugin.record->quit();
        REQUIRE(trayCalls.size() == 2);
        checkTrayRecord(trayCalls[1], NIM_DELETE, "");
        CHECK(trayCalls[1].icon == trayCalls[0].icon);
        CHECK((currentProcedure() == hostProcedure));
        CHECK(host.requests.getIniFile == 1);   // nothing is saved at shutdown
    }
    // The host goes on working after the module is gone.
    hostAddEntry("C:\\In\\a.mp3");
    CHECK(SendMessageA(host.window, WM_USER, 0, IPC_ISPLAYING) == 1);
    CHECK(trayEvent(WM_LBUTTONDOWN) == 0);
    CHECK_FALSE(fileExists(work / "archive.cmd"));
}

TEST_CASE("quit before init still loads the icon for the record it removes") {
    trayCalls.clear();
    LoadedPlugin plugin;
    plugin.record->quit();
    REQUIRE(trayCalls.size() == 1);
    checkTrayRecord(trayCalls[0], NIM_DELETE, "");
    CHECK((currentProcedure() == hostProcedure));
}

// The host holds the playing file open until it moves on or stops, and its
// next-track command goes nowhere from the last entry unless Repeat is on.
TEST_CASE("a left-button press on the icon archives, then reaches the host") {
    TempFolder work;
    const struct {
        const char* what;
        int entries;
        int playing;
        bool repeat;
        int playsAfter;   // the entry that plays after the click; -1: stopped
    } cases[] = {
        {"a next entry", 2, 0, false, 1},
        {"the last entry", 2, 1, false, -1},
        {"the last entry, Repeat on", 2, 1, true, 0},
        {"the only entry, Repeat on", 1, 0, true, -1},
    };
    for (const auto& c : cases) {
        for (int immediate : {0, 1}) {
            CAPTURE(c.what);
            CAPTURE(immediate);
            const std::string names[] = {"a.mp3", "b.mp3"};
            hostReset();
            for (int i = 0; i < c.entries; ++i) {
                writeFile(work / ("in\\Artist\\" + names[i]), names[i]);
                hostAddEntry((work / ("in\\Artist\\" + names[i])).c_str());
            }
            writeSettings(work / "winamp.ini", immediate, 1, work / "in\\", work / "out\\",
                          work / "archive.cmd");
            host.repeat = c.repeat;
            LoadedPlugin plugin;
            plugin.record->init();
            hostPlay(c.playing);
            host.loggedCount = 0;
            trayEvent(WM_LBUTTONDOWN);
            CHECK(messageBoxesSeen() == "");
            CHECK(host.requests.nextTrack == 1);
            // Stop only where next left the position, and then nothing plays.
            CHECK(host.requests.stop == (c.playsAfter < 0 ? 1 : 0));
            CHECK(host.playingState == (c.playsAfter < 0 ? 0 : 1));
            if (c.playsAfter >= 0) {
                CHECK(host.position == c.playsAfter);
                CHECK(widen(work / ("in\\Artist\\" + names[c.playsAfter])) == host.playing);
            }
            const std::string archived = "in\\Artist\\" + names[c.playing];
            if (immediate) {
                CHECK(readFile(work / ("out\\Artist\\" + names[c.playing])) == names[c.playing]);
                CHECK_FALSE(fileExists(work / archived));
            } else {
                CHECK(readFile(work / "archive.cmd") ==
                      scriptHeader() + scriptLines(work / archived, work / "out\\Artist\\"));
            }
            // The host's own procedure saw the action's requests first, the click last.
            REQUIRE(host.loggedCount >= 2);
            const HostLoggedMessage& last = host.logged[host.loggedCount - 1];
            CHECK(last.message == WM_TRAY);
            CHECK(last.wParam == ICON_ID);
            CHECK(last.lParam == WM_LBUTTONDOWN);
            CHECK(hostCountLogged(WM_USER, 0, IPC_ISPLAYING) == (c.playsAfter < 0 ? 2 : 1));
            plugin.record->quit();
            hostReset();
            TempFolder::removeTree(work / "in\\");
            TempFolder::removeTree(work / "out\\");
            DeleteFileA((work / "archive.cmd").c_str());
        }
    }
}

// An older player gives only the 8-bit path; 256 characters do not fit the
// module's wide buffer, and the path cut to fit would name another file.
TEST_CASE("a playing path of 256 characters is refused in both modes, and nothing happens") {
    TempFolder work;
    const std::string playing = "C:\\In\\" + std::string(256 - 6 - 4, 'n') + ".mp3";
    for (int immediate : {0, 1}) {
        CAPTURE(immediate);
        hostReset();
        writeSettings(work / "winamp.ini", immediate, 1, "C:\\In\\", "D:\\Out\\", work / "archive.cmd");
        hostAddEntry(playing.c_str());
        hostAddEntry("C:\\In\\next.mp3");
        LoadedPlugin plugin;
        plugin.record->init();
        trayEvent(WM_LBUTTONDOWN);
        plugin.record->quit();
        CHECK(messageBoxesSeen() == TOO_LONG);
        CHECK(host.requests.nextTrack == 0);
        CHECK_FALSE(fileExists(work / "archive.cmd"));
    }
}

TEST_CASE("other tray events and other messages are only passed on") {
    TempFolder work;
    hostReset();
    writeSettings(work / "winamp.ini", 0, 0, "C:\\In\\", "D:\\Out\\", work / "archive.cmd");
    hostAddEntry("C:\\In\\a.mp3");
    LoadedPlugin plugin;
    plugin.record->init();
    host.loggedCount = 0;
    host.requests = {};
    const struct {
        UINT mouse;
        UINT id;
    } events[] = {
        {WM_LBUTTONUP, ICON_ID},    {WM_RBUTTONDOWN, ICON_ID}, {WM_RBUTTONUP, ICON_ID + 1},
        {WM_LBUTTONDBLCLK, ICON_ID}, {WM_MOUSEMOVE, ICON_ID},   {WM_MBUTTONDOWN, ICON_ID},
        {WM_LBUTTONDOWN, ICON_ID + 1}, {WM_LBUTTONDOWN, 0},
    };
    for (const auto& event : events) {
        CAPTURE(event.mouse);
        CAPTURE(event.id);
        trayEvent(event.mouse, event.id);
        CHECK(hostCountLogged(WM_TRAY, event.id, event.mouse) == 1);
    }
    // The host's answers come back through the hook unchanged.
    CHECK(SendMessageA(host.window, WM_USER, 0, IPC_ISPLAYING) == 1);
    CHECK(SendMessageA(host.window, WM_USER, 0, IPC_GETLISTPOS) == 0);
    SendMessageA(host.window, WM_NULL, 5, 6);
    SendMessageA(host.window, WM_USER + 77, 8, 9);
    CHECK(hostCountLogged(WM_NULL, 5, 6) == 1);
    CHECK(hostCountLogged(WM_USER + 77, 8, 9) == 1);
    CHECK(host.requests.isPlaying == 1);   // only the one asked above
    CHECK(host.requests.nextTrack == 0);
    CHECK_FALSE(fileExists(work / "archive.cmd"));
    CHECK(messageBoxesSeen() == "");
    // Only the low words name the event and the icon.
    SendMessageA(host.window, WM_TRAY, MAKEWPARAM(ICON_ID, 3), MAKELPARAM(WM_LBUTTONDOWN, 7));
    CHECK(fileExists(work / "archive.cmd"));
    plugin.record->quit();
}

LRESULT CALLBACK laterHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
WNDPROC beforeLaterHook;
LRESULT CALLBACK laterHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(beforeLaterHook, hwnd, message, wParam, lParam);
}

TEST_CASE("a right click on the icon opens its menu; its items archive and open the settings") {
    TempFolder work;
    const std::string in = work / "in\\";
    writeFile(in + "a.mp3", "a");
    writeFile(in + "b.mp3", "b");
    hostReset();
    writeSettings(work / "winamp.ini", 1, 1, in, work / "out\\", "");
    hostAddEntry((in + "a.mp3").c_str());
    hostAddEntry((in + "b.mp3").c_str());
    LoadedPlugin plugin;
    plugin.record->init();
    hostPlay(0);
    host.loggedCount = 0;
    std::vector<MenuItem> menu = rightClick();
    REQUIRE(menu.size() == 5);
    CHECK((menu[0].text == L"&Archive the playing file"));
    CHECK(menu[0].isDefault);
    CHECK_FALSE(menu[0].grayed);
    CHECK((menu[1].text == L"Move the playing file to the &Recycle Bin"));
    CHECK((menu[2].text == L"&Undo the last archive"));
    CHECK(menu[2].grayed);
    CHECK(menu[3].separator);
    CHECK((menu[4].text == L"&Settings..."));
    CHECK_FALSE(menu[4].grayed);
    // Closed with Escape: nothing happened, and the click reached the host,
    // but none of the menu's commands did.
    CHECK(readFile(in + "a.mp3") == "a");
    CHECK(hostCountLogged(WM_TRAY, ICON_ID, WM_RBUTTONUP) == 1);
    CHECK(loggedCommands() == 0);
    hostRunPostedMessages();
    CHECK(hostCountLogged(WM_NULL, 0, 0) == 1);   // posted after the menu, as the shell needs

    rightClick(L'a');
    CHECK(messageBoxesSeen() == "");
    CHECK(readFile(work / "out\\a.mp3") == "a");
    CHECK(loggedCommands() == 1);   // the skip's, no other
    CHECK(hostCountLogged(WM_COMMAND, 40048, 0) == 1);

    // The settings item opens the dialog the host's configure routine
    // does; while it is open, the item is grayed.
    static std::vector<MenuItem> menuInDialog;
    static std::string caption;
    static HWND owner;
    host.onDialog = [](HWND dialog) {
        char text[64] = "";
        GetWindowTextA(dialog, text, sizeof text);
        caption = text;
        owner = GetWindow(dialog, GW_OWNER);
        menuInDialog = rightClick();
        SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    };
    rightClick(L's');
    host.onDialog = nullptr;
    CHECK(caption == "Configuration");
    CHECK(owner == host.window);
    REQUIRE(menuInDialog.size() == 5);
    CHECK(menuInDialog[4].grayed);
    CHECK_FALSE(menuInDialog[0].grayed);
    CHECK(messageBoxesSeen() == "");
    plugin.record->quit();
}

TEST_CASE("undo moves an immediate archive back, and removes only the folders the archive made") {
    TempFolder work;
    const std::string in = work / "in\\";
    const std::string out = work / "out\\";
    const std::string tom = "New Band\\Album\\Tom & Jerry.mp3";
    writeFile(in + tom, "tom");
    writeFile(in + "Old Band\\x.mp3", "x");
    CreateDirectoryA(out.c_str(), nullptr);
    CreateDirectoryA((out + "Old Band").c_str(), nullptr);
    hostReset();
    writeSettings(work / "winamp.ini", 1, 1, in, out, "");
    for (const char* name : {tom.c_str(), "Old Band\\x.mp3", "next.mp3", "NEW BAND\\ALBUM\\TOM & JERRY.MP3"}) {
        hostAddEntry((in + name).c_str());
    }
    const auto entries = [] { return std::vector<std::wstring>(host.entriesW, host.entriesW + host.entryCount); };
    const std::vector<std::wstring> before = entries();
    std::vector<std::wstring> followed = before;
    std::vector<std::wstring> back = before;
    if (host.unicode) {   // an older player's list stays as it is
        followed[0] = followed[3] = widen(out + tom);
        back[3] = before[0];
    }
    // The library's records, in other letter case for the file: rating, play
    // count, date added and last play. An older player has no database service.
    hostAddLibraryRecord(widen(in + "NEW BAND\\ALBUM\\TOM & JERRY.MP3").c_str(), 4, 12, 1577836800, 1700000000);
    hostAddLibraryRecord(widen(in + "next.mp3").c_str(), 2, 3, 1262304000);
    hostAddLibraryRecord(widen(in + "Old Band\\x.mp3").c_str(), 5, 1, 1262304000);
    const auto record = [](const std::string& path) {
        const HostLibraryRecord* found = hostFindLibraryRecord(widen(path).c_str());
        return found == nullptr ? std::string("none")
                                : std::to_string(found->rating) + " " + std::to_string(found->playCount) + " " +
                                      std::to_string(found->dateAdded) + " " + std::to_string(found->lastPlayed);
    };
    const std::string tomsRecord = "4 12 1577836800 1700000000";
    LoadedPlugin plugin;
    plugin.record->init();
    hostPlay(0);
    trayEvent(WM_LBUTTONDOWN);
    REQUIRE(readFile(out + tom) == "tom");
    CHECK(entries() == followed);   // both entries of the file, in any letter case
    CHECK(record(out + tom) == (host.unicode ? tomsRecord : "none"));
    CHECK(record(in + tom) == (host.unicode ? "none" : tomsRecord));
    CHECK(record(in + "next.mp3") == "2 3 1262304000 0");
    CHECK(host.library.handedOut == 0);
    CHECK_FALSE(folderExists(in + "New Band"));   // emptied by the archive
    CHECK(folderExists(in));
    // The archived file held by another program: the folders made for it
    // go again, and the undo is still offered.
    HANDLE held = CreateFileA((out + tom).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    rightClick(L'u');
    CloseHandle(held);
    CHECK(messageBoxesSeen() == NOT_MOVED_BACK);
    CHECK_FALSE(folderExists(in + "New Band"));
    host.boxCount = 0;
    CHECK((undoItem(rightClick(L'u')) == L"&Undo: move Tom && Jerry.mp3 back"));
    CHECK(messageBoxesSeen() == "");
    CHECK(readFile(in + tom) == "tom");
    CHECK_FALSE(fileExists(out + tom));
    CHECK_FALSE(folderExists(out + "New Band"));
    CHECK(folderExists(out + "Old Band"));
    CHECK((undoItem(rightClick()) == L"(none)"));   // done: nothing left to undo
    CHECK(host.position == 1);                      // playback was not touched
    CHECK(entries() == back);
    CHECK(record(in + tom) == tomsRecord);
    CHECK(record(out + tom) == "none");
    CHECK(host.library.saves == (host.unicode ? 2 : 0));

    // Into a folder that was there before, with an editor that does not
    // take the insert: no entry lost, and a library without its database
    // service: it stays as it is. Then a file of that name is put in the
    // old folder: both stay, and the undo is offered again.
    host.editorIgnoresInsert = true;
    host.library.databaseService = false;
    trayEvent(WM_LBUTTONDOWN);
    REQUIRE(readFile(out + "Old Band\\x.mp3") == "x");
    CHECK(entries() == back);
    CHECK(record(in + "Old Band\\x.mp3") == "5 1 1262304000 0");
    writeFile(in + "Old Band\\x.mp3", "new x");
    CHECK((undoItem(rightClick(L'u')) == L"&Undo: move x.mp3 back"));
    CHECK(messageBoxesSeen() == OLD_PATH_TAKEN);
    CHECK(readFile(in + "Old Band\\x.mp3") == "new x");
    CHECK(readFile(out + "Old Band\\x.mp3") == "x");
    DeleteFileA((in + "Old Band\\x.mp3").c_str());
    host.boxCount = 0;
    rightClick(L'u');
    CHECK(messageBoxesSeen() == "");
    CHECK(readFile(in + "Old Band\\x.mp3") == "x");
    CHECK(folderExists(out + "Old Band"));

    // A file the library has no record of: none is added.
    host.library.databaseService = true;
    --host.library.recordCount;   // x's, the last

    // The root there and empty: the one level the archive made goes, the
    // root stays.
    RemoveDirectoryA((out + "Old Band").c_str());
    hostPlay(1);
    trayEvent(WM_LBUTTONDOWN);
    REQUIRE(readFile(out + "Old Band\\x.mp3") == "x");
    CHECK(host.library.recordCount == 2);
    CHECK(record(out + "Old Band\\x.mp3") == "none");
    rightClick(L'u');
    CHECK_FALSE(folderExists(out + "Old Band"));
    CHECK(folderExists(out));
    plugin.record->quit();
}

TEST_CASE("undo takes a script archive's lines off the script, or the script it made, unless it was edited") {
    TempFolder work;
    const std::string script = work / "archive.cmd";
    const std::string longName = std::string(70, 'n') + ".mp3";
    hostReset();
    writeSettings(work / "winamp.ini", 0, 1, "C:\\In\\", "D:\\Out\\", script);
    for (const std::string& name : {std::string("a.mp3"), std::string("b.mp3"), longName}) {
        hostAddEntry(("C:\\In\\" + name).c_str());
    }
    LoadedPlugin plugin;
    plugin.record->init();
    hostPlay(0);
    trayEvent(WM_LBUTTONDOWN);
    REQUIRE(readFile(script) == scriptHeader() + scriptLines("C:\\In\\a.mp3", "D:\\Out\\"));
    // Held open by another program: nothing taken out, the undo still offered.
    HANDLE held = CreateFileA(script.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    rightClick(L'u');
    CloseHandle(held);
    CHECK(messageBoxesSeen() == SCRIPT_NOT_OPENED_FOR_UNDO);
    host.boxCount = 0;
    CHECK((undoItem(rightClick(L'u')) == L"&Undo: take a.mp3 out of the script"));
    CHECK(readFile(script) == "<missing>");   // the click had made it

    // Made by the click, then the user added a line at its top: only the
    // click's bytes go.
    hostPlay(0);
    trayEvent(WM_LBUTTONDOWN);
    writeFile(script, "rem mine\r\n" + readFile(script));
    rightClick(L'u');
    CHECK(readFile(script) == "rem mine\r\n");
    DeleteFileA(script.c_str());

    // Of two clicks, the second is undone, then the first: the script it
    // made goes.
    const std::string linesOfB = scriptHeader() + scriptLines("C:\\In\\b.mp3", "D:\\Out\\");
    trayEvent(WM_LBUTTONDOWN);
    trayEvent(WM_LBUTTONDOWN);
    CHECK((undoItem(rightClick(L'u')) ==
           L"&Undo: take " + std::wstring(63, L'n') + L"\u2026 out of the script"));
    CHECK(readFile(script) == linesOfB);
    CHECK((undoItem(rightClick(L'u')) == L"&Undo: take b.mp3 out of the script"));
    CHECK(readFile(script) == "<missing>");
    CHECK((undoItem(rightClick()) == L"(none)"));

    // Edited since: the undo refuses, the script stays as it is, and the
    // undo is still offered.
    hostPlay(2);
    trayEvent(WM_LBUTTONDOWN);
    const std::string edited = readFile(script) + "rem my own line\r\n";
    writeFile(script, edited);
    rightClick(L'u');
    CHECK(messageBoxesSeen() == SCRIPT_CHANGED);
    CHECK(readFile(script) == edited);
    CHECK((undoItem(rightClick()) != L"(none)"));
    plugin.record->quit();
}

TEST_CASE("while a message box of an action is open, a right click is only passed on") {
    hostReset();
    host.answerIniFile = false;
    LoadedPlugin plugin;
    plugin.record->init();
    host.playingState = 0;   // the click gets its message box
    static std::vector<MenuItem> menuDuringBox;
    host.onMessageBox = [] { menuDuringBox = rightClick(); };
    trayEvent(WM_LBUTTONDOWN);
    host.onMessageBox = nullptr;
    CHECK(messageBoxesSeen() == NOT_PLAYING);
    CHECK(menuDuringBox.empty());
    CHECK(hostCountLogged(WM_TRAY, ICON_ID, WM_RBUTTONUP) == 1);
    CHECK(rightClick().size() == 5);   // once it is over, the menu comes again
    plugin.record->quit();
}

// Run in a process of its own (ctest plugin_unload_test): the module stays
// in memory for good once it has seen this.
TEST_CASE("unloaded under a later hook, the module stays in memory and passes messages on") {
    hostReset();
    host.answerIniFile = false;
    LoadedPlugin plugin;
    plugin.record->init();
    beforeLaterHook = reinterpret_cast<WNDPROC>(
        SetWindowLongA(host.window, GWL_WNDPROC, reinterpret_cast<LONG>(laterHook)));
    plugin.record->quit();
    CHECK((currentProcedure() == laterHook));
    // The host unloads the module; the later hook still calls its procedure.
    FreeLibrary(plugin.module);
    plugin.module = nullptr;
    host.loggedCount = 0;
    CHECK(SendMessageA(host.window, WM_USER, 0, IPC_ISPLAYING) == 1);
    SendMessageA(host.window, WM_USER + 77, 8, 9);
    CHECK(hostCountLogged(WM_USER + 77, 8, 9) == 1);
    trayEvent(WM_MOUSEMOVE);
    CHECK(hostCountLogged(WM_TRAY, ICON_ID, WM_MOUSEMOVE) == 1);
}

TEST_CASE("the module loads, starts and stops again and again in one host") {
    TempFolder work;
    hostReset();
    trayCalls.clear();
    for (int round = 0; round < 5; ++round) {
        CAPTURE(round);
        // Each start reads the settings again.
        writeSettings(work / "winamp.ini", 0, 0, "C:\\In\\", "D:\\Out" + std::to_string(round) + "\\",
                      work / "archive.cmd");
        hostReset();
        hostAddEntry("C:\\In\\a.mp3");
        LoadedPlugin plugin;
        plugin.record->init();
        trayEvent(WM_LBUTTONDOWN);
        plugin.record->quit();
    }
    std::string expected = scriptHeader();
    for (int round = 0; round < 5; ++round) {
        expected += scriptLines("C:\\In\\a.mp3", "D:\\Out" + std::to_string(round) + "\\");
    }
    CHECK(readFile(work / "archive.cmd") == expected);
    // One icon at a time: every add is followed by its delete.
    REQUIRE(trayCalls.size() == 10);
    for (size_t i = 0; i < trayCalls.size(); ++i) {
        CHECK(trayCalls[i].command == (i % 2 == 0 ? NIM_ADD : NIM_DELETE));
    }
}

// ---- the player as it is: a Unicode program that keeps wide paths ----

namespace {

bool skippedInAnsiHost() {
    if (!host.unicode) {
        MESSAGE("the ANSI host has no names outside the code page: skipped");
    }
    return !host.unicode;
}

const wchar_t SAKAMOTO[] = L"\u5742\u672c\u9f8d\u4e00";                  // 坂本龍一
const wchar_t MERRY_CHRISTMAS[] = L"\u6226\u5834\u306e\u30e1\u30ea\u30fc.mp3";  // 戦場のメリー.mp3

}  // namespace

TEST_CASE("in a Unicode host the window stays a Unicode window and its title stays whole") {
    if (skippedInAnsiHost()) {
        return;
    }
    const std::wstring title = L"1. " + std::wstring(SAKAMOTO) + L" - \u0420\u043e\u0441\u0441\u0438\u044f - Winamp";
    const auto titleKept = [&] {
        SetWindowTextW(host.window, title.c_str());
        wchar_t read[64] = L"";
        GetWindowTextW(host.window, read, 64);
        return title == read;
    };
    hostReset();
    host.answerIniFile = false;
    LoadedPlugin plugin;
    plugin.record->init();
    CHECK(IsWindowUnicode(host.window));
    CHECK(titleKept());
    plugin.record->quit();
    CHECK(IsWindowUnicode(host.window));
    CHECK((currentProcedure() == hostProcedure));
    CHECK(titleKept());
}

TEST_CASE("immediate mode archives a name outside the code page as it is, never its look-alike") {
    if (skippedInAnsiHost()) {
        return;
    }
    TempFolder work;
    const std::wstring in = widen(work / "in\\");
    const std::wstring out = widen(work / "out\\");
    const std::wstring named = std::wstring(SAKAMOTO) + L"\\" + MERRY_CHRISTMAS;
    writeFile(in + named, "sakamoto");
    writeFile(in + L"M\u0101ori.mp3", "maori");     // Māori.mp3, playing
    writeFile(in + L"Maori.mp3", "older maori");    // its look-alike in the code page
    hostReset();
    writeSettings(work / "winamp.ini", 1, 1, work / "in\\", work / "out\\", "");
    hostAddEntryW((in + named).c_str());
    hostAddEntryW((in + L"M\u0101ori.mp3").c_str());
    hostAddEntryW((in + L"next.mp3").c_str());
    LoadedPlugin plugin;
    plugin.record->init();
    trayEvent(WM_LBUTTONDOWN);
    trayEvent(WM_LBUTTONDOWN);
    plugin.record->quit();
    CHECK(messageBoxesSeen() == "");
    CHECK(host.requests.nextTrack == 2);
    CHECK(readFile(out + named) == "sakamoto");
    CHECK(readFile(in + named) == "<missing>");
    CHECK(readFile(out + L"M\u0101ori.mp3") == "maori");
    CHECK(readFile(in + L"Maori.mp3") == "older maori");
    CHECK(readFile(out + L"Maori.mp3") == "<missing>");
}

TEST_CASE("script mode refuses a name the script cannot hold, before the skip and writing nothing") {
    for (bool quoted : {false, true}) {
        CAPTURE(quoted);
        TempFolder work;
        hostReset();
        writeSettings(work / "winamp.ini", 0, 1, "C:\\In\\", "D:\\Out\\", work / "archive.cmd");
        if (quoted) {
            hostAddEntry("C:\\In\\x\" & echo injected & \".mp3");   // no file's name: the rest would run
        } else if (host.unicode) {
            hostAddEntryW(L"C:\\In\\\u611b.mp3");   // 愛.mp3, which the host answers as C:\In\?.mp3
        } else {
            hostAddEntry("C:\\In\\?.mp3");         // such an answer from an older host
        }
        hostAddEntry("C:\\In\\A.mp3");
        LoadedPlugin plugin;
        plugin.record->init();
        trayEvent(WM_LBUTTONDOWN);
        plugin.record->quit();
        CHECK(messageBoxesSeen() == NAME_NOT_IN_CODE_PAGE);
        CHECK(host.requests.nextTrack == 0);
        CHECK(readFile(work / "archive.cmd") == "<missing>");
    }
}

// The player goes on playing a file whose entry is deleted, and its
// position then names the entry before it: a file the user kept.
TEST_CASE("only the file that plays is archived: the one the host announced, never the entry at the position") {
    if (skippedInAnsiHost()) {
        return;
    }
    TempFolder work;
    const std::string in = work / "in\\";
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
        writeFile(in + name, name);
    }
    const auto playlistOfThree = [&] {
        hostReset();
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
            hostAddEntry((in + name).c_str());
        }
    };
    writeSettings(work / "winamp.ini", 1, 1, in, work / "out\\", "");
    playlistOfThree();
    LoadedPlugin plugin;
    plugin.record->init();
    // b began before the plug-in started, so only the player's record names
    // it. Its entry deleted, the position names a.
    host.position = 1;
    wcscpy(host.playing, host.entriesW[1]);
    hostRemoveEntry(1);
    REQUIRE(host.position == 0);
    trayEvent(WM_LBUTTONDOWN);
    CHECK(messageBoxesSeen() == PLAYLIST_CHANGED);
    CHECK(host.requests.nextTrack == 0);
    // Another plug-in swaps the announced b to the end: the position stays,
    // and the player's record follows it to c. Only the announcement still
    // names b.
    playlistOfThree();
    hostPlay(1);
    std::swap(host.entries[1], host.entries[2]);
    std::swap(host.entriesW[1], host.entriesW[2]);
    wcscpy(host.playing, host.entriesW[1]);
    trayEvent(WM_LBUTTONDOWN);
    CHECK(messageBoxesSeen() == PLAYLIST_CHANGED);
    CHECK(host.requests.nextTrack == 0);
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
        CHECK(readFile(in + name) == name);
    }
    CHECK(hostCountLogged(WM_TRAY, ICON_ID, WM_LBUTTONDOWN) == 1);

    // Played again from the playlist, c goes; with Repeat on the skip starts
    // a, which the next click archives.
    hostReset();
    host.repeat = true;
    hostAddEntry((in + "a.mp3").c_str());
    hostAddEntry((in + "c.mp3").c_str());
    hostPlay(1);
    trayEvent(WM_LBUTTONDOWN);
    trayEvent(WM_LBUTTONDOWN);
    plugin.record->quit();
    CHECK(messageBoxesSeen() == "");
    CHECK(host.requests.nextTrack == 2);
    CHECK(readFile(work / "out\\c.mp3") == "c.mp3");
    CHECK(readFile(work / "out\\a.mp3") == "a.mp3");
    CHECK(readFile(in + "b.mp3") == "b.mp3");
}

TEST_CASE("the player's hotkey list gets three actions, and their keys archive, undo and discard as the icon does") {
    TempFolder work;
    const std::string in = work / "in\\";
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
        writeFile(in + name, name);
    }
    hostReset();
    writeSettings(work / "winamp.ini", 1, 1, in, work / "out\\", "");
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
        hostAddEntry((in + name).c_str());
    }
    LoadedPlugin plugin;
    plugin.record->init();
    plugin.record->quit();
    plugin.record->init();
    hostRunPostedMessages();
    if (!host.unicode) {
        // A player before 5.0 has no numbers to give: the module sends only
        // its questions, and the click works as before.
        CHECK(host.hotkeyCount == 0);
        int userMessages = 0;
        for (int i = 0; i < host.loggedCount && i < HOST_MAX_LOGGED; ++i) {
            userMessages += host.logged[i].message == WM_USER;
        }
        CHECK(userMessages == host.requests.registerMessage + host.requests.getIniFile +
                                  host.requests.getIniFileW);
        CHECK(host.requests.registerMessage == 12);
        trayEvent(WM_LBUTTONDOWN);
        // Other plug-ins ask the player's version (WM_USER, lParam 0) all
        // the time: with no number to listen for, that is no key.
        SendMessageA(host.window, WM_USER, 0, 0);
        plugin.record->quit();
        CHECK(messageBoxesSeen() == "");
        CHECK(readFile(work / "out\\a.mp3") == "a.mp3");
        CHECK(readFile(in + "b.mp3") == "b.mp3");
        return;
    }
    // Added once per run of the player, however often init runs: added
    // again, an action would lose its name.
    REQUIRE(host.hotkeyCount == 3);
    CHECK(std::string(host.hotkeys[2].name) == "Tunestow: Move the playing file to the Recycle Bin");
    CHECK(std::string(host.hotkeys[2].id) == "tunestow discard");
    const HostHotkey& action = host.hotkeys[0];
    CHECK(std::string(action.name) == "Tunestow: Archive the playing file");
    CHECK(std::string(action.id) == "tunestow archive");
    CHECK(action.flags == 0);
    CHECK(action.message == WM_USER);
    CHECK(action.wParam == 0);
    CHECK(action.lParam == hostRegisteredNumber("TUNESTOWARCHIVE"));
    CHECK(action.lParam > 65536);
    CHECK((action.window == nullptr));
    const HostHotkey& undo = host.hotkeys[1];
    CHECK(std::string(undo.name) == "Tunestow: Undo the last archive");
    CHECK(std::string(undo.id) == "tunestow undo");
    CHECK(undo.message == WM_USER);
    CHECK(undo.lParam == hostRegisteredNumber("TUNESTOWUNDO"));
    CHECK(undo.lParam > 65536);
    CHECK(undo.lParam != action.lParam);

    hostPlay(0);
    hostPressHotkey(0);
    hostPressHotkey(0);
    hostPressHotkey(1);   // b comes back
    SendMessageW(host.window, WM_USER, 0, 0);   // the version request is no key
    host.playingState = 0;
    hostPressHotkey(0);
    CHECK(messageBoxesSeen() == NOT_PLAYING);
    CHECK(host.requests.nextTrack == 2);
    CHECK(readFile(work / "out\\a.mp3") == "a.mp3");
    CHECK(readFile(in + "b.mp3") == "b.mp3");
    CHECK_FALSE(fileExists(work / "out\\b.mp3"));
    CHECK(readFile(in + "c.mp3") == "c.mp3");
    CHECK(hostCountLogged(WM_USER, 0, action.lParam) == 3);   // each press reached the host too
    CHECK(hostCountLogged(WM_USER, 0, undo.lParam) == 1);
    hostPlay(2);
    host.playingState = 1;
    hostPressHotkey(2);   // c to the bin
    CHECK(messageBoxesSeen() == NOT_PLAYING);
    CHECK_FALSE(fileExists(in + "c.mp3"));
    // After quit the key is the player's alone again.
    plugin.record->quit();
    hostPlay(1);
    hostPressHotkey(0);
    CHECK(readFile(in + "b.mp3") == "b.mp3");
}

// The host answering the wide settings-file request with longIniPath.
std::wstring longIniPath;
WNDPROC beforeLongIniPath;
LRESULT CALLBACK answerLongIniPath(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER && lParam == IPC_GETINIFILEW) {
        return reinterpret_cast<LRESULT>(longIniPath.c_str());
    }
    return CallWindowProcW(beforeLongIniPath, window, message, wParam, lParam);
}

TEST_CASE("settings under a profile folder named outside the code page are read and saved there") {
    if (skippedInAnsiHost()) {
        return;
    }
    TempFolder work;
    const std::wstring ini = widen(work.path) + L"\u0141ukasz\\winamp.ini";   // Łukasz
    const std::string lookAlike = work / "Lukasz\\winamp.ini";                  // the ANSI answer
    const Settings mine = {0, 0, "C:\\In\\", "D:\\Caf\xe9\\", work / "archive.cmd"};
    writeFile(ini, "[Winamp]\r\nvolume=200\r\n" + section(mine));
    writeFile(lookAlike, section({1, 1, "X:\\", "Y:\\", work / "other.cmd"}));
    hostReset();
    host.answerIniFile = true;
    wcscpy(host.iniFileW, ini.c_str());
    hostAddEntry("C:\\In\\a.mp3");
    LoadedPlugin plugin;
    plugin.record->init();
    trayEvent(WM_LBUTTONDOWN);
    CHECK(readFile(work / "archive.cmd") == scriptHeader() + scriptLines("C:\\In\\a.mp3", "D:\\Caf\xe9\\"));
    // OK in the dialog saves the same settings, in the same bytes, there.
    writeFile(ini, "[Winamp]\r\nvolume=200\r\n[Tunestow]\r\nimmediateMode=1\r\n");
    host.onDialog = [](HWND dialog) { SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); };
    plugin.record->config();
    host.onDialog = nullptr;
    plugin.record->quit();
    host.iniFileW[0] = L'\0';
    CHECK(messageBoxesSeen() == "");
    CHECK(readFile(ini) == "[Winamp]\r\nvolume=200\r\n" + section(mine));
    CHECK(readFile(lookAlike) == section({1, 1, "X:\\", "Y:\\", work / "other.cmd"}));

    // A wide path of MAX_PATH characters or more does not fit the module's
    // buffer: it is not used, and the settings come through the 8-bit path.
    longIniPath = widen(work.path) + std::wstring(300, L'd') + L"\\winamp.ini";
    beforeLongIniPath = currentProcedure();
    setProcedure(answerLongIniPath);
    const Settings eightBit = {0, 0, "C:\\In\\", "D:\\Eight-bit\\", work / "archive.cmd"};
    writeFile(work / "winamp.ini", section(eightBit));
    snprintf(host.iniFile, sizeof host.iniFile, "%s", (work / "winamp.ini").c_str());
    DeleteFileA((work / "archive.cmd").c_str());
    LoadedPlugin again;
    again.record->init();
    trayEvent(WM_LBUTTONDOWN);
    again.record->quit();
    setProcedure(beforeLongIniPath);
    CHECK(messageBoxesSeen() == "");
    CHECK(readFile(work / "archive.cmd") == scriptHeader() + scriptLines("C:\\In\\a.mp3", "D:\\Eight-bit\\"));
}

TEST_CASE("when the taskbar is made anew, the icon is added again and the message passed on") {
    trayCalls.clear();
    hostReset();
    host.answerIniFile = false;
    LoadedPlugin plugin;
    plugin.record->init();
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    SendMessageA(host.window, taskbarCreated, 0, 0);
    REQUIRE(trayCalls.size() == 2);
    checkTrayRecord(trayCalls[1], NIM_ADD, TIP);
    CHECK(trayCalls[1].icon == trayCalls[0].icon);
    CHECK(hostCountLogged(taskbarCreated, 0, 0) == 1);
    plugin.record->quit();
}

int main(int argc, char** argv) {
    // An older player: an ANSI window that knows only the 8-bit requests.
    hostCreateWindow(getenv("TUNESTOW_ANSI_HOST") == nullptr);
    hostProcedure = currentProcedure();
    hostWatchMessageBoxes();
    doctest::Context context(argc, argv);
    return context.run();
}
