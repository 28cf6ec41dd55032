// The plug-in's one command: archive the file that the host is playing now.
#pragma once

#include <windows.h>

#include <stdio.h>

// Runs the archive action for the host's main window with the settings in
// force. A call that arrives while an action is still running (one of its
// message boxes is open) does nothing.
void archiveCurrentFile(HWND hwnd);

// Appends the mkdir and the move line for one file to the script file,
// opened for appending and reading, and closes it. The paths are in the ANSI
// code page: the target's directory, the target and the playing file.
void createCommandPromptScript(FILE* script, const char* directory, const char* target,
                               const char* source);
