// The run's archives. See archive_history.h.
//
// The records sit in a ring, and their kept bytes in a second ring: a new
// archive takes the next slot and the next room, and the oldest go first
// from whichever is full. Nothing is ever moved to make room.
#include "archive_history.h"

#include "companion_files.h"
#include "saved_playlists.h"

namespace {

// Twenty archives of 4 KiB each fit, with room to spare for the ring's end:
// a script click's lines are mostly below 2 KiB, an album's files a few
// dozen names. Only an archive that took more (an album's hundred scans,
// a script click with paths of hundreds of characters in a double-byte code
// page, at most 16 KiB) may push out older archives before the bound; the
// largest archive always fits.
constexpr size_t KEPT_SIZE = (ARCHIVES_KEPT + 2) * 4 * 1024;
static_assert(KEPT_SIZE >= COMPANIONS_SIZE * sizeof(wchar_t) + PLAYLIST_NOTES_SIZE + 3,
              "the largest archive fits");

alignas(4) unsigned char keptStore[KEPT_SIZE];
ArchiveRecord records[ARCHIVES_KEPT];
size_t latest;      // the slot of the latest, when count is not 0
size_t count;
size_t keptEnd;     // where the next archive's bytes go

ArchiveRecord& fromLatest(size_t steps) {
    return records[(latest + ARCHIVES_KEPT - steps) % ARCHIVES_KEPT];
}

// Whether a kept archive's bytes lie in [start, start + length).
bool isKeptIn(size_t start, size_t length) {
    for (size_t i = 0; i < count; ++i) {
        const ArchiveRecord& record = fromLatest(i);
        const size_t at = static_cast<size_t>(static_cast<unsigned char*>(record.kept) - keptStore);
        const size_t recordLength = record.keptLength + record.playlistLength;
        if (recordLength > 0 && at < start + length && start < at + recordLength) {
            return true;
        }
    }
    return false;
}

}  // namespace

ArchiveRecord* pushArchive(size_t keptLength, size_t playlistLength) {
    const size_t length = (keptLength + playlistLength + 3) & ~static_cast<size_t>(3);
    if (keptLength + playlistLength > KEPT_SIZE - 3) {
        forgetArchives();
        return nullptr;
    }
    if (count == ARCHIVES_KEPT) {
        --count;   // the oldest, whose slot the new one takes
    }
    const size_t start = keptEnd + length <= KEPT_SIZE ? keptEnd : 0;
    while (count > 0 && isKeptIn(start, length)) {
        --count;   // the oldest
    }
    keptEnd = start + length;
    latest = (latest + 1) % ARCHIVES_KEPT;
    ++count;
    ArchiveRecord& record = records[latest];
    record.kept = keptStore + start;
    record.keptLength = keptLength;
    record.playlistLength = playlistLength;
    return &record;
}

ArchiveRecord* latestArchive() {
    return count == 0 ? nullptr : &records[latest];
}

void dropLatestArchive() {
    if (count > 0) {
        --count;
        latest = (latest + ARCHIVES_KEPT - 1) % ARCHIVES_KEPT;
    }
}

void forgetArchives() {
    count = 0;
    keptEnd = 0;
}
