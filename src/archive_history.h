// The run's archives and discards, the latest on top, so that each can be
// undone in turn, the last first. A new one goes on top; beyond the bound
// the oldest is forgotten first. Each archive keeps what only it did (the bytes its click
// appended to the script, the names of the files that went with its song)
// in one shared store, as long as it really was, so that twenty short
// clicks cost little and none is copied when another comes or goes.
#pragma once

#include <windows.h>

#include "move_notice.h"
#include "path_rewrite.h"

// The run's archives that can be undone: at least this many.
constexpr size_t ARCHIVES_KEPT = 20;

enum ArchiveKind { ARCHIVE_MOVED, ARCHIVE_SCRIPTED, ARCHIVE_DISCARDED };

struct ArchiveRecord {
    ArchiveKind kind;
    wchar_t source[PATH_BUFFER_SIZE];   // the file's old path; its name is the menu's
    // Moved: where it went, and the folder levels the move made (see
    // createDirectoryLevels). Discarded: where the archive would have put
    // it, whose folders took the album's files where they were there.
    wchar_t target[PATH_BUFFER_SIZE];
    size_t madeFrom;
    // Discarded: the file's attributes, and what the player forgot of it.
    DWORD attributes;
    ForgottenFile forgotten;
    // Scripted: the script, and whether the click created it.
    char scriptPath[PATH_BUFFER_SIZE];
    bool scriptCreated;
    // What only this archive did: the script's bytes, or the files that
    // went with the song, into the archive or the bin (see
    // companion_files.h).
    void* kept;
    size_t keptLength;   // bytes
    // Moved: what the undo needs of the saved playlists it changed (see
    // saved_playlists.h), right after the kept bytes.
    size_t playlistLength;   // bytes
};

// Puts a new archive on top, with room for keptLength bytes at kept and
// playlistLength more after them, and returns it to be filled in. Null,
// with every archive forgotten, when the store cannot hold that many bytes
// at all: the latest must never be an older archive than the last click's.
ArchiveRecord* pushArchive(size_t keptLength, size_t playlistLength = 0);

// The latest archive not yet undone; null when there is none.
ArchiveRecord* latestArchive();

// The latest archive is undone: the one before is the latest now.
void dropLatestArchive();

// A module just started has nothing to undo.
void forgetArchives();
