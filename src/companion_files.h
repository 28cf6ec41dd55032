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
// name is taken in the archive, or that another program holds, stays where
// it is, and so does its folder.
#pragma once

#include <windows.h>

// Room for what one archive moves besides the song, in characters: for each
// file its level (0 the song's folder, 1 the folder above, and so on) as
// one character, then its name and a zero. A hundred scans with names of 38
// characters fit. What does not fit stays, with its folder: every file that
// moved can come back.
constexpr size_t COMPANIONS_SIZE = 4096;

// After the song moved from source to target, in the immediate mode: moves
// what goes with it, then removes the old folders it emptied, deepest first,
// those whose closing separator is at from or further (see
// removeEmptyDirectories). What moved goes into moved (COMPANIONS_SIZE
// characters); returns how many characters it took.
size_t moveCompanionFiles(HWND hwnd, const wchar_t* source, const wchar_t* target, size_t from,
                          wchar_t* moved);

// After the song came back from target to source, and its old folders were
// made again: moves back what went with it, each file to where it was.
// False when some file could not come back (a file of that name where it
// was, a program holding it): it stays in the archive. A file gone from the
// archive since is passed over.
bool moveCompanionFilesBack(const wchar_t* source, const wchar_t* target, const wchar_t* moved,
                            size_t length);
