// The settings in force and their section of the host's INI file. The host
// is asked for the file's location at every load and save; without an
// answer the bare "winamp.ini" is used, which Windows finds in its own folder.
//
// The player keeps the file under the user's profile folder, whose name may
// lie outside the ANSI code page; the 8-bit answer then names another file
// (a look-alike folder) or none. The section is then read and written through
// the wide path, its values converted from and to the code page, so that the
// file holds the same bytes either way.
#include "settings.h"

#include <windows.h>

#include "code_page.h"
#include "host_interface.h"
#include "host_path.h"
#include "plugin_record.h"

char rootDirectoryArchiveFrom[PATH_BUFFER_SIZE];
char rootDirectoryArchiveTo[PATH_BUFFER_SIZE];
char scriptFilePathAndName[PATH_BUFFER_SIZE];
int immediateMode;
int playNextTrack;

namespace {

constexpr char SECTION[] = "Tunestow";
constexpr wchar_t SECTION_WIDE[] = L"Tunestow";
constexpr char FALLBACK_INI_FILE[] = "winamp.ini";
constexpr size_t KEY_SIZE = 32;

// The file of the load or save under way.
const char* iniFile;
wchar_t iniFileWide[MAX_PATH];
bool useWidePath;

void locateIniFile() {
    const LRESULT answer = askHost(plugin.hwndParent, 0, IPC_GETINIFILE);
    iniFile = static_cast<ULONG_PTR>(answer) <= IPC_NO_ANSWER_LIMIT
                  ? FALLBACK_INI_FILE
                  : reinterpret_cast<const char*>(answer);
    useWidePath = false;
    if (copyHostPath(askHost(plugin.hwndParent, 0, IPC_GETINIFILEW), iniFileWide, MAX_PATH) !=
        HOST_PATH_COPIED) {
        return;
    }
    useWidePath = !isSameText(iniFileWide, iniFile);
}

// A missing key keeps the setting's current value: it is its own default.
void loadInteger(const char* key, int& setting) {
    if (!useWidePath) {
        setting = static_cast<int>(GetPrivateProfileIntA(SECTION, key, setting, iniFile));
        return;
    }
    wchar_t wideKey[KEY_SIZE];
    toWideText(key, wideKey, KEY_SIZE);
    setting = static_cast<int>(GetPrivateProfileIntW(SECTION_WIDE, wideKey, setting, iniFileWide));
}

void loadText(const char* key, char* setting) {
    if (!useWidePath) {
        char current[PATH_BUFFER_SIZE];
        lstrcpynA(current, setting, sizeof current);
        GetPrivateProfileStringA(SECTION, key, current, setting, PATH_BUFFER_SIZE, iniFile);
        return;
    }
    wchar_t wideKey[KEY_SIZE];
    wchar_t current[PATH_BUFFER_SIZE];
    wchar_t value[PATH_BUFFER_SIZE];
    toWideText(key, wideKey, KEY_SIZE);
    toWideText(setting, current, PATH_BUFFER_SIZE);
    GetPrivateProfileStringW(SECTION_WIDE, wideKey, current, value, PATH_BUFFER_SIZE, iniFileWide);
    // The file's 8-bit text came into wide characters through the code page,
    // so it goes back unchanged; cut to what a setting holds.
    char converted[PATH_BUFFER_SIZE * MAX_ANSI_BYTES_PER_CHARACTER];
    WideCharToMultiByte(CP_ACP, 0, value, -1, converted, sizeof converted, nullptr, nullptr);
    lstrcpynA(setting, converted, PATH_BUFFER_SIZE);
}

void saveText(const char* key, const char* value) {
    if (!useWidePath) {
        WritePrivateProfileStringA(SECTION, key, value, iniFile);
        return;
    }
    wchar_t wideKey[KEY_SIZE];
    wchar_t wideValue[PATH_BUFFER_SIZE];
    toWideText(key, wideKey, KEY_SIZE);
    toWideText(value, wideValue, PATH_BUFFER_SIZE);
    WritePrivateProfileStringW(SECTION_WIDE, wideKey, wideValue, iniFileWide);
}

void saveInteger(const char* key, int setting) {
    char text[16];
    wsprintfA(text, "%d", setting);
    saveText(key, text);
}

}  // namespace

void loadConfiguration() {
    locateIniFile();
    loadInteger("immediateMode", immediateMode);
    loadInteger("playNextTrack", playNextTrack);
    loadText("rootDirectoryArchiveFrom", rootDirectoryArchiveFrom);
    loadText("rootDirectoryArchiveTo", rootDirectoryArchiveTo);
    loadText("scriptFilePathAndName", scriptFilePathAndName);
}

void saveConfiguration() {
    locateIniFile();
    saveInteger("immediateMode", immediateMode);
    saveInteger("playNextTrack", playNextTrack);
    saveText("rootDirectoryArchiveFrom", rootDirectoryArchiveFrom);
    saveText("rootDirectoryArchiveTo", rootDirectoryArchiveTo);
    saveText("scriptFilePathAndName", scriptFilePathAndName);
}
