// The files that go with an archived song, and come back with its undo. A
// song's own files (its lyrics, the cue sheet of a whole-album file) are
// named as the song, with an extension the player does not play; they go
// with the song at every archive. The album's other files (its pictures, its
// rip log, a booklet) go with the album's last song: when the song's old
// folder holds no song and no folder any more, whatever is left in it goes
// to the song's new folder, the folder goes, and so on one level up, never
// at or above the from-root. The player decides what a song is (see
// played_extensions.h), and a file of the archived song's own kind is one
// too; a player that does not say moves the song alone.
//
// A file is never replaced, never waited for and never deleted: one whose
// name is taken in the archive, that another program holds, or that the
// Recycle Bin does not take, stays where it is, and so does its folder.
#pragma once

#include <windows.h>

// Room for what one action moves besides the song, in characters: for each
// file its level (0 the song's folder, 1 the folder above, and so on) as
// one character, its attributes as another, then its name and a zero. A
// hundred scans with names of 37 characters fit. What does not fit stays,
// with its folder: every file that moved can come back.
constexpr size_t COMPANIONS_SIZE = 4096;

// Where what goes with a song goes. An archive takes it along into the
// archive. A discard sends the song's own files to the Recycle Bin with it,
// and the album's other files where its songs went: into the archive's
// folder of that level when some of the album was kept there, else into the
// bin. Files only ever go to the bin one by one, never a folder.
enum CompanionWay { COMPANIONS_ARCHIVED, COMPANIONS_DISCARDED };

// After the song went from source (to target in the archive, or to the bin):
// moves what goes with it, then removes the old folders it emptied, deepest
// first, never the from-root nor any folder above it. What moved goes into
// moved (COMPANIONS_SIZE characters); returns how many characters it took.
size_t moveCompanionFiles(HWND hwnd, const wchar_t* source, const wchar_t* target, const wchar_t* fromRoot,
                          CompanionWay way, wchar_t* moved);

// After the song came back to source, and its old folders were made again:
// brings back what went with it, each file to where it was, from the archive
// or from the bin, with its attributes. False when some file could not come
// back (a file of that name where it was, a program holding it): it stays.
// A file gone from the archive or the bin since is passed over.
bool moveCompanionFilesBack(const wchar_t* source, const wchar_t* target, const wchar_t* moved,
                            size_t length);
