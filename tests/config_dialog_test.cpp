// The configuration dialog, driven as a person would: text typed into the
// edits, clicks on the radio buttons, the check box, OK and Cancel. What is
// checked is what the user sees (marks, shown and hidden controls, message
// boxes) and what the host gets (its INI file, the settings in force).
#include <functional>
#include <string>
#include <vector>

#include "config_dialog.h"
#include "gen_tunestow.h"
#include "resource.h"
#include "settings.h"
#include "stand_in_host.h"
#include "test_support.h"
#include "settings_support.h"

namespace {

// --- the user's side of the dialog ---

void type(HWND dialog, int edit, const std::string& text) {
    SetDlgItemTextA(dialog, edit, text.c_str());
}

void click(HWND dialog, int control) {
    SendMessageA(GetDlgItem(dialog, control), BM_CLICK, 0, 0);
}

std::string textOf(HWND dialog, int control) {
    char text[1024] = "";
    GetDlgItemTextA(dialog, control, text, sizeof text);
    return text;
}

// What the dialog's modal loop would do with the messages posted meanwhile.
void pumpMessages(HWND dialog) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

// The three edits, as "from|to|script".
std::string edits(HWND dialog) {
    return textOf(dialog, IDC_ARCHIVE_FROM) + "|" + textOf(dialog, IDC_ARCHIVE_TO) + "|" +
           textOf(dialog, IDC_SCRIPT_FILE);
}

std::string edits(const Settings& s) {
    return s.from + "|" + s.to + "|" + s.script;
}

// The marked buttons among 102, 103 and 105, as "103 105".
std::string marks(HWND dialog) {
    std::string seen;
    for (int id : {IDC_IMMEDIATE_MODE, IDC_SCRIPT_MODE, IDC_PLAY_NEXT_TRACK}) {
        if (IsDlgButtonChecked(dialog, id) == BST_CHECKED) {
            seen += (seen.empty() ? "" : " ") + std::to_string(id);
        }
    }
    return seen;
}

// The visible controls, in template order.
std::string visible(HWND dialog) {
    std::string seen;
    for (int id : {107, 101, 111, 110, 109, 102, 103, 108, 104, 105, 1, 2, 112}) {
        if (IsWindowVisible(GetDlgItem(dialog, id))) {
            seen += (seen.empty() ? "" : " ") + std::to_string(id);
        }
    }
    return seen;
}

const char SCRIPT_MODE_SHOWN[] = "107 101 111 110 102 103 108 104 105 1 2 112";
const char IMMEDIATE_MODE_SHOWN[] = "107 101 111 110 102 103 1 2 112";

// --- running the dialog through the host ---

std::function<void(HWND)> userSteps;
bool dialogShown;
bool dialogLeftOpen;

void actOnDialog(HWND dialog) {
    dialogShown = true;
    userSteps(dialog);
    dialogLeftOpen = IsWindowVisible(dialog);
    if (dialogLeftOpen) {
        EndDialog(dialog, 0);   // so that a faulty dialog cannot hang the run
    }
}

// Opens the dialog as the host does, with the INI file in work, lets the
// user act, and checks that the user's last step closed it.
void configure(const TempFolder& work, std::function<void(HWND)> steps) {
    hostReset();
    host.answerIniFile = true;
    snprintf(host.iniFile, sizeof host.iniFile, "%s", (work / "winamp.ini").c_str());
    host.onDialog = actOnDialog;
    userSteps = steps;
    dialogShown = false;
    config();
    REQUIRE_MESSAGE(dialogShown, "the dialog did not show");
    CHECK_MESSAGE(!dialogLeftOpen, "the dialog stayed open");
}

const Settings EXAMPLE = {0, 1, "C:\\Music\\Inbox\\", "D:\\Archive\\", "C:\\Music\\archive.cmd"};
const std::string LONG_ROOT(254, 'r');

}  // namespace

