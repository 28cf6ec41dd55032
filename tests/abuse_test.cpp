// What survives abuse: settings written by hand into the INI file, a host
// that answers nonsense, a hundred clicks in a row, and the real module
// loaded and unloaded again and again in one host. Each case checks what a
// user would find afterwards: the script's bytes, the files, the messages.
// The long soaks with their counts are in the benchmark (scripts/bench).
#include <string.h>

#include <string>

#include "gen_tunestow.h"
#include "settings.h"
#include "stand_in_host.h"
#include "test_support.h"
#include "action_messages.h"

namespace {

constexpr UINT WM_TRAY = 3731;
constexpr UINT ICON_ID = 1024;

// The settings as a freshly loaded module has them.
void forgetSettings() {
    rootDirectoryArchiveFrom[0] = '\0';
    rootDirectoryArchiveTo[0] = '\0';
    scriptFilePathAndName[0] = '\0';
    immediateMode = 0;
    playNextTrack = 0;
}

void hostReportsIniFile(const std::string& iniFile) {
    snprintf(host.iniFile, sizeof host.iniFile, "%s", iniFile.c_str());
    host.answerIniFile = true;
}

void clickIcon() {
    SendMessageA(host.window, WM_TRAY, ICON_ID, WM_LBUTTONDOWN);
}

}  // namespace

