// The settings in the host's INI file, through the real profile functions:
// the exact text a save leaves, what a load takes from hand-written files,
// and where the file is when the host does or does not say.
#include <string>

#include "host_interface.h"
#include "settings.h"
#include "stand_in_host.h"
#include "test_support.h"
#include "settings_support.h"

namespace {

void useIniFile(const std::string& path) {
    hostReset();
    host.answerIniFile = true;
    snprintf(host.iniFile, sizeof host.iniFile, "%s", path.c_str());
}

// The host's window answering the settings-file request with a fixed value.
WNDPROC hostProcedure;
LRESULT iniFileAnswer;

LRESULT CALLBACK answerIniFileWith(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER && lParam == IPC_GETINIFILE) {
        ++host.requests.getIniFile;
        return iniFileAnswer;
    }
    if (message == WM_USER && lParam == IPC_GETINIFILEW) {
        return iniFileAnswer;
    }
    return CallWindowProcA(hostProcedure, window, message, wParam, lParam);
}

const Settings EXAMPLE = {0, 1, "C:\\Music\\Inbox\\", "D:\\Archive\\", "C:\\Music\\archive.cmd"};
const std::string LONGEST(255, 'x');

}  // namespace

TEST_CASE("saving writes the five keys in order, integers in decimal, texts as they are") {
    const Settings cases[] = {
        EXAMPLE,
        {1, 0, "", "", ""},
        {-7, 2, "C:\\100% & more\\", "D:\\a=b;c \\", "C:\\x y\\s.cmd"},
        {2147483647, -2147483647 - 1, LONGEST, LONGEST, LONGEST},
    };
    for (const Settings& saved : cases) {
        CAPTURE(saved.from);
        TempFolder work;
        useIniFile(work / "winamp.ini");
        commit(saved);
        saveConfiguration();
        CHECK(readFile(work / "winamp.ini") == section(saved));
        CHECK(committed() == section(saved));   // saving normalises nothing

        // Saved again over the section, with the host's own section ahead of it.
        writeFile(work / "winamp.ini", "[Winamp]\r\nvolume=200\r\n" + section(EXAMPLE));
        saveConfiguration();
        CHECK(readFile(work / "winamp.ini") == "[Winamp]\r\nvolume=200\r\n" + section(saved));

        commit({5, 5, "old", "old", "old"});
        loadConfiguration();
        CHECK(committed() == section(saved));
    }
}

TEST_CASE("loading takes each key present and leaves the setting of each key missing") {
    const Settings current = {1, 1, "C:\\Old\\", "D:\\Old\\", "C:\\old.cmd"};
    const Settings fresh = {0, 0, "", "", ""};
    struct Case {
        std::string file;   // empty: there is no file
        Settings before, after;
    } cases[] = {
        {"", current, current},
        {"[Winamp]\r\nvolume=200\r\n", current, current},
        {"[Winamp]\r\nvolume=200\r\n", fresh, fresh},
        {"[Tunestow]\r\nplayNextTrack=0\r\n", current, {1, 0, "C:\\Old\\", "D:\\Old\\", "C:\\old.cmd"}},
        {"[Tunestow]\r\nimmediateMode=1\r\nplayNextTrack=0\r\n", fresh, {1, 0, "", "", ""}},
        {"[Tunestow]\r\nimmediateMode=2\r\nplayNextTrack=-1\r\nrootDirectoryArchiveFrom=\r\n"
         "rootDirectoryArchiveTo=E:\\\r\nscriptFilePathAndName=C:\\a.cmd\r\n",
         current, {2, -1, "", "E:\\", "C:\\a.cmd"}},
        {"[Tunestow]\r\nscriptFilePathAndName=C:\\" + std::string(300, 'y') + "\r\n", current,
         {1, 1, "C:\\Old\\", "D:\\Old\\", "C:\\" + std::string(252, 'y')}},
    };
    for (const Case& c : cases) {
        CAPTURE(c.file);
        TempFolder work;
        useIniFile(work / "winamp.ini");
        if (!c.file.empty()) {
            writeFile(work / "winamp.ini", c.file);
        }
        commit(c.before);
        loadConfiguration();
        CHECK(committed() == section(c.after));
        CHECK(readFile(work / "winamp.ini") == (c.file.empty() ? "<missing>" : c.file));
    }
}

TEST_CASE("the host is asked where its INI file is at every load and every save") {
    TempFolder work;
    useIniFile(work / "first.ini");
    commit(EXAMPLE);
    saveConfiguration();
    CHECK(host.requests.getIniFile == 1);

    snprintf(host.iniFile, sizeof host.iniFile, "%s", (work / "second.ini").c_str());
    commit({1, 1, "A:\\", "B:\\", ""});
    saveConfiguration();
    CHECK(host.requests.getIniFile == 2);
    CHECK(readFile(work / "first.ini") == section(EXAMPLE));
    CHECK(readFile(work / "second.ini") == section({1, 1, "A:\\", "B:\\", ""}));

    snprintf(host.iniFile, sizeof host.iniFile, "%s", (work / "first.ini").c_str());
    loadConfiguration();
    CHECK(host.requests.getIniFile == 3);
    CHECK(committed() == section(EXAMPLE));
}

TEST_CASE("without an address from the host, load and save use winamp.ini in the Windows folder") {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    const std::string fallback = std::string(windows) + "\\winamp.ini";
    hostProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        host.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(answerIniFileWith)));
    for (LRESULT answer : {0, 1, 65535}) {
        CAPTURE(answer);
        iniFileAnswer = answer;
        hostReset();
        DeleteFileA(fallback.c_str());
        commit(EXAMPLE);
        saveConfiguration();
        CHECK(readFile(fallback) == section(EXAMPLE));

        writeFile(fallback, section({1, 0, "X:\\", "Y:\\", "Z:\\s.cmd"}));
        loadConfiguration();
        CHECK(committed() == section({1, 0, "X:\\", "Y:\\", "Z:\\s.cmd"}));
        CHECK(host.requests.getIniFile == 2);
    }
    DeleteFileA(fallback.c_str());
    SetWindowLongPtrA(host.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(hostProcedure));
}
