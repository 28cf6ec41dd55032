// The configuration dialog. It edits working copies of the five settings;
// OK normalises the two roots, commits the copies and saves them, Cancel
// drops them. The archive action reads only the committed settings, so an
// open dialog changes nothing until OK.
//
// The dialog is a Unicode dialog, so that its edits hold what the user typed
// or pasted. An ANSI dialog would turn a name the code page lacks into a
// look-alike as it leaves the edit ("Łódź" -> "Lódz"), and OK would store a
// path the user never chose; OK refuses such a name instead.
#include "config_dialog.h"

#include <string.h>

#include "code_page.h"
#include "path_rewrite.h"
#include "plugin_record.h"
#include "resource.h"
#include "settings.h"

char rootDirectoryArchiveFrom_Temp[PATH_BUFFER_SIZE];
char rootDirectoryArchiveTo_Temp[PATH_BUFFER_SIZE];
char scriptFilePathAndName_Temp[PATH_BUFFER_SIZE];
int immediateMode_Temp;
int playNextTrack_Temp;

namespace {

constexpr char TEXT_ROOT_TOO_LONG[] = "The root directory path is too long.";
constexpr char TEXT_SCRIPT_TOO_LONG[] = "The script file path is too long.";
constexpr char TEXT_NOT_IN_CODE_PAGE[] =
    "The path has characters that the settings file cannot hold. Rename the folder or file, or choose "
    "another one.";

// Whether text is empty or its last character is not the separator, so that
// OK must append one. The text is walked a character at a time: in an East
// Asian code page the second byte of a character may be the separator's
// byte (表 is 95 5C in code page 932), while a lead byte never is.
bool needsSeparator(const char* text) {
    const char* last = nullptr;
    for (const char* character = text; *character != '\0'; character = CharNextA(character)) {
        last = character;
    }
    return last == nullptr || *last != PATH_SEPARATOR;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

void removeBlanksAround(char* text) {
    size_t length = strlen(text);
    while (length > 0 && isBlank(text[length - 1])) {
        text[--length] = '\0';
    }
    size_t first = 0;
    while (isBlank(text[first])) {
        ++first;
    }
    memmove(text, text + first, length - first + 1);
}

// A path pasted from Explorer's "Copy as path" comes in double quotes, and
// one typed by hand may carry blanks; no Windows path holds either there.
// Neither byte is ever the second byte of a character, so bytes will do.
void cleanPastedPath(char* text) {
    removeBlanksAround(text);
    const size_t length = strlen(text);
    if (length >= 2 && text[0] == '"' && text[length - 1] == '"') {
        text[length - 1] = '\0';
        memmove(text, text + 1, length - 1);
        removeBlanksAround(text);
    }
}

bool hasRoomForSeparator(const char* text) {
    return !needsSeparator(text) || strlen(text) + 1 < PATH_BUFFER_SIZE;
}

void appendSeparator(char* text) {
    if (needsSeparator(text)) {
        const size_t length = strlen(text);
        text[length] = PATH_SEPARATOR;
        text[length + 1] = '\0';
    }
}

void showScriptRow(HWND hDlg, int command) {
    setVisibility(hDlg, IDC_LABEL_SCRIPT, command);
    setVisibility(hDlg, IDC_SCRIPT_FILE, command);
    setVisibility(hDlg, IDC_PLAY_NEXT_TRACK, command);
}

void initializeDialog(HWND hDlg) {
    SetDlgItemTextA(hDlg, IDC_ARCHIVE_FROM, rootDirectoryArchiveFrom_Temp);
    SetDlgItemTextA(hDlg, IDC_ARCHIVE_TO, rootDirectoryArchiveTo_Temp);
    SetDlgItemTextA(hDlg, IDC_SCRIPT_FILE, scriptFilePathAndName_Temp);
    const bool immediate = immediateMode == 1;
    CheckDlgButton(hDlg, IDC_IMMEDIATE_MODE, immediate ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_SCRIPT_MODE, immediate ? BST_UNCHECKED : BST_CHECKED);
    showScriptRow(hDlg, immediate ? SW_HIDE : SW_SHOW);
    CheckDlgButton(hDlg, IDC_PLAY_NEXT_TRACK, playNextTrack == 1 ? BST_CHECKED : BST_UNCHECKED);
    SendMessageA(hDlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Icon));
}

// Whether the edit's whole text fits a setting. The working copies hold
// at most 255 characters of it, so a longer text would be cut unseen.
bool editTextFits(HWND hDlg, int control) {
    return GetWindowTextLengthA(GetDlgItem(hDlg, control)) < static_cast<int>(PATH_BUFFER_SIZE);
}

// Whether the working copy holds exactly the edit's text: the copy is the
// text in the code page, where a character the code page lacks became a
// look-alike or '?'. The settings file and the script are 8-bit text in the
// code page, so no other form of such a path can be stored.
bool editTextInCodePage(HWND hDlg, int control, const char* workingCopy) {
    wchar_t typed[PATH_BUFFER_SIZE];
    GetDlgItemTextW(hDlg, control, typed, PATH_BUFFER_SIZE);
    return isSameText(typed, workingCopy);
}

// A text longer than a setting, or a root of 255 characters without its
// separator (no room for one), or a path the code page cannot hold, is
// refused: the dialog stays open with the text as typed, and nothing is
// committed. The dialog owns the message, so that it waits until the user
// has read it.
void commitSettings(HWND hDlg) {
    if (!editTextFits(hDlg, IDC_ARCHIVE_FROM) || !editTextFits(hDlg, IDC_ARCHIVE_TO)) {
        MessageBoxA(hDlg, TEXT_ROOT_TOO_LONG, "Error", MB_OK);
        return;
    }
    if (!editTextFits(hDlg, IDC_SCRIPT_FILE)) {
        MessageBoxA(hDlg, TEXT_SCRIPT_TOO_LONG, "Error", MB_OK);
        return;
    }
    if (!editTextInCodePage(hDlg, IDC_ARCHIVE_FROM, rootDirectoryArchiveFrom_Temp) ||
        !editTextInCodePage(hDlg, IDC_ARCHIVE_TO, rootDirectoryArchiveTo_Temp) ||
        !editTextInCodePage(hDlg, IDC_SCRIPT_FILE, scriptFilePathAndName_Temp)) {
        MessageBoxA(hDlg, TEXT_NOT_IN_CODE_PAGE, "Error", MB_OK);
        return;
    }
    cleanPastedPath(rootDirectoryArchiveFrom_Temp);
    cleanPastedPath(rootDirectoryArchiveTo_Temp);
    cleanPastedPath(scriptFilePathAndName_Temp);
    if (!hasRoomForSeparator(rootDirectoryArchiveFrom_Temp) ||
        !hasRoomForSeparator(rootDirectoryArchiveTo_Temp)) {
        MessageBoxA(hDlg, TEXT_ROOT_TOO_LONG, "Error", MB_OK);
        return;
    }
    appendSeparator(rootDirectoryArchiveFrom_Temp);
    appendSeparator(rootDirectoryArchiveTo_Temp);
    immediateMode = immediateMode_Temp;
    playNextTrack = playNextTrack_Temp | immediateMode_Temp;
    strcpy(rootDirectoryArchiveFrom, rootDirectoryArchiveFrom_Temp);
    strcpy(rootDirectoryArchiveTo, rootDirectoryArchiveTo_Temp);
    strcpy(scriptFilePathAndName, scriptFilePathAndName_Temp);
    saveConfiguration();
    EndDialog(hDlg, 0);
}

void handleCommand(HWND hDlg, int control) {
    switch (control) {
    case IDC_ARCHIVE_FROM:
        GetDlgItemTextA(hDlg, control, rootDirectoryArchiveFrom_Temp, PATH_BUFFER_SIZE);
        break;
    case IDC_ARCHIVE_TO:
        GetDlgItemTextA(hDlg, control, rootDirectoryArchiveTo_Temp, PATH_BUFFER_SIZE);
        break;
    case IDC_SCRIPT_FILE:
        GetDlgItemTextA(hDlg, control, scriptFilePathAndName_Temp, PATH_BUFFER_SIZE);
        break;
    case IDC_IMMEDIATE_MODE:
        showScriptRow(hDlg, SW_HIDE);
        immediateMode_Temp = 1;
        break;
    case IDC_SCRIPT_MODE:
        showScriptRow(hDlg, SW_SHOW);
        immediateMode_Temp = 0;
        break;
    case IDC_PLAY_NEXT_TRACK:
        playNextTrack_Temp = playNextTrack_Temp == 0 ? 1 : 0;
        break;
    case IDOK:
        commitSettings(hDlg);
        break;
    case IDCANCEL:
        EndDialog(hDlg, 0);
        break;
    }
}

// From config until the dialog closes.
bool configurationOpen;

}  // namespace

void setVisibility(HWND hDlg, int control, int command) {
    HWND item = GetDlgItem(hDlg, control);
    if (item != nullptr) {
        ShowWindow(item, command);
    }
}

void config() {
    immediateMode_Temp = immediateMode;
    playNextTrack_Temp = playNextTrack;
    strcpy(rootDirectoryArchiveFrom_Temp, rootDirectoryArchiveFrom);
    strcpy(rootDirectoryArchiveTo_Temp, rootDirectoryArchiveTo);
    strcpy(scriptFilePathAndName_Temp, scriptFilePathAndName);
    configurationOpen = true;
    DialogBoxParamW(plugin.hDllInstance, MAKEINTRESOURCEW(IDD_CONFIGURATION), plugin.hwndParent,
                    ConfigProc, 0);
    configurationOpen = false;
}

bool isConfigurationOpen() {
    return configurationOpen;
}

// Returns 0 for every message, WM_INITDIALOG included, so the platform
// handles the rest and sets the keyboard focus itself.
INT_PTR CALLBACK ConfigProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        initializeDialog(hDlg);
        break;
    case WM_COMMAND:
        handleCommand(hDlg, LOWORD(wParam));
        break;
    }
    return 0;
}
