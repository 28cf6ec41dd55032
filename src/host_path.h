// The paths the host answers with (the playing entry's file, its settings
// file) live in the host's memory and may be any length, or no address at
// all. Both the archive action and the settings copy them at once with this.
#pragma once

#include <string.h>

#include "host_interface.h"

enum HostPath { HOST_PATH_COPIED, HOST_PATH_NONE, HOST_PATH_TOO_LONG };

// Copies a path the host owns into path (size characters), reading no
// further than one character past what the buffer holds. An answer of
// IPC_NO_ANSWER_LIMIT or less, or an empty path, is none.
template <typename Char>
HostPath copyHostPath(LRESULT answer, Char* path, size_t size) {
    if (static_cast<ULONG_PTR>(answer) <= IPC_NO_ANSWER_LIMIT) {
        return HOST_PATH_NONE;
    }
    const Char* hostPath = reinterpret_cast<const Char*>(answer);
    size_t length = 0;
    while (length < size && hostPath[length] != Char()) {
        ++length;
    }
    if (length == 0) {
        return HOST_PATH_NONE;
    }
    if (length == size) {
        return HOST_PATH_TOO_LONG;
    }
    memcpy(path, hostPath, (length + 1) * sizeof(Char));
    return HOST_PATH_COPIED;
}