TEST_CASE("settings written by hand load as sane values, and a click gets its message") {
    TempFolder work;
    const std::string in = work / "in\\";
    const std::string out = work / "out\\";
    const std::string script = work / "archive.cmd";
    const std::string good = "rootDirectoryArchiveFrom=" + in + "\r\nrootDirectoryArchiveTo=" + out +
                             "\r\nscriptFilePathAndName=" + script + "\r\n";
    const std::string junk("\x01\x02\xff\xfe\x7f=\x80\x1b[\r\r\x00\x00\x90\xde\xad\xbe\xef", 19);
    const std::string huge(1000, 'x');
    enum Outcome { LINES, MOVED, NOTHING };
    struct Case {
        const char* what;
        std::string ini;   // the whole file; empty: no file at all
        Outcome outcome;
        std::string message;
        long skips;
        std::string linesAt = "";   // empty: the script file named
    };
    const Case cases[] = {
        {"no file", "", NOTHING, NOT_INSIDE, 0},
        {"empty file", "\r\n", NOTHING, NOT_INSIDE, 0},
        {"no section, keys under another", "[Other]\r\nimmediateMode=1\r\n" + good, NOTHING, NOT_INSIDE, 0},
        {"section without keys", "[Tunestow]\r\n[Other]\r\n" + good, NOTHING, NOT_INSIDE, 0},
        {"good settings", "[Tunestow]\r\n" + good, LINES, "", 0},
        {"mode not a number", "[Tunestow]\r\nimmediateMode=yes\r\nplayNextTrack=on\r\n" + good, LINES, "", 0},
        {"mode with trailing letters", "[Tunestow]\r\nimmediateMode=1abc\r\n" + good, MOVED, "", 0},
        {"negative mode", "[Tunestow]\r\nimmediateMode=-1\r\nplayNextTrack=-1\r\n" + good, MOVED, "", 0},
        {"mode past 32 bits", "[Tunestow]\r\nimmediateMode=99999999999999999999\r\n" + good, MOVED, "", 0},
        {"skip 1 with spaces", "[Tunestow]\r\nplayNextTrack =  1 \r\n" + good, LINES, "", 1},
        {"skip with a fraction", "[Tunestow]\r\nplayNextTrack=1.9\r\n" + good, LINES, "", 1},
        {"keys in capitals", "[TUNESTOW]\r\nIMMEDIATEMODE=1\r\n" + good, MOVED, "", 0},
        {"from-root of 1000 characters",
         "[Tunestow]\r\nrootDirectoryArchiveFrom=" + in + huge + "\r\nrootDirectoryArchiveTo=" + out +
             "\r\nscriptFilePathAndName=" + script + "\r\n",
         NOTHING, NOT_INSIDE, 0},
        {"to-root of 1000 characters",
         "[Tunestow]\r\nrootDirectoryArchiveFrom=" + in + "\r\nrootDirectoryArchiveTo=" + out + huge +
             "\r\nscriptFilePathAndName=" + script + "\r\n",
         NOTHING, TOO_LONG, 0},
        {"script path of 1000 characters in a missing folder",
         "[Tunestow]\r\nrootDirectoryArchiveFrom=" + in + "\r\nrootDirectoryArchiveTo=" + out +
             "\r\nscriptFilePathAndName=" + work / "missing\\" + huge + "\r\n",
         NOTHING, SCRIPT_NOT_OPENED, 0},
        // Cut to 255 characters, the path still names a file in an existing
        // folder: the lines go there, to a name the user did not write.
        {"script name of 1000 characters",
         "[Tunestow]\r\nrootDirectoryArchiveFrom=" + in + "\r\nrootDirectoryArchiveTo=" + out +
             "\r\nscriptFilePathAndName=" + work / huge + "\r\n",
         LINES, "", 0, (work / huge).substr(0, PATH_BUFFER_SIZE - 1)},
        {"archive onto itself",
         "[Tunestow]\r\nimmediateMode=1\r\nrootDirectoryArchiveFrom=" + in + "\r\nrootDirectoryArchiveTo=" + in +
             "\r\n",
         NOTHING, NOT_MOVED, 0},
        {"binary junk between the keys", "[Tunestow]\r\n" + junk + "\r\n" + good + junk, LINES, "", 0},
        {"binary junk as the from-root",
         "[Tunestow]\r\nrootDirectoryArchiveFrom=" + junk + "\r\nrootDirectoryArchiveTo=" + out +
             "\r\nscriptFilePathAndName=" + script + "\r\n",
         NOTHING, ROOTS_NOT_FULL_PATHS, 0},
        {"script path that names a folder",
         "[Tunestow]\r\nrootDirectoryArchiveFrom=" + in + "\r\nrootDirectoryArchiveTo=" + out +
             "\r\nscriptFilePathAndName=" + work.path + "\r\n",
         NOTHING, SCRIPT_NOT_OPENED, 0},
    };
    for (const Case& c : cases) {
        const std::string what = c.what;
        CAPTURE(what);
        writeFile(in + "Artist\\a.mp3", "a");
        DeleteFileA((work / "winamp.ini").c_str());
        if (!c.ini.empty()) {
            writeFile(work / "winamp.ini", c.ini);
        }
        hostReset();
        hostReportsIniFile(work / "winamp.ini");
        hostAddEntry((in + "Artist\\a.mp3").c_str());
        hostAddEntry((in + "Artist\\b.mp3").c_str());
        forgetSettings();
        init();
        clickIcon();
        quit();

        CHECK(messageBoxesSeen() == c.message);
        CHECK(host.requests.nextTrack == c.skips);
        const std::string linesAt = c.linesAt.empty() ? script : c.linesAt;
        CHECK(readFile(linesAt) ==
              (c.outcome == LINES ? scriptHeader() + scriptLines(in + "Artist\\a.mp3", out + "Artist\\") : "<missing>"));
        CHECK(readFile(out + "Artist\\a.mp3") == (c.outcome == MOVED ? "a" : "<missing>"));
        CHECK(readFile(in + "Artist\\a.mp3") == (c.outcome == MOVED ? "<missing>" : "a"));
        // Whatever was read fits its buffer.
        CHECK(strlen(rootDirectoryArchiveFrom) < PATH_BUFFER_SIZE);
        CHECK(strlen(rootDirectoryArchiveTo) < PATH_BUFFER_SIZE);
        CHECK(strlen(scriptFilePathAndName) < PATH_BUFFER_SIZE);
        DeleteFileA(linesAt.c_str());
        CHECK_FALSE(fileExists(script));
        TempFolder::removeTree(out);
    }
}

