// The player's list of what it plays. See played_extensions.h.
//
// The list is one extension a string, an empty string last; only the block's
// own size bounds the walk, so a list without its last string is read no
// further than the block.
#include "played_extensions.h"

#include <wchar.h>

#include "host_interface.h"

namespace {

// The string at offset, and where the next begins; false at the list's end.
bool nextExtension(const PlayedExtensions& extensions, size_t& offset, const wchar_t*& extension,
                   size_t& length) {
    length = 0;
    while (offset + length < extensions.size && extensions.list[offset + length] != L'\0') {
        ++length;
    }
    if (length == 0 || offset + length == extensions.size) {
        return false;
    }
    extension = extensions.list + offset;
    offset += length + 1;
    return true;
}

}  // namespace

PlayedExtensions fetchPlayedExtensions(HWND hwnd) {
    const LRESULT answer = askHost(hwnd, 0, IPC_GET_EXTLISTW);
    if (static_cast<ULONG_PTR>(answer) <= IPC_NO_ANSWER_LIMIT) {
        return {nullptr, 0};
    }
    PlayedExtensions extensions = {reinterpret_cast<const wchar_t*>(answer),
                                   GlobalSize(reinterpret_cast<HGLOBAL>(answer)) / sizeof(wchar_t)};
    // No block of GlobalAlloc's is no list, and not ours to free.
    if (extensions.size == 0) {
        return {nullptr, 0};
    }
    // A list that names nothing would make every file a song's companion.
    size_t offset = 0;
    const wchar_t* first;
    size_t length;
    if (!nextExtension(extensions, offset, first, length)) {
        freePlayedExtensions(extensions);
    }
    return extensions;
}

void freePlayedExtensions(PlayedExtensions& extensions) {
    if (extensions.list != nullptr) {
        GlobalFree(reinterpret_cast<HGLOBAL>(const_cast<wchar_t*>(extensions.list)));
    }
    extensions = {nullptr, 0};
}

bool isPlayedExtension(const PlayedExtensions& extensions, const wchar_t* extension, size_t length) {
    size_t offset = 0;
    const wchar_t* played;
    size_t playedLength;
    while (nextExtension(extensions, offset, played, playedLength)) {
        if (CompareStringOrdinal(extension, static_cast<int>(length), played, static_cast<int>(playedLength),
                                 TRUE) == CSTR_EQUAL) {
            return true;
        }
    }
    return false;
}

bool isSongName(const PlayedExtensions& extensions, const wchar_t* name) {
    const wchar_t* dot = wcsrchr(name, L'.');
    return dot != nullptr && isPlayedExtension(extensions, dot + 1, wcslen(dot + 1));
}
