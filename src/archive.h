// The plug-in's one command: archive the file that the host is playing now.
#pragma once

#include <windows.h>

// Runs the archive action for the host's main window with the settings in
// force. A call that arrives while an action is still running (one of its
// message boxes is open) does nothing.
void archiveCurrentFile(HWND hwnd);

// Runs one of the user's actions for the host's main window, unless one is
// running already: the second would act on a state the first has not left
// yet.
void runAction(void (*action)(HWND), HWND hwnd);
bool isActionRunning();

// Appends the mkdir, the move and the report line for one file to the script,
// open for reading and writing, and closes it. The paths are in the ANSI
// code page: the target's directory, the target and the playing file. The
// bytes appended go into added (SCRIPT_ADDITION_SIZE); returns how many, or
// 0 when they could not be written whole: the script is then as it was.
size_t createCommandPromptScript(HANDLE script, const char* directory, const char* target,
                                 const char* source, char* added);
