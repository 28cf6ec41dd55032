// Module-wide state of the plug-in and the routines the host calls.
#pragma once

#include <windows.h>

#include "host_interface.h"

extern winampGeneralPurposePlugin plugin;
extern HICON Icon;   // resource 104; null until init or quit loads it

int init();
void config();
void quit();
LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
