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
#include <vector>

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
        // The host's window must not call into a module that is gone.
        SetWindowLongA(host.window, GWL_WNDPROC, reinterpret_cast<LONG>(hostProcedure));
        FreeLibrary(module);
    }
};

WNDPROC currentProcedure() {
    return reinterpret_cast<WNDPROC>(GetWindowLongA(host.window, GWL_WNDPROC));
}

void writeSettings(const std::string& iniFile, int immediate, int next, const std::string& from,
                   const std::string& to, const std::string& script) {
    writeFile(iniFile, section({immediate, next, from, to, script}));
    snprintf(host.iniFile, sizeof host.iniFile, "%s", iniFile.c_str());
    host.answerIniFile = true;
}

LRESULT trayEvent(UINT mouseMessage, UINT id = ICON_ID) {
    return SendMessageA(host.window, WM_TRAY, id, mouseMessage);
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

TEST_CASE("a left-button press on the icon archives, then reaches the host") {
    TempFolder work;
    writeFile(work / "in\\Artist\\a.mp3", "a");
    writeFile(work / "in\\Artist\\b.mp3", "b");
    for (int immediate : {0, 1}) {
        CAPTURE(immediate);
        hostReset();
        writeSettings(work / "winamp.ini", immediate, 1, work / "in\\", work / "out\\", work / "archive.cmd");
        hostAddEntry((work / "in\\Artist\\a.mp3").c_str());
        hostAddEntry((work / "in\\Artist\\b.mp3").c_str());
        LoadedPlugin plugin;
        plugin.record->init();
        host.loggedCount = 0;
        trayEvent(WM_LBUTTONDOWN);
        CHECK(messageBoxesSeen() == "");
        CHECK(host.requests.nextTrack == 1);
        if (immediate) {
            CHECK(readFile(work / "out\\Artist\\a.mp3") == "a");
            CHECK_FALSE(fileExists(work / "in\\Artist\\a.mp3"));
        } else {
            CHECK(readFile(work / "archive.cmd") ==
                  "mkdir \"" + work / "out\\Artist\\\"\r\n" + "move \"" + work / "in\\Artist\\a.mp3\" \"" +
                      work / "out\\Artist\\\"\r\n");
        }
        // The host's own procedure saw the action's requests first, the click last.
        REQUIRE(host.loggedCount >= 2);
        const HostLoggedMessage& last = host.logged[host.loggedCount - 1];
        CHECK(last.message == WM_TRAY);
        CHECK(last.wParam == ICON_ID);
        CHECK(last.lParam == WM_LBUTTONDOWN);
        CHECK(hostCountLogged(WM_USER, 0, IPC_ISPLAYING) == 1);
        plugin.record->quit();
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
        {WM_LBUTTONUP, ICON_ID},    {WM_RBUTTONDOWN, ICON_ID}, {WM_RBUTTONUP, ICON_ID},
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

TEST_CASE("quit leaves alone a hook that another module put on the window after ours") {
    hostReset();
    host.answerIniFile = false;
    LoadedPlugin plugin;
    plugin.record->init();
    beforeLaterHook = reinterpret_cast<WNDPROC>(
        SetWindowLongA(host.window, GWL_WNDPROC, reinterpret_cast<LONG>(laterHook)));
    plugin.record->quit();
    CHECK((currentProcedure() == laterHook));
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
    std::string expected;
    for (int round = 0; round < 5; ++round) {
        const std::string folder = "D:\\Out" + std::to_string(round) + "\\";
        expected += "mkdir \"" + folder + "\"\r\nmove \"C:\\In\\a.mp3\" \"" + folder + "\"\r\n";
    }
    CHECK(readFile(work / "archive.cmd") == expected);
    // One icon at a time: every add is followed by its delete.
    REQUIRE(trayCalls.size() == 10);
    for (size_t i = 0; i < trayCalls.size(); ++i) {
        CHECK(trayCalls[i].command == (i % 2 == 0 ? NIM_ADD : NIM_DELETE));
    }
}

int main(int argc, char** argv) {
    hostCreateWindow();
    hostProcedure = currentProcedure();
    hostWatchMessageBoxes();
    doctest::Context context(argc, argv);
    return context.run();
}
