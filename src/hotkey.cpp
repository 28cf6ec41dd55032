// The actions in the player's Global Hotkeys list. The player gives plug-ins
// message numbers of its own by name; the hotkey plug-in, itself a plug-in,
// takes new actions through the number of "GenHotkeysAdd" and, when the
// user's key is pressed, sends the action's message to the player's main
// window, where the module's window procedure sees it.
#include "hotkey.h"

#include "host_interface.h"

namespace {

char ARCHIVE_NAME[] = "Tunestow: Archive the playing file";
char UNDO_NAME[] = "Tunestow: Undo the last archive";
char DISCARD_NAME[] = "Tunestow: Move the playing file to the Recycle Bin";
// What the player saves the user's keys under: never to change.
char ARCHIVE_ID[] = "tunestow archive";
char UNDO_ID[] = "tunestow undo";
char DISCARD_ID[] = "tunestow discard";

struct HotkeyAction {
    // Posted, so that the hotkey plug-in has it once the player's message
    // loop runs, after every plug-in's init, whichever started first; it
    // reads the record then, so the record is static.
    genHotkeysAddStruct record;
    const char* messageName;
    // Adding an id again spoils its name in the player's list, so an action
    // is added once per run of the player, even where the module is
    // unloaded and loaded again: its number is kept with the player's main
    // window.
    const char* addedProperty;
    LPARAM listeningFor;   // the action's number while the module listens for its key, else 0
};

HotkeyAction actions[] = {
    {{ARCHIVE_NAME, 0, WM_USER, 0, 0, ARCHIVE_ID, nullptr, {}}, "TunestowArchive", "Tunestow.HotkeyAction", 0},
    {{UNDO_NAME, 0, WM_USER, 0, 0, UNDO_ID, nullptr, {}}, "TunestowUndo", "Tunestow.HotkeyUndo", 0},
    {{DISCARD_NAME, 0, WM_USER, 0, 0, DISCARD_ID, nullptr, {}}, "TunestowDiscard", "Tunestow.HotkeyDiscard", 0},
};
static_assert(sizeof actions / sizeof actions[0] == HOTKEY_DISCARD + 1, "one record a key's action");

LRESULT registerMessage(HWND hwnd, const char* name) {
    return askHost(hwnd, reinterpret_cast<WPARAM>(name), IPC_REGISTER_WINAMP_IPCMESSAGE);
}

bool isMessageNumber(LRESULT answer) {
    return static_cast<ULONG_PTR>(answer) > static_cast<ULONG_PTR>(IPC_REGISTER_WINAMP_IPCMESSAGE);
}

// Gets the player's numbers and posts the action; 0 when the player has
// none to give, else the action's number.
LPARAM postHotkeyAction(HWND hwnd, HotkeyAction& action) {
    const LRESULT own = registerMessage(hwnd, action.messageName);
    const LRESULT add = registerMessage(hwnd, GEN_HOTKEYS_ADD);
    if (!isMessageNumber(own) || !isMessageNumber(add)) {
        return 0;
    }
    action.record.lParam = own;
    PostMessageA(hwnd, WM_USER, reinterpret_cast<WPARAM>(&action.record), add);
    SetPropA(hwnd, action.addedProperty, reinterpret_cast<HANDLE>(own));
    return own;
}

}  // namespace

void addHotkeyActions(HWND hwnd) {
    for (HotkeyAction& action : actions) {
        const LPARAM added = reinterpret_cast<LPARAM>(GetPropA(hwnd, action.addedProperty));
        action.listeningFor = added != 0 ? added : postHotkeyAction(hwnd, action);
    }
}

void stopHotkeyActions() {
    for (HotkeyAction& action : actions) {
        action.listeningFor = 0;
    }
}

HotkeyActionKind hotkeyActionFor(LPARAM lParam) {
    for (int kind = HOTKEY_ARCHIVE; kind <= HOTKEY_DISCARD; ++kind) {
        if (lParam == actions[kind].listeningFor && lParam != 0) {
            return static_cast<HotkeyActionKind>(kind);
        }
    }
    return HOTKEY_NONE;
}
