// The stand-in host as a program: loads a plug-in DLL the way the player
// does, plays a playlist of real files, and offers the plug-in's
// configuration on its menu, so that the plug-in can be tried by hand under
// Wine. It plays today's player, a Unicode program, unless told to play an
// older ANSI one.
//
//   tunestow-host.exe [--ansi] [--dll PATH] [--ini PATH] [--playlist LIST]
//                     [--library LIST] [--extensions LIST] [--configure]
//                     [--answer-boxes] FILE...
//
// --ansi         an older player: an ANSI window that answers no wide request
// --dll          the plug-in (default: gen_tunestow.dll beside this program)
// --ini          the settings file the host reports (default: tunestow-host.ini
//                beside this program)
// --playlist     adds the paths in LIST, a UTF-8 text file, one a line
// --library      adds records to the media library from LIST, a UTF-8 text
//                file, one a line: rating, play count, date added
//                (YYYY-MM-DD) and path, separated by tabs
// --extensions   the extensions the player plays, as its input plug-ins
//                name them, separated by commas: "mp3,flac,ogg" (default:
//                those of a fresh player; "" for none)
// --configure    opens the configuration dialog at once
// --answer-boxes answers every message box with OK and prints it on exit
//
// The arguments are read from the wide command line, so a name outside the
// ANSI code page arrives whole. Wine builds that line from the Unix
// arguments in the Unix locale's character set: under a UTF-8 locale they
// arrive whole, under the C locale such names do not, which is why a
// script hands its paths over in a --playlist file.
#include <windows.h>

#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "../src/host_interface.h"
#include "stand_in_host.h"

