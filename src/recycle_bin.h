// The Recycle Bin, where a discarded file goes and whence its undo brings it
// back. The shell's own delete is only "if possible": where the bin cannot
// take a file (a network share, a removable drive, a bin turned off or full,
// and under Wine any trash that cannot take it) it destroys the file and
// says nothing. So a drive is checked before anything happens, and while the
// shell works the file keeps a second name of ours on its drive: afterwards
// the file is in the bin or back under its own name, never neither.
#pragma once

#include <windows.h>

enum RecycleCheck {
    RECYCLE_POSSIBLE,
    RECYCLE_NOT_FIXED_DRIVE,   // a share, a removable drive: the shell would destroy the file
    RECYCLE_NO_BIN,            // the drive's bin does not answer
    RECYCLE_NOT_SAFE,          // the folder takes no second name for a file (no hard links there)
};

// Whether the files of folder (ending in the separator) can go to the bin
// and be kept safe while they go. It makes and removes a small file of its
// own there: a file that another program holds cannot get a second name that
// could be removed again afterwards.
RecycleCheck checkRecycling(const wchar_t* folder);

enum RecycleResult {
    RECYCLED,          // in the bin, and no longer where it was
    RECYCLE_FAILED,    // where it was: held by a program, refused, or cancelled by the user
    RECYCLE_PUT_BACK,  // the shell destroyed it instead; it is back under its name
};

// Sends the file to the bin, trying again for retryMs while it is in use.
RecycleResult recycleFile(const wchar_t* path, DWORD retryMs);

enum RestoreResult {
    RESTORED,            // back at path
    RESTORE_NOT_IN_BIN,  // the bin holds no file from there (it was emptied)
    RESTORE_FAILED,      // the bin could not be read, or the shell did not put it back
};

// Brings the file that was at path back from the bin; its folder must be
// there. A file at path is never replaced: check first.
RestoreResult restoreFromBin(const wchar_t* path);

// What the module started and noted for the bin (COM on the player's thread,
// the last folder checked) goes when it stops.
void stopRecycleBin();