TEST_CASE("the dialog opens with the settings in force and the module's icon") {
    Icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TUNESTOW));
    struct Case {
        int immediate, next;
        const char* marks;
        const char* shown;
    } cases[] = {
        {0, 0, "103", SCRIPT_MODE_SHOWN},      {0, 1, "103 105", SCRIPT_MODE_SHOWN},
        {1, 1, "102 105", IMMEDIATE_MODE_SHOWN}, {1, 0, "102", IMMEDIATE_MODE_SHOWN},
        {2, 1, "103 105", SCRIPT_MODE_SHOWN},  {-1, 2, "103", SCRIPT_MODE_SHOWN},
    };
    TempFolder work;
    for (const Case& c : cases) {
        CAPTURE(c.immediate);
        CAPTURE(c.next);
        commit({c.immediate, c.next, EXAMPLE.from, EXAMPLE.to, EXAMPLE.script});
        configure(work, [&](HWND dialog) {
            CHECK(marks(dialog) == c.marks);
            CHECK(visible(dialog) == c.shown);
            CHECK(edits(dialog) == edits(EXAMPLE));
            CHECK(textOf(dialog, IDC_NOTICE) != "");
            CHECK(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0) == reinterpret_cast<LRESULT>(Icon));
            click(dialog, IDCANCEL);
        });
    }
    CHECK(messageBoxesSeen() == "");
}

TEST_CASE("OK commits what the user typed and chose, and saves it in the host's INI file") {
    TempFolder work;
    commit({0, 0, "", "", ""});
    configure(work, [](HWND dialog) {
        type(dialog, IDC_ARCHIVE_FROM, "C:\\Music\\Inbox\\");
        type(dialog, IDC_ARCHIVE_TO, "D:\\Archive");
        type(dialog, IDC_SCRIPT_FILE, "C:\\Music\\archive.cmd");
        click(dialog, IDC_PLAY_NEXT_TRACK);
        click(dialog, IDOK);
    });
    CHECK(readFile(work / "winamp.ini") == section(EXAMPLE));
    CHECK(committed() == section(EXAMPLE));
    CHECK(host.requests.getIniFile == 1);
    CHECK(messageBoxesSeen() == "");

    // Pasted with Explorer's "Copy as path", or with blanks around: cleaned,
    // and shown so the next time.
    commit({0, 0, "", "", ""});
    configure(work, [](HWND dialog) {
        type(dialog, IDC_ARCHIVE_FROM, "  \"C:\\Music\\Inbox\"\t");
        type(dialog, IDC_ARCHIVE_TO, "\" D:\\Archive\\ \" ");
        type(dialog, IDC_SCRIPT_FILE, "\"C:\\Music\\archive.cmd\"");
        click(dialog, IDC_PLAY_NEXT_TRACK);
        click(dialog, IDOK);
    });
    CHECK(readFile(work / "winamp.ini") == section(EXAMPLE));
    configure(work, [](HWND dialog) {
        CHECK(edits(dialog) == edits(EXAMPLE));
        click(dialog, IDCANCEL);
    });
}

TEST_CASE("OK ends each root in a backslash, adding none where there is one") {
    struct Case {
        std::string typed, root;
    } cases[] = {
        {"", "\\"},
        {"C:\\Music", "C:\\Music\\"},
        {"C:\\Music\\", "C:\\Music\\"},
        {"C:/Music/", "C:/Music/\\"},
        {"C:\\Music\\\\", "C:\\Music\\\\"},
        {LONG_ROOT, LONG_ROOT + "\\"},
        {LONG_ROOT + "\\", LONG_ROOT + "\\"},
    };
    TempFolder work;
    for (const Case& c : cases) {
        CAPTURE(c.typed);
        commit(EXAMPLE);
        configure(work, [&](HWND dialog) {
            for (int edit : {IDC_ARCHIVE_FROM, IDC_ARCHIVE_TO, IDC_SCRIPT_FILE}) {
                type(dialog, edit, c.typed);
            }
            click(dialog, IDOK);
        });
        // The script path is left as typed.
        CHECK(committed() == section({0, 1, c.root, c.root, c.typed}));
        CHECK(readFile(work / "winamp.ini") == section({0, 1, c.root, c.root, c.typed}));
    }
}

