// The plug-in's entry point: the export, start-up and shutdown, and the
// window procedure that hooks the host's main window.
#pragma once

#include <windows.h>

#include "plugin_record.h"

LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