namespace {

// Stands between the module's hook and the host and answers the entry's-file
// request and the next-track command as a misbehaving host would.
struct HostileAnswers {
    const char* path;       // answered for every index
    int positionAfterSkip;  // where the next-track command leaves the position
    bool positionStuck;     // neither next track nor stop changes anything
    char sharedBuffer[HOST_MAX_PATH];   // a host that reuses one buffer for every answer
};
HostileAnswers hostile;
WNDPROC hostileNext;

LRESULT CALLBACK hostileProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER && lParam == IPC_GETPLAYLISTFILE) {
        ++host.requests.getPlaylistFile;
        return reinterpret_cast<LRESULT>(hostile.path);
    }
    if (message == WM_COMMAND && LOWORD(wParam) == WINAMP_BUTTON5) {
        ++host.requests.nextTrack;
        if (!hostile.positionStuck) {
            host.position = hostile.positionAfterSkip;
        }
        // The buffer of the last answer now names the next file.
        snprintf(hostile.sharedBuffer, sizeof hostile.sharedBuffer, "C:\\In\\next.mp3");
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == WINAMP_BUTTON4 && hostile.positionStuck) {
        return 0;   // nor does it stop
    }
    return CallWindowProcA(hostileNext, hwnd, message, wParam, lParam);
}

// Text that ends exactly where readable memory ends: one more byte read is
// a page fault. With terminate false it has no terminating zero at all.
struct TextAtPageEnd {
    char* pages;
    const char* text;

    TextAtPageEnd(const std::string& content, bool terminate) {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        const DWORD page = system.dwPageSize;
        pages = static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(pages + page, page, PAGE_NOACCESS, &old);
        const size_t size = content.size() + (terminate ? 1 : 0);
        char* start = pages + page - size;
        memcpy(start, content.c_str(), size);
        text = start;
    }
    ~TextAtPageEnd() { VirtualFree(pages, 0, MEM_RELEASE); }
};

}  // namespace

