// The settings in force and their section of the host's INI file. The host
// is asked for the file's location at every load and save; without an
// answer the bare "winamp.ini" is used, which Windows finds in its own folder.
#include "settings.h"

#include <windows.h>

#include "gen_tunestow.h"
#include "host_interface.h"

char rootDirectoryArchiveFrom[PATH_BUFFER_SIZE];
char rootDirectoryArchiveTo[PATH_BUFFER_SIZE];
char scriptFilePathAndName[PATH_BUFFER_SIZE];
int immediateMode;
int playNextTrack;

namespace {

constexpr char SECTION[] = "Tunestow";
constexpr char FALLBACK_INI_FILE[] = "winamp.ini";

const char* getIniFilePath() {
    const LRESULT answer = SendMessageA(plugin.hwndParent, WM_USER, 0, IPC_GETINIFILE);
    if (static_cast<ULONG_PTR>(answer) <= IPC_NO_ANSWER_LIMIT) {
        return FALLBACK_INI_FILE;
    }
    return reinterpret_cast<const char*>(answer);
}

// A missing key keeps the setting's current value: it is its own default.
void loadInteger(const char* key, int& setting, const char* iniFile) {
    setting = static_cast<int>(GetPrivateProfileIntA(SECTION, key, setting, iniFile));
}

void loadText(const char* key, char* setting, const char* iniFile) {
    char current[PATH_BUFFER_SIZE];
    lstrcpynA(current, setting, sizeof current);
    GetPrivateProfileStringA(SECTION, key, current, setting, PATH_BUFFER_SIZE, iniFile);
}

void saveInteger(const char* key, int setting, const char* iniFile) {
    char text[16];
    wsprintfA(text, "%d", setting);
    WritePrivateProfileStringA(SECTION, key, text, iniFile);
}

}  // namespace

void loadConfiguration() {
    const char* iniFile = getIniFilePath();
    loadInteger("immediateMode", immediateMode, iniFile);
    loadInteger("playNextTrack", playNextTrack, iniFile);
    loadText("rootDirectoryArchiveFrom", rootDirectoryArchiveFrom, iniFile);
    loadText("rootDirectoryArchiveTo", rootDirectoryArchiveTo, iniFile);
    loadText("scriptFilePathAndName", scriptFilePathAndName, iniFile);
}

void saveConfiguration() {
    const char* iniFile = getIniFilePath();
    saveInteger("immediateMode", immediateMode, iniFile);
    saveInteger("playNextTrack", playNextTrack, iniFile);
    WritePrivateProfileStringA(SECTION, "rootDirectoryArchiveFrom", rootDirectoryArchiveFrom, iniFile);
    WritePrivateProfileStringA(SECTION, "rootDirectoryArchiveTo", rootDirectoryArchiveTo, iniFile);
    WritePrivateProfileStringA(SECTION, "scriptFilePathAndName", scriptFilePathAndName, iniFile);
}
