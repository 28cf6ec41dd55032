// The plug-in's action in the player's list of global hotkeys, so that a key
// the user binds there archives the playing file as a click on the icon does.
#pragma once

#include <windows.h>

// Offers the action to the player's hotkey list, once per run of the player,
// and listens for its key until stopHotkeyAction. A player before 5.0 has no
// such list: nothing is sent.
void addHotkeyAction(HWND hwnd);

// The player offers no way to take the action back: a key pressed after this
// reaches the player, which ignores it, or is only passed on.
void stopHotkeyAction();

// Whether a WM_USER message with this lParam is the action's, sent for the
// user's key.
bool isHotkeyAction(LPARAM lParam);