TEST_CASE("nonsense from the host gets a message or a sane result, never a crash") {
    TempFolder work;
    const std::string script = work / "archive.cmd";
    const std::string in = "C:\\In\\";
    const std::string longPath = in + std::string(1000 - in.size(), 'p');
    TextAtPageEnd longAtEdge(longPath, true);
    // Longer than the module reads of any answer (three bytes a character).
    TextAtPageEnd unterminated(in + std::string(800, 'u'), false);
    TextAtPageEnd shortAtEdge(in + "edge.mp3", true);
    const int INT_LOW = -2147483647 - 1;
    const int INT_HIGH = 2147483647;
    struct Case {
        const char* what;
        const char* path;   // nullptr: the shared buffer, naming C:\In\a.mp3
        bool answerNull;
        int position;
        int positionAfterSkip;
        bool stuck;
        int next;
        std::string message;
        std::string lines;   // the script's bytes afterwards
        long skips;
    };
    const std::string a = scriptHeader() + scriptLines("C:\\In\\a.mp3", "D:\\Out\\");
    const std::string skipped3 = std::string(SKIP_FAILED) + SKIP_FAILED + SKIP_FAILED;
    const Case cases[] = {
        {"null path", nullptr, true, 0, 1, false, 1, NO_PATH, "<missing>", 0},
        {"empty path", "", false, 0, 1, false, 1, NO_PATH, "<missing>", 0},
        {"path of 1000 characters", longPath.c_str(), false, 0, 1, false, 1, TOO_LONG, "<missing>", 0},
        {"1000 characters ending at unreadable memory", longAtEdge.text, false, 0, 1, false, 1, TOO_LONG,
         "<missing>", 0},
        {"no terminating zero before unreadable memory", unterminated.text, false, 0, 1, false, 1, TOO_LONG,
         "<missing>", 0},
        {"short path ending at unreadable memory", shortAtEdge.text, false, 0, 1, false, 0, "",
         scriptHeader() + scriptLines(in + "edge.mp3", "D:\\Out\\"), 0},
        {"position -1", nullptr, false, -1, 0, false, 1, "", a, 1},
        {"lowest position", nullptr, false, INT_LOW, INT_HIGH, false, 1, "", a, 1},
        {"highest position", nullptr, false, INT_HIGH, INT_LOW, false, 1, "", a, 1},
        {"huge position, no skip", nullptr, false, 1000000, 0, false, 0, "", a, 0},
        {"position that never changes", nullptr, false, 0, 0, true, 1, skipped3, "<missing>", 3},
        {"negative position that never changes", nullptr, false, -1, 0, true, 1, skipped3, "<missing>", 3},
        {"lowest position that never changes", nullptr, false, INT_LOW, 0, true, 1, skipped3, "<missing>", 3},
        // The host overwrites its answer when it moves on: the lines must
        // still name the file that was playing at the click.
        {"answer rewritten by the skip", nullptr, false, 0, 1, false, 1, "", a, 1},
    };
    for (const Case& c : cases) {
        const std::string what = c.what;
        CAPTURE(what);
        hostReset();
        hostReportsIniFile(work / "winamp.ini");
        writeFile(work / "winamp.ini", "[Tunestow]\r\nplayNextTrack=" + std::to_string(c.next) +
                                           "\r\nrootDirectoryArchiveFrom=C:\\In\\\r\nrootDirectoryArchiveTo=D:\\Out\\"
                                           "\r\nscriptFilePathAndName=" + script + "\r\n");
        snprintf(hostile.sharedBuffer, sizeof hostile.sharedBuffer, "C:\\In\\a.mp3");
        hostile.path = c.answerNull ? nullptr : c.path != nullptr ? c.path : hostile.sharedBuffer;
        hostile.positionAfterSkip = c.positionAfterSkip;
        hostile.positionStuck = c.stuck;
        host.position = c.position;
        const WNDPROC hostProc = reinterpret_cast<WNDPROC>(
            SetWindowLongA(host.window, GWL_WNDPROC, reinterpret_cast<LONG>(hostileProc)));
        hostileNext = hostProc;
        forgetSettings();
        init();
        clickIcon();
        quit();
        SetWindowLongA(host.window, GWL_WNDPROC, reinterpret_cast<LONG>(hostProc));

        CHECK(messageBoxesSeen() == c.message);
        CHECK(readFile(script) == c.lines);
        CHECK(host.requests.nextTrack == c.skips);
        DeleteFileA(script.c_str());
    }
}

TEST_CASE("answers to the playback-state request other than exactly 1 mean not playing") {
    TempFolder work;
    for (int state : {2, 0x101, -1, 0x7fffffff, static_cast<int>(0x80000001)}) {
        CAPTURE(state);
        hostReset();
        hostReportsIniFile(work / "winamp.ini");
        writeFile(work / "winamp.ini", "[Tunestow]\r\nrootDirectoryArchiveFrom=C:\\In\\\r\n"
                                       "rootDirectoryArchiveTo=D:\\Out\\\r\nscriptFilePathAndName=" +
                                           work / "archive.cmd" + "\r\n");
        hostAddEntry("C:\\In\\a.mp3");
        host.playingState = state;
        forgetSettings();
        init();
        clickIcon();
        quit();
        CHECK(messageBoxesSeen() == NOT_PLAYING);
        CHECK(host.requests.getListPos == 0);
        CHECK_FALSE(fileExists(work / "archive.cmd"));
    }
}

