// The discard: the playing file to the Recycle Bin. See discard.h.
//
// It checks what the archive checks, and that the bin can take the file
// and give it back, all before the skip, so that a refusal costs the user
// nothing; then the skip, whatever the skip setting says, which lets the
// host close the file; then the bin, what goes with the song, and the
// player forgets it. Every step that fails says so, and what it did not do
// stays as it was.
#include "discard.h"

#include "action_checks.h"
#include "archive.h"
#include "companion_files.h"
#include "file_move.h"
#include "message_box.h"
#include "move_notice.h"
#include "recycle_bin.h"
#include "skip_track.h"
#include "undo.h"

namespace {

constexpr char TEXT_NOT_IN_INBOX[] =
    "The playing file is not inside the archive-from root directory. Only files there are moved to the "
    "Recycle Bin, so nothing was done.";
constexpr char TEXT_NOT_FIXED_DRIVE[] =
    "The playing file is not on a local hard drive. Windows would delete it for good instead of moving it "
    "to the Recycle Bin, so nothing was done.";
constexpr char TEXT_NO_BIN[] =
    "The Recycle Bin of the playing file's drive does not answer, so nothing was done.";
constexpr char TEXT_NOT_SAFE[] =
    "The playing file's folder cannot keep the file safe while it goes to the Recycle Bin (its drive takes "
    "no second name for a file), so nothing was done.";
constexpr char TEXT_NOT_RECYCLED[] =
    "The file could not be moved to the Recycle Bin. It stays where it was.";
constexpr char TEXT_PUT_BACK[] =
    "The Recycle Bin did not take the file, and Windows deleted it instead. It was put back where it was.";

constexpr const char* RECYCLE_REFUSALS[] = {
    nullptr, TEXT_NOT_FIXED_DRIVE, TEXT_NO_BIN, TEXT_NOT_SAFE,
};

// What the last discard sent along besides the song, noted as it goes.
wchar_t companionsDiscarded[COMPANIONS_SIZE];

// The file is in the bin: what goes with it goes, the player forgets it,
// and the discard can be undone.
void followFileToBin(HWND hwnd, const ActionFile& file, DWORD attributes) {
    const size_t companions = moveCompanionFiles(hwnd, file.sourceWide, file.target, file.fromRoot,
                                                 COMPANIONS_DISCARDED, companionsDiscarded);
    ForgottenFile forgotten;
    tellPlayerOfDiscard(hwnd, file.sourceWide, forgotten);
    noteDiscarded(file.sourceWide, file.target, attributes, forgotten, companionsDiscarded, companions);
}

void runDiscardAction(HWND hwnd) {
    ActionFile file;
    if (!checkPlayingFile(hwnd, file, TEXT_NOT_IN_INBOX)) {
        return;
    }
    wchar_t folder[PATH_BUFFER_SIZE];
    createDirectoryName(file.sourceWide, folder, PATH_BUFFER_SIZE);
    const RecycleCheck check = checkRecycling(folder);
    if (check != RECYCLE_POSSIBLE) {
        showError(RECYCLE_REFUSALS[check]);
        return;
    }
    if (!skipToNextTrack(hwnd, file.position)) {
        return;
    }
    const DWORD attributes = GetFileAttributesW(file.sourceWide);
    switch (recycleFile(file.sourceWide, MOVE_RETRY_MS)) {
    case RECYCLED:
        followFileToBin(hwnd, file, attributes);
        return;
    case RECYCLE_FAILED:
        showError(TEXT_NOT_RECYCLED);
        return;
    case RECYCLE_PUT_BACK:
        showError(TEXT_PUT_BACK);
        return;
    }
}

}  // namespace

void discardCurrentFile(HWND hwnd) {
    runAction(runDiscardAction, hwnd);
}