namespace {

constexpr int PLAYLIST_LINE_BYTES = HOST_MAX_PATH * 3 + 3;   // UTF-8, with its line end
constexpr char UTF8_BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";

void besideThisProgram(const wchar_t* name, wchar_t* path, int size) {
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    wchar_t* slash = wcsrchr(program, L'\\');
    if (slash != nullptr) {
        slash[1] = L'\0';
    }
    swprintf(path, size, L"%ls%ls", program, name);
}

// Prints in UTF-8, which a Linux terminal shows whole.
int fail(const char* what, const wchar_t* detail) {
    char text[PLAYLIST_LINE_BYTES];
    if (WideCharToMultiByte(CP_UTF8, 0, detail, -1, text, sizeof text, nullptr, nullptr) == 0) {
        text[0] = '\0';
    }
    fprintf(stderr, "tunestow-host: %s: %s\n", what, text);
    return 2;
}

// Hands each line of a UTF-8 text file, as a Linux script writes it, to
// take, without its line end; CR LF line ends, a byte order mark and empty
// lines are allowed. False when the file cannot be read or take refused a
// line.
bool readLines(const wchar_t* list, bool (*take)(const char* line)) {
    FILE* file = _wfopen(list, L"rb");
    if (file == nullptr) {
        return false;
    }
    char line[PLAYLIST_LINE_BYTES + 64];
    bool first = true;
    bool good = true;
    while (fgets(line, sizeof line, file) != nullptr) {
        char* text = line;
        if (first && strncmp(text, UTF8_BYTE_ORDER_MARK, 3) == 0) {
            text += 3;
        }
        first = false;
        text[strcspn(text, "\r\n")] = '\0';
        if (text[0] != '\0' && !take(text)) {
            good = false;
        }
    }
    fclose(file);
    return good;
}

// One path a line.
bool addEntryLine(const char* line) {
    wchar_t path[HOST_MAX_PATH];
    if (MultiByteToWideChar(CP_UTF8, 0, line, -1, path, HOST_MAX_PATH) > 0) {
        hostAddEntryW(path);
    }
    return true;
}

// A day as the library keeps it: seconds since 1970.
bool readDay(int year, int month, int day, __time64_t* seconds) {
    SYSTEMTIME date = {};
    date.wYear = static_cast<WORD>(year);
    date.wMonth = static_cast<WORD>(month);
    date.wDay = static_cast<WORD>(day);
    FILETIME time;
    if (!SystemTimeToFileTime(&date, &time)) {
        return false;
    }
    const long long ticks = (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    *seconds = (ticks - 116444736000000000LL) / 10000000;
    return true;
}

// "rating<TAB>play count<TAB>YYYY-MM-DD<TAB>path" a line.
bool addLibraryLine(const char* line) {
    int rating, playCount, year, month, day, pathAt = 0;
    __time64_t added;
    wchar_t path[HOST_MAX_PATH];
    if (sscanf(line, "%d\t%d\t%d-%d-%d\t%n", &rating, &playCount, &year, &month, &day, &pathAt) != 5 ||
        pathAt == 0 || !readDay(year, month, day, &added) ||
        MultiByteToWideChar(CP_UTF8, 0, line + pathAt, -1, path, HOST_MAX_PATH) == 0) {
        return false;
    }
    hostAddLibraryRecord(path, rating, playCount, added);
    return true;
}

bool isOption(const wchar_t* argument, const wchar_t* option) {
    return wcscmp(argument, option) == 0;
}

void setTitle(const char* description) {
    wchar_t name[64];
    if (MultiByteToWideChar(CP_ACP, 0, description, -1, name, 64) == 0) {
        name[0] = L'\0';
    }
    wchar_t title[128];
    swprintf(title, 128, L"Stand-in host - %ls", name);
    SetWindowTextW(host.window, title);
}

void runMessageLoop() {
    MSG message;
    while ((host.unicode ? GetMessageW(&message, nullptr, 0, 0)
                         : GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        if (host.unicode) {
            DispatchMessageW(&message);
        } else {
            DispatchMessageA(&message);
        }
    }
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr) {
        return fail("cannot read the command line", L"");
    }
    bool unicode = true;
    for (int i = 1; i < argc; ++i) {
        unicode = unicode && !isOption(argv[i], L"--ansi");
    }
    hostCreateWindow(unicode);
    host.answerIniFile = true;
    besideThisProgram(L"tunestow-host.ini", host.iniFileW, MAX_PATH);
    wchar_t dllPath[MAX_PATH];
    besideThisProgram(L"gen_tunestow.dll", dllPath, MAX_PATH);
    bool configureAtOnce = false;
    bool answerBoxes = false;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (isOption(argv[i], L"--dll") && hasValue) {
            lstrcpynW(dllPath, argv[++i], MAX_PATH);
        } else if (isOption(argv[i], L"--ini") && hasValue) {
            lstrcpynW(host.iniFileW, argv[++i], MAX_PATH);
        } else if (isOption(argv[i], L"--playlist") && hasValue) {
            if (!readLines(argv[++i], addEntryLine)) {
                return fail("cannot read the playlist", argv[i]);
            }
        } else if (isOption(argv[i], L"--library") && hasValue) {
            if (!readLines(argv[++i], addLibraryLine)) {
                return fail("cannot read the library", argv[i]);
            }
        } else if (isOption(argv[i], L"--extensions") && hasValue) {
            hostSetExtensions(argv[++i]);
        } else if (isOption(argv[i], L"--configure")) {
            configureAtOnce = true;
        } else if (isOption(argv[i], L"--answer-boxes")) {
            answerBoxes = true;
        } else if (isOption(argv[i], L"--ansi")) {
            continue;
        } else if (wcsncmp(argv[i], L"--", 2) == 0) {
            return fail("unknown option", argv[i]);
        } else {
            hostAddEntryW(argv[i]);
        }
    }
    host.answerMessageBoxes = answerBoxes;
    host.logMessages = false;
    hostWatchMessageBoxes();

    HMODULE module = LoadLibraryW(dllPath);
    if (module == nullptr) {
        return fail("cannot load", dllPath);
    }
    auto getPlugin = reinterpret_cast<winampGetGeneralPurposePluginFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "winampGetGeneralPurposePlugin")));
    winampGeneralPurposePlugin* plugin = getPlugin ? getPlugin() : nullptr;
    if (plugin == nullptr || plugin->version != GPPHDR_VER) {
        return fail("not a general-purpose plug-in", dllPath);
    }
    plugin->hwndParent = host.window;
    plugin->hDllInstance = module;
    plugin->init();
    host.configurePlugin = plugin->config;
    hostPlay(0);

    setTitle(plugin->description);
    ShowWindow(host.window, SW_SHOWNORMAL);
    if (configureAtOnce) {
        PostMessageA(host.window, WM_COMMAND, HOST_MENU_CONFIGURE, 0);
    }
    runMessageLoop();
    plugin->quit();
    FreeLibrary(module);
    for (int i = 0; i < host.boxCount && i < HOST_MAX_BOXES; ++i) {
        printf("message box: %s|%s\n", host.boxes[i].caption, host.boxes[i].text);
    }
    LocalFree(argv);
    return 0;
}