TEST_CASE("a hundred clicks in script mode write two hundred lines in order") {
    TempFolder work;
    const std::string script = work / "archive.cmd";
    hostReset();
    hostReportsIniFile(work / "winamp.ini");
    writeFile(work / "winamp.ini", "[Tunestow]\r\nimmediateMode=0\r\nplayNextTrack=0\r\n"
                                   "rootDirectoryArchiveFrom=C:\\Music\\\r\nrootDirectoryArchiveTo=E:\\Kept\\\r\n"
                                   "scriptFilePathAndName=" + script + "\r\n");
    std::string expected = scriptHeader();
    const char* shapes[] = {"%d.mp3", "100%% & more %d.mp3", "!^ %d.ogg", "caf\xe9 %d.flac"};
    for (int i = 0; i < 100; ++i) {
        char name[64];
        snprintf(name, sizeof name, shapes[i % 4], i);
        const std::string folder = "Artist " + std::to_string(i % 7) + "\\";
        hostAddEntry(("C:\\Music\\" + folder + name).c_str());
        expected += scriptLines("C:\\Music\\" + folder + name, "E:\\Kept\\" + folder);
    }
    forgetSettings();
    init();
    // The user plays on between the clicks.
    for (int i = 0; i < 100; ++i) {
        clickIcon();
        SendMessageA(host.window, WM_COMMAND, WINAMP_BUTTON5, 0);
    }
    quit();
    CHECK(messageBoxesSeen() == "");
    CHECK(readFile(script) == expected);
}

TEST_CASE("fifty files archived at once: each in its archive folder or still in its source") {
    TempFolder work;
    const std::string in = work / "in\\";
    const std::string out = work / "out\\";
    hostReset();
    hostReportsIniFile(work / "winamp.ini");
    writeFile(work / "winamp.ini", "[Tunestow]\r\nimmediateMode=1\r\nplayNextTrack=1\r\n"
                                   "rootDirectoryArchiveFrom=" + in + "\r\nrootDirectoryArchiveTo=" + out + "\r\n");
    int blocked = 0;
    for (int i = 0; i < 50; ++i) {
        const std::string name = "Artist " + std::to_string(i % 5) + "\\track " + std::to_string(i) + ".mp3";
        writeFile(in + name, "file " + std::to_string(i));
        if (i % 10 == 9) {
            writeFile(out + name, "old " + std::to_string(i));   // an archive file there already
            ++blocked;
        }
        hostAddEntry((in + name).c_str());
    }
    forgetSettings();
    init();
    for (int i = 0; i < 50; ++i) {
        hostPlay(i);
        clickIcon();
    }
    quit();
    std::string expectedBoxes;
    for (int i = 0; i < blocked; ++i) {
        expectedBoxes += NOT_MOVED;
    }
    CHECK(messageBoxesSeen() == expectedBoxes);
    for (int i = 0; i < 50; ++i) {
        CAPTURE(i);
        const std::string name = "Artist " + std::to_string(i % 5) + "\\track " + std::to_string(i) + ".mp3";
        if (i % 10 == 9) {
            CHECK(readFile(in + name) == "file " + std::to_string(i));
            CHECK(readFile(out + name) == "old " + std::to_string(i));
        } else {
            CHECK(readFile(in + name) == "<missing>");
            CHECK(readFile(out + name) == "file " + std::to_string(i));
        }
    }
}

namespace {

// The shipped module, from the build tree: ..\gen_tunestow.dll beside the
// tests' folder.
std::string shippedModule() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string module = path;
    for (int up = 0; up < 2; ++up) {
        module = module.substr(0, module.find_last_of("\\/"));
    }
    return module + "\\gen_tunestow.dll";
}

}  // namespace

