// The configuration dialog and the working copies it edits.
#pragma once

#include <windows.h>

#include "path_rewrite.h"

extern char rootDirectoryArchiveFrom_Temp[PATH_BUFFER_SIZE];
extern char rootDirectoryArchiveTo_Temp[PATH_BUFFER_SIZE];
extern char scriptFilePathAndName_Temp[PATH_BUFFER_SIZE];
extern int immediateMode_Temp;
extern int playNextTrack_Temp;

// Whether the dialog is open, from the icon's menu or the host's preferences.
bool isConfigurationOpen();

// The host's configure routine: shows the dialog over the host's main
// window and returns when it closes.
void config();

INT_PTR CALLBACK ConfigProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
void setVisibility(HWND hDlg, int control, int command);
