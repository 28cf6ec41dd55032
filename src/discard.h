// The plug-in's second command: the playing file to the Recycle Bin, with
// what belongs to it, in one step, and the player forgets it. Only a file
// below the from-root, the inbox being triaged; in either mode at once,
// since a script cannot recycle and the command prompt's del destroys.
#pragma once

#include <windows.h>

// Runs the discard for the host's main window with the settings in force,
// unless an action is running already.
void discardCurrentFile(HWND hwnd);