TEST_CASE("the real module loaded, used and unloaded ten times reads its settings afresh each time") {
    const std::string dll = shippedModule();
    if (!fileExists(dll)) {
        MESSAGE("no " << dll << ": skipped");
        return;
    }
    TempFolder work;
    const std::string in = work / "in\\";
    const std::string script = work / "archive.cmd";
    const WNDPROC hostProc = reinterpret_cast<WNDPROC>(GetWindowLongA(host.window, GWL_WNDPROC));
    std::string expected;
    for (int round = 0; round < 10; ++round) {
        CAPTURE(round);
        hostReset();
        hostReportsIniFile(work / "winamp.ini");
        const std::string out = work / ("out" + std::to_string(round) + "\\");
        const std::string name = "track " + std::to_string(round) + ".mp3";
        writeFile(in + name, name);
        hostAddEntry((in + name).c_str());
        // Odd rounds move at once; even rounds leave the mode out, which a
        // freshly loaded module reads as script mode.
        writeFile(work / "winamp.ini", "[Tunestow]\r\n" + std::string(round % 2 ? "immediateMode=1\r\n" : "") +
                                           "rootDirectoryArchiveFrom=" + in + "\r\nrootDirectoryArchiveTo=" + out +
                                           "\r\nscriptFilePathAndName=" + script + "\r\n");
        HMODULE module = LoadLibraryA(dll.c_str());
        REQUIRE(module != nullptr);
        auto getPlugin = reinterpret_cast<winampGetGeneralPurposePluginFunction>(
            reinterpret_cast<void*>(GetProcAddress(module, "winampGetGeneralPurposePlugin")));
        REQUIRE((getPlugin != nullptr));
        winampGeneralPurposePlugin* record = getPlugin();
        record->hwndParent = host.window;
        record->hDllInstance = module;
        // The host may also stop and start it again without unloading it.
        record->init();
        record->quit();
        record->init();
        clickIcon();
        record->quit();
        CHECK((reinterpret_cast<WNDPROC>(GetWindowLongA(host.window, GWL_WNDPROC)) == hostProc));
        hostRunPostedMessages();
        FreeLibrary(module);
        // The host's window still works with the module gone.
        CHECK(SendMessageA(host.window, WM_USER, 0, IPC_ISPLAYING) == 1);
        clickIcon();

        CHECK(messageBoxesSeen() == "");
        CHECK(host.requests.isPlaying == 2);   // one action, then the request above
        if (round % 2) {
            CHECK(readFile(out + name) == name);
            CHECK_FALSE(fileExists(in + name));
        } else {
            expected += (expected.empty() ? scriptHeader() : "") + scriptLines(in + name, out);
            CHECK(fileExists(in + name));
        }
        CHECK(readFile(script) == (expected.empty() ? "<missing>" : expected));
    }
}

// A host playing C:\In\a.mp3, with settings on file that write its lines
// into the folder's archive.cmd, and a module that has read nothing yet.
// Returns the host's own window procedure.
LONG playOneFileForAFreshModule(const TempFolder& work) {
    hostReset();
    hostReportsIniFile(work / "winamp.ini");
    writeFile(work / "winamp.ini", "[Tunestow]\r\nrootDirectoryArchiveFrom=C:\\In\\\r\n"
                                   "rootDirectoryArchiveTo=D:\\Out\\\r\nscriptFilePathAndName=" +
                                       work / "archive.cmd" + "\r\n");
    hostAddEntry("C:\\In\\a.mp3");
    forgetSettings();
    return GetWindowLongA(host.window, GWL_WNDPROC);
}

TEST_CASE("a second quit does no harm, and the module starts again afterwards") {
    TempFolder work;
    const LONG hostProc = playOneFileForAFreshModule(work);
    init();
    quit();
    quit();
    CHECK(GetWindowLongA(host.window, GWL_WNDPROC) == hostProc);
    init();
    clickIcon();
    quit();
    CHECK(GetWindowLongA(host.window, GWL_WNDPROC) == hostProc);
    CHECK(messageBoxesSeen() == "");
    CHECK(readFile(work / "archive.cmd") == scriptHeader() + scriptLines("C:\\In\\a.mp3", "D:\\Out\\"));
}

// A second init that hooked the window onto itself would recurse on every
// message until the stack ran out, starting with its own settings request.
TEST_CASE("a second init without quit keeps one hook") {
    TempFolder work;
    const LONG hostProc = playOneFileForAFreshModule(work);
    init();
    init();
    CHECK(SendMessageA(host.window, WM_USER, 0, IPC_ISPLAYING) == 1);
    clickIcon();
    CHECK(readFile(work / "archive.cmd") == scriptHeader() + scriptLines("C:\\In\\a.mp3", "D:\\Out\\"));
    quit();
    CHECK(GetWindowLongA(host.window, GWL_WNDPROC) == hostProc);
}