TEST_CASE("the mode shows or hides the script row and the skip box, which keeps its mark") {
    struct Case {
        int immediate, next;
        std::vector<int> clicks;
        const char* marks;   // before OK
        int committedMode, committedNext;
    } cases[] = {
        {1, 0, {}, "102", 1, 1},
        {0, 0, {IDC_IMMEDIATE_MODE}, "102", 1, 1},
        {0, 1, {IDC_PLAY_NEXT_TRACK}, "103", 0, 0},
        {0, 0, {IDC_PLAY_NEXT_TRACK}, "103 105", 0, 1},
        {1, 1, {IDC_SCRIPT_MODE}, "103 105", 0, 1},
        {0, 0, {IDC_PLAY_NEXT_TRACK, IDC_IMMEDIATE_MODE, IDC_SCRIPT_MODE}, "103 105", 0, 1},
        {0, 1, {IDC_IMMEDIATE_MODE, IDC_SCRIPT_MODE, IDC_PLAY_NEXT_TRACK}, "103", 0, 0},
        // Written into the INI file by hand: kept, and or-ed into the skip setting.
        {2, 0, {}, "103", 2, 2},
        {2, 1, {}, "103 105", 2, 3},
        {2, 0, {IDC_PLAY_NEXT_TRACK}, "103 105", 2, 3},
    };
    TempFolder work;
    for (const Case& c : cases) {
        CAPTURE(c.immediate);
        CAPTURE(c.next);
        CAPTURE(c.clicks.size());
        commit({c.immediate, c.next, "C:\\In\\", "D:\\Out\\", "C:\\a.cmd"});
        configure(work, [&](HWND dialog) {
            for (int control : c.clicks) {
                click(dialog, control);
                const bool scriptMode = IsDlgButtonChecked(dialog, IDC_SCRIPT_MODE) == BST_CHECKED;
                CHECK(visible(dialog) == (scriptMode ? SCRIPT_MODE_SHOWN : IMMEDIATE_MODE_SHOWN));
            }
            CHECK(marks(dialog) == c.marks);
            click(dialog, IDOK);
        });
        const Settings expected = {c.committedMode, c.committedNext, "C:\\In\\", "D:\\Out\\", "C:\\a.cmd"};
        CHECK(committed() == section(expected));
        CHECK(readFile(work / "winamp.ini") == section(expected));
    }
}

