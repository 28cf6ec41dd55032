// The undo of the run's archives and discards, one after another, the last
// first. The module keeps what each click that archived or discarded a file
// did, until the end of the run (see archive_history.h), and takes the
// latest not yet undone back when the user asks: the file moved back to
// where it was, the lines taken off the end of the script, or the file
// brought back from the Recycle Bin. A click that is refused or fails adds
// nothing. An undo that can never work (its file gone from the archive or
// the bin) says so and goes, so that the ones before it still can.
#pragma once

#include <windows.h>

#include "move_notice.h"
#include "path_rewrite.h"

// The most bytes one click appends to the script: a new script's header, and
// the three lines, whose eight paths are each up to PATH_BUFFER_SIZE - 1
// characters of up to three bytes, every '%' doubled.
constexpr size_t SCRIPT_ADDITION_SIZE = 16 * 1024;

// Room for the undo item's text in the icon's menu.
constexpr size_t UNDO_TEXT_SIZE = 192;

// Notes a file moved from source to target, the folder levels from madeFrom
// down that the move made (see createDirectoryLevels), and the files that
// went with it (companions, length characters; see companion_files.h),
// and what the undo needs of the saved playlists the move changed
// (playlistLength bytes; see saved_playlists.h).
void noteArchiveMoved(const wchar_t* source, const wchar_t* target, size_t madeFrom, const wchar_t* companions,
                      size_t length, const unsigned char* playlistNotes, size_t playlistLength);

// Notes a file sent from source to the Recycle Bin, with its attributes,
// what the player forgot of it, where the archive would have put it
// (target), and the files that went with it (companions, length
// characters; see companion_files.h).
void noteDiscarded(const wchar_t* source, const wchar_t* target, DWORD attributes,
                   const ForgottenFile& forgotten, const wchar_t* companions, size_t length);

// Notes the bytes appended to the script at scriptPath, which the click
// created when created is true, for the file source.
void noteArchiveScripted(const char* scriptPath, const char* added, size_t length, bool created,
                         const wchar_t* source);

// Writes the menu's text for the latest undo, which names the file, into text
// (UNDO_TEXT_SIZE characters); false, with the text untouched, when there is
// nothing to undo.
bool describeLastArchive(wchar_t* text);

// Takes the latest archive back; every failure gets a message and changes
// nothing. What was undone is forgotten, and the archive before is the
// latest; after a refusal the same may be tried again.
void undoLastArchive(HWND hwnd);
