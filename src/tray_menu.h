// The icon's menu, opened by a right click on the tray icon, as every icon
// in the notification area has one: the archive, the undo of the last
// archive, and the settings.
#pragma once

#include <windows.h>

// Shows the menu at the cursor for the host's main window and runs the item
// the user chooses, if any, before it returns.
void showTrayMenu(HWND hwnd);
