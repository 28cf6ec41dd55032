// The Recycle Bin. See recycle_bin.h.
//
// The shell's bin is a shell folder: each item's details name the folder it
// came from, and its editing name is the file's own. Several items may come
// from one path; a file is told from those that were there before by
// counting. The second name that keeps a file safe is a hard link beside it:
// when the bin took the file on its own drive the file has both names still;
// otherwise the bin's listing tells whether it took a copy, and when it took
// nothing the second name becomes the file's own again.
#include "recycle_bin.h"

#include <shlobj.h>
#include <shellapi.h>
#include <wchar.h>

#include "file_move.h"
#include "path_rewrite.h"

namespace {

constexpr DWORD RECYCLE_RETRY_STEP_MS = 50;
constexpr wchar_t SECOND_NAME_PREFIX[] = L"tsw";
constexpr int BIN_ORIGINAL_FOLDER_COLUMN = 1;
// Wine's bin takes its context menu's commands only by number; Windows by
// the verb. Wine's "Restore" is this command from the menu's first id; the
// next one destroys the file, so the number is sent to Wine only.
constexpr char RESTORE_VERB[] = "undelete";
constexpr UINT WINE_RESTORE_COMMAND = 301;

// The folder of path, without its closing separator; "C:\" for a file
// at the top of a drive, as the bin names it.
bool folderOf(const wchar_t* path, wchar_t (&folder)[MAX_PATH], bool keepSeparator) {
    const wchar_t* last = wcsrchr(path, PATH_SEPARATOR);
    if (last == nullptr) {
        return false;
    }
    size_t length = static_cast<size_t>(last - path);
    if (keepSeparator || (length == 2 && path[1] == L':')) {
        ++length;
    }
    if (length >= MAX_PATH) {
        return false;
    }
    wmemcpy(folder, path, length);
    folder[length] = L'\0';
    return true;
}

// Gives path a second name on its drive, in its folder.
bool makeSecondName(const wchar_t* path, wchar_t (&second)[MAX_PATH]) {
    wchar_t folder[MAX_PATH];
    if (!folderOf(path, folder, true) || !GetTempFileNameW(folder, SECOND_NAME_PREFIX, 0, second)) {
        return false;
    }
    DeleteFileW(second);
    return CreateHardLinkW(second, path, nullptr) != FALSE;
}

// A file's attributes belong to the file, not to one name: a read-only file
// loses a name only once it is writable. Its attributes are the user's to
// have back, and the undo puts them back.
void removeSecondName(const wchar_t* second) {
    const DWORD attributes = GetFileAttributesW(second);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(second, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    DeleteFileW(second);
}

DWORD linkCount(const wchar_t* path) {
    HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    BY_HANDLE_FILE_INFORMATION information = {};
    const BOOL read = GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    return read ? information.nNumberOfLinks : 0;
}

// The shell asks before it destroys a file that does not fit the bin; No
// keeps it, and the operation counts as aborted.
int deleteToBin(const wchar_t* path, bool& aborted) {
    wchar_t from[MAX_PATH + 1] = {};   // a list of paths, ending in an empty one
    lstrcpynW(from, path, MAX_PATH);
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI | FOF_WANTNUKEWARNING;
    const int answer = SHFileOperationW(&operation);
    aborted = operation.fAnyOperationsAborted != FALSE;
    return answer;
}

// The shell's text of a name or detail.
void readShellText(STRRET& text, PCUITEMID_CHILD item, wchar_t (&out)[MAX_PATH]) {
    out[0] = L'\0';
    switch (text.uType) {
    case STRRET_WSTR:
        lstrcpynW(out, text.pOleStr, MAX_PATH);
        CoTaskMemFree(text.pOleStr);
        break;
    case STRRET_CSTR:
        MultiByteToWideChar(CP_ACP, 0, text.cStr, -1, out, MAX_PATH);
        break;
    case STRRET_OFFSET:
        MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(item) + text.uOffset, -1, out, MAX_PATH);
        break;
    }
}

// What the bin holds from one path: how many items, and the last of them.
struct BinMatches {
    IShellFolder2* bin;
    PITEMID_CHILD last;
    int count;
};

bool comesFrom(IShellFolder2* bin, PCUITEMID_CHILD item, const wchar_t* folder, const wchar_t* name) {
    SHELLDETAILS details = {};
    wchar_t text[MAX_PATH];
    if (FAILED(bin->GetDetailsOf(item, BIN_ORIGINAL_FOLDER_COLUMN, &details))) {
        return false;
    }
    readShellText(details.str, item, text);
    if (!isSameFileName(text, folder)) {
        return false;
    }
    STRRET shown = {};
    if (FAILED(bin->GetDisplayNameOf(item, SHGDN_INFOLDER | SHGDN_FOREDITING, &shown))) {
        return false;
    }
    readShellText(shown, item, text);
    return isSameFileName(text, name);
}

IShellFolder2* openBin() {
    PIDLIST_ABSOLUTE location = nullptr;
    IShellFolder* desktop = nullptr;
    IShellFolder2* bin = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &location)) &&
        SUCCEEDED(SHGetDesktopFolder(&desktop))) {
        desktop->BindToObject(location, nullptr, IID_IShellFolder2, reinterpret_cast<void**>(&bin));
    }
    if (desktop != nullptr) {
        desktop->Release();
    }
    CoTaskMemFree(location);
    return bin;
}

