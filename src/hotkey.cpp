// The action in the player's Global Hotkeys list. The player gives plug-ins
// message numbers of its own by name; the hotkey plug-in, itself a plug-in,
// takes new actions through the number of "GenHotkeysAdd" and, when the
// user's key is pressed, sends the action's message to the player's main
// window, where the module's window procedure sees it.
#include "hotkey.h"

#include "host_interface.h"

namespace {

char HOTKEY_NAME[] = "Tunestow: Archive the playing file";
// What the player saves the user's key under: never to change.
char HOTKEY_ID[] = "tunestow archive";
constexpr char ACTION_MESSAGE_NAME[] = "TunestowArchive";
// Adding an id again spoils its name in the player's list, so the action is
// added once per run of the player, even where the module is unloaded and
// loaded again: its number is kept with the player's main window.
constexpr char ADDED_PROPERTY[] = "Tunestow.HotkeyAction";

// Posted, so that the hotkey plug-in has it once the player's message loop
// runs, after every plug-in's init, whichever started first; it reads the
// record then, so the record is static.
genHotkeysAddStruct hotkeyAction = {HOTKEY_NAME, 0, WM_USER, 0, 0, HOTKEY_ID, nullptr, {}};

// The action's number while the module listens for its key, else 0.
LPARAM listeningFor;

LRESULT registerMessage(HWND hwnd, const char* name) {
    return askHost(hwnd, reinterpret_cast<WPARAM>(name), IPC_REGISTER_WINAMP_IPCMESSAGE);
}

bool isMessageNumber(LRESULT answer) {
    return static_cast<ULONG_PTR>(answer) > static_cast<ULONG_PTR>(IPC_REGISTER_WINAMP_IPCMESSAGE);
}

// Gets the player's numbers and posts the action; 0 when the player has
// none to give, else the action's number.
LPARAM postHotkeyAction(HWND hwnd) {
    const LRESULT own = registerMessage(hwnd, ACTION_MESSAGE_NAME);
    const LRESULT add = registerMessage(hwnd, GEN_HOTKEYS_ADD);
    if (!isMessageNumber(own) || !isMessageNumber(add)) {
        return 0;
    }
    hotkeyAction.lParam = own;
    PostMessageA(hwnd, WM_USER, reinterpret_cast<WPARAM>(&hotkeyAction), add);
    SetPropA(hwnd, ADDED_PROPERTY, reinterpret_cast<HANDLE>(own));
    return own;
}

}  // namespace

void addHotkeyAction(HWND hwnd) {
    const LPARAM added = reinterpret_cast<LPARAM>(GetPropA(hwnd, ADDED_PROPERTY));
    listeningFor = added != 0 ? added : postHotkeyAction(hwnd);
}

void stopHotkeyAction() {
    listeningFor = 0;
}

bool isHotkeyAction(LPARAM lParam) {
    return lParam == listeningFor && listeningFor != 0;
}
