// The stand-in host as a program: loads a plug-in DLL the way the player
// does, plays a playlist of real files, and offers the plug-in's
// configuration on its menu, so that the plug-in can be tried by hand under
// Wine.
//
//   tunestow-host.exe [--dll PATH] [--ini PATH] [--configure] [--answer-boxes] FILE...
//
// --dll          the plug-in (default: gen_tunestow.dll beside this program)
// --ini          the settings file the host reports (default: tunestow-host.ini
//                beside this program)
// --configure    opens the configuration dialog at once
// --answer-boxes answers every message box with OK and prints it on exit
#include <stdio.h>
#include <string.h>

#include "../src/host_interface.h"
#include "stand_in_host.h"

namespace {

void besideThisProgram(const char* name, char* path, size_t size) {
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    char* slash = strrchr(program, '\\');
    if (slash != nullptr) {
        slash[1] = '\0';
    }
    snprintf(path, size, "%s%s", program, name);
}

int fail(const char* what, const char* detail) {
    fprintf(stderr, "tunestow-host: %s: %s\n", what, detail);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    char dllPath[MAX_PATH];
    besideThisProgram("gen_tunestow.dll", dllPath, sizeof dllPath);
    bool configureAtOnce = false;
    bool answerBoxes = false;
    hostCreateWindow();
    host.answerIniFile = true;
    besideThisProgram("tunestow-host.ini", host.iniFile, sizeof host.iniFile);
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--dll") == 0 && i + 1 < argc) {
            snprintf(dllPath, sizeof dllPath, "%s", argv[++i]);
        } else if (strcmp(argv[i], "--ini") == 0 && i + 1 < argc) {
            snprintf(host.iniFile, sizeof host.iniFile, "%s", argv[++i]);
        } else if (strcmp(argv[i], "--configure") == 0) {
            configureAtOnce = true;
        } else if (strcmp(argv[i], "--answer-boxes") == 0) {
            answerBoxes = true;
        } else if (strncmp(argv[i], "--", 2) == 0) {
            return fail("unknown option", argv[i]);
        } else {
            hostAddEntry(argv[i]);
        }
    }
    host.answerMessageBoxes = answerBoxes;
    host.logMessages = false;
    hostWatchMessageBoxes();

    HMODULE module = LoadLibraryA(dllPath);
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

    char title[128];
    snprintf(title, sizeof title, "Stand-in host - %s", plugin->description);
    SetWindowTextA(host.window, title);
    ShowWindow(host.window, SW_SHOWNORMAL);
    if (configureAtOnce) {
        PostMessageA(host.window, WM_COMMAND, HOST_MENU_CONFIGURE, 0);
    }
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    plugin->quit();
    FreeLibrary(module);
    for (int i = 0; i < host.boxCount && i < HOST_MAX_BOXES; ++i) {
        printf("message box: %s|%s\n", host.boxes[i].caption, host.boxes[i].text);
    }
    return 0;
}