// False when the bin could not be read.
bool searchBin(const wchar_t* path, BinMatches& matches) {
    matches = {};
    wchar_t folder[MAX_PATH];
    if (!folderOf(path, folder, false)) {
        return false;
    }
    const wchar_t* name = wcsrchr(path, PATH_SEPARATOR) + 1;
    matches.bin = openBin();
    IEnumIDList* items = nullptr;
    if (matches.bin == nullptr || matches.bin->EnumObjects(nullptr, SHCONTF_NONFOLDERS, &items) != S_OK) {
        return false;
    }
    PITEMID_CHILD item = nullptr;
    while (items->Next(1, &item, nullptr) == S_OK) {
        if (comesFrom(matches.bin, item, folder, name)) {
            ++matches.count;
            CoTaskMemFree(matches.last);
            matches.last = item;
        } else {
            CoTaskMemFree(item);
        }
    }
    items->Release();
    return true;
}

void closeBinMatches(BinMatches& matches) {
    CoTaskMemFree(matches.last);
    if (matches.bin != nullptr) {
        matches.bin->Release();
    }
    matches = {};
}

// The items from path in the bin; -1 when it could not be read.
int countInBin(const wchar_t* path) {
    BinMatches matches;
    const int count = searchBin(path, matches) ? matches.count : -1;
    closeBinMatches(matches);
    return count;
}

bool runsOnWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void invokeRestore(IShellFolder2* bin, PCUITEMID_CHILD item, const wchar_t* path) {
    IContextMenu* menu = nullptr;
    if (FAILED(bin->GetUIObjectOf(nullptr, 1, &item, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu)))) {
        return;
    }
    HMENU popup = CreatePopupMenu();
    if (SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL))) {
        CMINVOKECOMMANDINFO command = {};
        command.cbSize = sizeof command;
        command.lpVerb = RESTORE_VERB;
        command.nShow = SW_SHOWNORMAL;
        menu->InvokeCommand(&command);
        if (!fileExists(path) && runsOnWine()) {
            command.lpVerb = MAKEINTRESOURCEA(WINE_RESTORE_COMMAND);
            menu->InvokeCommand(&command);
        }
    }
    DestroyMenu(popup);
    menu->Release();
}

// The shell's objects need COM on this thread. The player's thread may have
// it already, in either model; where it has not, the module starts it once
// and keeps it until it stops (startCom costs more than a discard's listing
// of the bin).
bool comTried;
bool comStarted;

void startCom() {
    if (!comTried) {
        comTried = true;
        comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    }
}

// The last folder whose files passed every check: a folder's drive does not
// change while the player runs, and the next song of an album is checked in
// no time.
wchar_t checkedFolder[PATH_BUFFER_SIZE];

bool isInUse(int answer) {
    return answer == ERROR_SHARING_VIOLATION || answer == ERROR_LOCK_VIOLATION;
}

}  // namespace

RecycleCheck checkRecycling(const wchar_t* folder) {
    if (isSameFileName(folder, checkedFolder)) {
        return RECYCLE_POSSIBLE;
    }
    const bool onDrive = ((folder[0] | 0x20) >= L'a' && (folder[0] | 0x20) <= L'z') && folder[1] == L':' &&
                         folder[2] == PATH_SEPARATOR;
    const wchar_t root[] = {folder[0], L':', PATH_SEPARATOR, L'\0'};
    if (!onDrive || GetDriveTypeW(root) != DRIVE_FIXED) {
        return RECYCLE_NOT_FIXED_DRIVE;
    }
    SHQUERYRBINFO bin = {};
    bin.cbSize = sizeof bin;
    if (FAILED(SHQueryRecycleBinW(root, &bin))) {
        return RECYCLE_NO_BIN;
    }
    wchar_t probe[MAX_PATH];
    wchar_t second[MAX_PATH];
    if (!GetTempFileNameW(folder, SECOND_NAME_PREFIX, 0, probe)) {
        return RECYCLE_NOT_SAFE;
    }
    const bool safe = makeSecondName(probe, second);
    if (safe) {
        DeleteFileW(second);
    }
    DeleteFileW(probe);
    if (!safe) {
        return RECYCLE_NOT_SAFE;
    }
    lstrcpynW(checkedFolder, folder, PATH_BUFFER_SIZE);
    return RECYCLE_POSSIBLE;
}

void stopRecycleBin() {
    checkedFolder[0] = L'\0';
    if (comStarted) {
        CoUninitialize();
    }
    comTried = false;
    comStarted = false;
}

RecycleResult recycleFile(const wchar_t* path, DWORD retryMs) {
    wchar_t second[MAX_PATH];
    if (!makeSecondName(path, second)) {
        return RECYCLE_FAILED;
    }
    startCom();
    const int before = countInBin(path);
    const DWORD start = GetTickCount();
    bool aborted = false;
    int answer = deleteToBin(path, aborted);
    while (fileExists(path) && !aborted && isInUse(answer) && GetTickCount() - start < retryMs) {
        Sleep(RECYCLE_RETRY_STEP_MS);
        answer = deleteToBin(path, aborted);
    }
    RecycleResult result = RECYCLE_FAILED;
    if (fileExists(path)) {
        removeSecondName(second);
    } else if (linkCount(second) >= 2 || (before >= 0 && countInBin(path) > before)) {
        removeSecondName(second);
        result = RECYCLED;
    } else {
        result = MoveFileW(second, path) ? RECYCLE_PUT_BACK : RECYCLE_FAILED;
    }
    return result;
}

RestoreResult restoreFromBin(const wchar_t* path) {
    startCom();
    BinMatches matches;
    RestoreResult result = RESTORE_FAILED;
    if (searchBin(path, matches)) {
        if (matches.count == 0) {
            result = RESTORE_NOT_IN_BIN;
        } else {
            invokeRestore(matches.bin, matches.last, path);
            result = fileExists(path) ? RESTORED : RESTORE_FAILED;
        }
    }
    closeBinMatches(matches);
    return result;
}
