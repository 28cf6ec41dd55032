// The module on a Japanese Windows, whose ANSI code page (932) takes two
// bytes for most characters; the second byte may be that of '\' (表 is
// 95 5C, ソ 83 5C, 能 94 5C) or of '|' (ポ is 83 7C). ctest runs this
// program under a Japanese locale, in a Wine prefix of its own, where both
// the ANSI and the OEM code page are 932, as on such a Windows.
#include <string>

#include "action_messages.h"
#include "archive.h"
#include "config_dialog.h"
#include "gen_tunestow.h"
#include "resource.h"
#include "settings_support.h"
#include "stand_in_host.h"
#include "test_support.h"

namespace {

std::string narrow(const std::wstring& wide) {
    char text[1024] = "";
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
    return text;
}

// The paths of a test folder, in the code page and wide.
struct Paths {
    TempFolder work;
    std::string operator/(const std::wstring& relative) const { return work.path + narrow(relative); }
    std::wstring wide(const std::wstring& relative) const { return widen(work.path) + relative; }
};

void play(const std::wstring& file) {
    hostReset();
    hostAddEntryW(file.c_str());
    hostAddEntry("C:\\next.mp3");
}

void click() {
    archiveCurrentFile(host.window);
}

// A name of count characters, each of which takes two bytes here.
std::wstring japanese(size_t count) {
    const std::wstring syllables = L"表ソ能ポ音楽";
    std::wstring name;
    for (size_t i = 0; i < count; ++i) {
        name += syllables[i % syllables.size()];
    }
    return name;
}

}  // namespace

TEST_CASE("the code page is the Japanese one") {
    REQUIRE(GetACP() == 932);
    CHECK(narrow(L"表") == "\x95\x5c");
}

TEST_CASE("OK adds the separator to roots that end in a character whose second byte is a backslash") {
    Paths p;
    commit({0, 0, "", "", ""});
    hostReset();
    host.answerIniFile = true;
    snprintf(host.iniFile, sizeof host.iniFile, "%s", (p.work / "winamp.ini").c_str());
    static std::wstring from;
    static std::wstring to;
    static std::string script;
    from = p.wide(L"Music\\ソ");
    to = p.wide(L"Archive\\表");
    script = p.work / "archive.cmd";
    host.onDialog = [](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_ARCHIVE_FROM, from.c_str());
        SetDlgItemTextW(dialog, IDC_ARCHIVE_TO, to.c_str());
        SetDlgItemTextA(dialog, IDC_SCRIPT_FILE, script.c_str());
        SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    };
    config();
    host.onDialog = nullptr;
    CHECK(messageBoxesSeen() == "");
    const Settings saved = {0, 0, p / L"Music\\ソ\\", p / L"Archive\\表\\", script};
    CHECK(committed() == section(saved));
    CHECK(readFile(p.work / "winamp.ini") == section(saved));

    // Without its separator the from-root would match the folder ソング too.
    play(p.wide(L"Music\\ソング\\song.mp3"));
    click();
    CHECK(messageBoxesSeen() == NOT_INSIDE);
    play(p.wide(L"Music\\ソ\\Artist\\song.mp3"));
    click();
    CHECK(messageBoxesSeen() == "");
    CHECK(readFile(p.work / "archive.cmd") ==
          scriptHeader() + scriptLines(p / L"Music\\ソ\\Artist\\song.mp3", p / L"Archive\\表\\Artist\\"));
}

TEST_CASE("a path of 180 characters and over 300 bytes is archived; one of 256 characters is refused") {
    Paths p;
    const std::wstring folders = japanese(40) + L"\\" + japanese(40) + L"\\" + japanese(40) + L"\\";
    const std::wstring file = p.wide(L"in\\" + folders + japanese(12) + L".mp3");
    REQUIRE(file.size() >= 170);
    REQUIRE(file.size() <= 200);
    REQUIRE(narrow(file).size() > 300);
    writeFile(file, "long");
    commit({1, 1, p.work / "in\\", p.work / "out\\", ""});
    play(file);
    click();
    CHECK(messageBoxesSeen() == "");
    CHECK(readFile(p.wide(L"out\\" + folders + japanese(12) + L".mp3")) == "long");
    CHECK(readFile(file) == "<missing>");

    commit({0, 1, p.work / "in\\", p.work / "out\\", p.work / "archive.cmd"});
    play(file);
    click();
    CHECK(messageBoxesSeen() == "");
    CHECK(readFile(p.work / "archive.cmd") ==
          scriptHeader() + scriptLines(narrow(file), p / (L"out\\" + folders)));

    const std::wstring tooLong = file.substr(0, file.size() - 4) + japanese(256 - file.size()) + L".mp3";
    REQUIRE(tooLong.size() == 256);
    for (int mode : {0, 1}) {
        CAPTURE(mode);
        DeleteFileA((p.work / "archive.cmd").c_str());
        commit({mode, 1, p.work / "in\\", p.work / "out\\", p.work / "archive.cmd"});
        play(tooLong);
        click();
        CHECK(messageBoxesSeen() == TOO_LONG);
        CHECK(host.requests.nextTrack == 0);
        CHECK(readFile(p.work / "archive.cmd") == "<missing>");
    }
}

TEST_CASE("the command prompt moves each file of the script under its own name") {
    Paths p;
    const std::wstring names[] = {L"表現\\能力.mp3", L"ソ\\ポップ 100%.mp3", L"ポ\\表 50% ソ.mp3"};
    for (const std::wstring& name : names) {
        writeFile(p.wide(L"in\\" + name), narrow(name));
    }
    commit({0, 0, p.work / "in\\", p / L"out ポ\\", p.work / "archive.cmd"});
    for (const std::wstring& name : names) {
        play(p.wide(L"in\\" + name));
        click();
    }
    REQUIRE(messageBoxesSeen() == "");
    runCommand("cmd.exe /c \"" + p.work / "archive.cmd" + "\"", p.work.path);
    for (const std::wstring& name : names) {
        CAPTURE(narrow(name));
        CHECK(readFile(p.wide(L"out ポ\\" + name)) == narrow(name));
        CHECK(readFile(p.wide(L"in\\" + name)) == "<missing>");
    }
}
