// The stand-in host's media library (see HostLibrary in stand_in_host.h):
// what the main window's code needs of it.
#pragma once

#include <windows.h>

// The library's hidden window, made and destroyed with the main window.
void createLibraryWindow(HWND owner, bool unicode);
void destroyLibraryWindow();

// Empties the library and makes it present again, with its service.
void resetLibrary();

// The main window's answer to a request about the library: its window by
// the number registered for "LibraryGetWnd", the service manager (3025).
// False for any other request.
bool answerLibraryRequest(WPARAM wParam, LPARAM lParam, LRESULT* answer);

// Draws the records from y on, down to bottom.
void paintLibrary(HDC dc, int y, int bottom);

// And what the library takes from the main window's code: its window class
// registered as the host's are, and the main window repainted when it shows.
void registerHostWindowClass(const char* name, const wchar_t* nameW, WNDPROC procedure, bool unicode);
void showHostChange();
