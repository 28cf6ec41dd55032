// The plug-in's actions in the player's list of global hotkeys, so that a
// key the user binds there archives the playing file as a click on the icon
// does, another undoes the last archive as the icon's menu does, and a third
// moves the playing file to the Recycle Bin.
#pragma once

#include <windows.h>

enum HotkeyActionKind { HOTKEY_NONE = -1, HOTKEY_ARCHIVE, HOTKEY_UNDO, HOTKEY_DISCARD };

// Offers the actions to the player's hotkey list, each once per run of the
// player, and listens for their keys until stopHotkeyActions. A player
// before 5.0 has no such list: nothing is sent.
void addHotkeyActions(HWND hwnd);

// The player offers no way to take an action back: a key pressed after this
// reaches the player, which ignores it, or is only passed on.
void stopHotkeyActions();

// Which action a WM_USER message with this lParam is, sent for the user's
// key; HOTKEY_NONE for every other message.
HotkeyActionKind hotkeyActionFor(LPARAM lParam);
