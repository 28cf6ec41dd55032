// The icon's menu. See tray_menu.h.
#include "tray_menu.h"

#include "archive.h"
#include "config_dialog.h"
#include "discard.h"
#include "undo.h"

namespace {

// The menu's own commands. TrackPopupMenu returns the chosen one instead of
// sending it to the host's window, whose command numbers these could be.
constexpr UINT MENU_ARCHIVE = 1;
constexpr UINT MENU_UNDO = 2;
constexpr UINT MENU_SETTINGS = 3;
constexpr UINT MENU_DISCARD = 4;

HMENU createTrayMenu() {
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, MENU_ARCHIVE, L"&Archive the playing file");
    AppendMenuW(menu, MF_STRING, MENU_DISCARD, L"Move the playing file to the &Recycle Bin");
    wchar_t undo[UNDO_TEXT_SIZE];
    if (describeLastArchive(undo)) {
        AppendMenuW(menu, MF_STRING, MENU_UNDO, undo);
    } else {
        AppendMenuW(menu, MF_STRING | MF_GRAYED, MENU_UNDO, L"&Undo the last archive");
    }
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    // A second dialog would edit the working copies of the one that is open.
    AppendMenuW(menu, MF_STRING | (isConfigurationOpen() ? MF_GRAYED : 0), MENU_SETTINGS, L"&Settings...");
    SetMenuDefaultItem(menu, MENU_ARCHIVE, FALSE);
    return menu;
}

}  // namespace

void showTrayMenu(HWND hwnd) {
    HMENU menu = createTrayMenu();
    POINT cursor = {};
    GetCursorPos(&cursor);
    // Without the window in the foreground the menu would not close when
    // the user clicks elsewhere; the posted message lets the next click
    // reach the menu's owner.
    SetForegroundWindow(hwnd);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr));
    PostMessageW(hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
    switch (chosen) {
    case MENU_ARCHIVE:
        archiveCurrentFile(hwnd);
        break;
    case MENU_DISCARD:
        discardCurrentFile(hwnd);
        break;
    case MENU_UNDO:
        runAction(undoLastArchive, hwnd);
        break;
    case MENU_SETTINGS:
        // As the host's configure routine shows it; the item is grayed
        // while the dialog is open.
        config();
        break;
    }
}