TEST_CASE("Cancel, Escape and the close box keep the settings in force and the INI file as they were") {
    TempFolder work;
    for (const char* way : {"Cancel", "Escape", "close box"}) {
        CAPTURE(way);
        writeFile(work / "winamp.ini", "[Winamp]\r\nvolume=200\r\n" + section(EXAMPLE));
        commit(EXAMPLE);
        configure(work, [&](HWND dialog) {
            type(dialog, IDC_ARCHIVE_FROM, "E:\\Other\\");
            type(dialog, IDC_ARCHIVE_TO, "");
            type(dialog, IDC_SCRIPT_FILE, "E:\\other.cmd");
            click(dialog, IDC_PLAY_NEXT_TRACK);
            click(dialog, IDC_IMMEDIATE_MODE);
            if (way == std::string("Cancel")) {
                click(dialog, IDCANCEL);
            } else if (way == std::string("Escape")) {
                PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
            } else {
                SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            pumpMessages(dialog);
        });
        CHECK(committed() == section(EXAMPLE));
        CHECK(readFile(work / "winamp.ini") == "[Winamp]\r\nvolume=200\r\n" + section(EXAMPLE));
        CHECK(host.requests.getIniFile == 0);

        // The next time the dialog starts again from the settings in force.
        configure(work, [](HWND dialog) {
            CHECK(edits(dialog) == edits(EXAMPLE));
            CHECK(marks(dialog) == "103 105");
            click(dialog, IDOK);
        });
        CHECK(committed() == section(EXAMPLE));
    }
    CHECK(messageBoxesSeen() == "");
}

TEST_CASE("OK with a text that does not fit says so, keeps the dialog open and loses nothing") {
    constexpr char ROOT_TOO_LONG[] = "Error|The root directory path is too long.\n";
    constexpr char SCRIPT_TOO_LONG[] = "Error|The script file path is too long.\n";
    constexpr char NOT_IN_CODE_PAGE[] = "Error|The path has characters that the settings file cannot hold. "
                                        "Rename the folder or file, or choose another one.\n";
    // Cut to 255 characters, this one would still end in the backslash.
    const std::string overLong = std::string(254, 'o') + "\\" + std::string(45, 'p');
    const struct {
        int edit;
        std::wstring typed;    // refused
        std::string accepted;  // typed next, and committed as given
        std::string committedAs;
        const char* message;
    } cases[] = {
        // 255 characters leave no room for the backslash OK adds.
        {IDC_ARCHIVE_FROM, widen(LONG_ROOT + "x"), LONG_ROOT, LONG_ROOT + "\\", ROOT_TOO_LONG},
        {IDC_ARCHIVE_TO, widen(LONG_ROOT + "x"), LONG_ROOT, LONG_ROOT + "\\", ROOT_TOO_LONG},
        // Longer than a setting holds: it would be cut without a word.
        {IDC_ARCHIVE_FROM, widen(overLong), "C:\\In\\", "C:\\In\\", ROOT_TOO_LONG},
        {IDC_ARCHIVE_TO, widen(overLong), "D:\\Out", "D:\\Out\\", ROOT_TOO_LONG},
        {IDC_SCRIPT_FILE, widen(std::string(256, 's')), std::string(255, 's'), std::string(255, 's'), SCRIPT_TOO_LONG},
        // Pasted names the code page lacks (Łódź, łukasz) would be saved as
        // look-alikes; a name beyond ASCII that it holds is kept as its bytes.
        {IDC_ARCHIVE_FROM, L"C:\\Muzyka\\\u0141\u00f3d\u017a\\", "C:\\Muzyka\\Caf\xe9", "C:\\Muzyka\\Caf\xe9\\",
         NOT_IN_CODE_PAGE},
        {IDC_ARCHIVE_TO, L"D:\\Archiwum\\\u0141\u00f3d\u017a\\", "D:\\Archiwum\\Caf\xe9\\",
         "D:\\Archiwum\\Caf\xe9\\", NOT_IN_CODE_PAGE},
        {IDC_SCRIPT_FILE, L"C:\\\u0142ukasz.cmd", "C:\\Caf\xe9.cmd", "C:\\Caf\xe9.cmd", NOT_IN_CODE_PAGE},
    };
    TempFolder work;
    for (const auto& c : cases) {
        CAPTURE(c.edit);
        CAPTURE(c.typed.size());
        CAPTURE(c.accepted);
        writeFile(work / "winamp.ini", section(EXAMPLE));
        commit(EXAMPLE);
        configure(work, [&](HWND dialog) {
            click(dialog, IDC_IMMEDIATE_MODE);
            SetDlgItemTextW(dialog, c.edit, c.typed.c_str());
            // The dialog owns the message and waits for it: no second OK,
            // no Cancel behind the user's back.
            static HWND owner;
            static bool dialogEnabledDuringBox;
            owner = dialog;
            dialogEnabledDuringBox = true;
            host.onMessageBox = [] { dialogEnabledDuringBox = IsWindowEnabled(owner); };
            click(dialog, IDOK);
            host.onMessageBox = nullptr;
            CHECK_FALSE(dialogEnabledDuringBox);
            CHECK(IsWindowVisible(dialog));
            CHECK(messageBoxesSeen(true) == c.message);
            CHECK(committed() == section(EXAMPLE));
            CHECK(readFile(work / "winamp.ini") == section(EXAMPLE));
            CHECK(host.requests.getIniFile == 0);

            // Nothing the user typed is lost; a text that fits is taken.
            wchar_t shown[512] = L"";
            GetDlgItemTextW(dialog, c.edit, shown, 512);
            CHECK((shown == c.typed));
            type(dialog, c.edit, c.accepted);
            click(dialog, IDOK);
        });
        Settings expected = {1, 1, EXAMPLE.from, EXAMPLE.to, EXAMPLE.script};
        (c.edit == IDC_ARCHIVE_FROM ? expected.from : c.edit == IDC_ARCHIVE_TO ? expected.to : expected.script) =
            c.committedAs;
        CHECK(committed() == section(expected));
        CHECK(readFile(work / "winamp.ini") == section(expected));
    }
}
