// The archive action's message boxes as messageBoxesSeen() reports them:
// "caption|text", one line each.
#pragma once

constexpr char NOT_PLAYING[] =
    "Error|This plugin works only when Winamp is playing a file. It does not work when playback is stopped.\n";
constexpr char NO_PATH[] = "Error|Winamp did not report the path of the playing file.\n";
constexpr char TOO_LONG[] = "Error|The path of the playing file or of its archive target is too long.\n";
constexpr char NOT_INSIDE[] =
    "Error|The playing file is not inside the archive-from root directory. Check the configuration.\n";
constexpr char SKIP_FAILED[] = "|Failed to move to the next position in the playlist.\n";
constexpr char SCRIPT_NOT_OPENED[] =
    "Error|The script file could not be opened. Check the script file path in the configuration.\n";
constexpr char SCRIPT_NOT_WRITTEN[] =
    "Error|The lines could not be written to the script file, so the file was not archived. Check the free "
    "space on its drive.\n";
constexpr char NOT_MOVED[] = "Error|The file could not be moved to the archive. It stays where it was.\n";
constexpr char ORIGINAL_KEPT[] =
    "Error|The file was copied to the archive, but the original could not be removed.\n";
constexpr char ROOTS_NOT_FULL_PATHS[] =
    "Error|The archive root directories must be full paths, such as C:\\Music\\Inbox\\. Check the configuration.\n";
constexpr char NAME_NOT_IN_CODE_PAGE[] =
    "Error|The name of the playing file has characters that the script file cannot hold. Rename the file, or "
    "archive it in immediate mode.\n";
constexpr char PLAYLIST_CHANGED[] =
    "Error|The playlist has changed since the playing file started, so it is not clear which file is playing. "
    "Nothing was archived. Play the file again from the playlist, then click.\n";

// The undo's.
constexpr char ARCHIVED_FILE_GONE[] =
    "Error|The archived file is no longer in the archive, so it cannot be moved back. This undo is dropped; the "
    "ones before it can still be undone.\n";
constexpr char OLD_PATH_TAKEN[] =
    "Error|A file of that name is in the old folder again, so the archived file was not moved back.\n";
constexpr char ARCHIVED_COPY_KEPT[] =
    "Error|The file was copied back, but the archived copy could not be removed.\n";
constexpr char COMPANIONS_KEPT[] =
    "Error|The file was moved back, but some of the files that went with it could not be: a file of that name is "
    "in the old folder again, or another program holds it. They stay in the archive.\n";
constexpr char NOT_MOVED_BACK[] = "Error|The archived file could not be moved back. It stays in the archive.\n";
constexpr char SCRIPT_NOT_OPENED_FOR_UNDO[] =
    "Error|The script file could not be opened, so the lines were not taken out. Close the program that holds it, "
    "then undo again.\n";
constexpr char SCRIPT_CHANGED[] =
    "Error|The script file has changed since the lines were added, so they were not taken out.\n";
