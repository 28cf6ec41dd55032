// Re-rooting a file's path: the part that matches the from-root is replaced
// by the to-root, and the directory the result needs is derived. Pure text
// work with no Windows dependency, so it is built and tested natively as
// well. The module re-roots the wide (UTF-16) path. The 8-bit form walks
// bytes: it is exact only where no byte of a longer character is an ASCII
// one (single-byte code pages, UTF-8), not in the East Asian double-byte
// code pages, whose second bytes include '\' and '|'; the tests use it as
// the reference for the wide form.
#pragma once

#include <cstddef>

// 0 selects the backslash as path separator, any other value the slash.
constexpr int OPERATING_SYSTEM = 0;

constexpr char pathSeparatorFor(int operatingSystem) {
    return operatingSystem == 0 ? '\\' : '/';
}
constexpr char PATH_SEPARATOR = pathSeparatorFor(OPERATING_SYSTEM);

// Size of every path buffer in characters, terminating zero included.
constexpr std::size_t PATH_BUFFER_SIZE = 256;

// Splits text at the first complete, case-sensitive occurrence of token.
// On a match, before and after receive the characters ahead of and behind
// the occurrence and the result is true. Without a match (an empty text or
// token never matches), or when a half would not fit its buffer, the result
// is false and both buffers hold empty strings.
template <typename Char>
bool getStringTokens(const Char* text, const Char* token,
                     Char* before, std::size_t beforeSize,
                     Char* after, std::size_t afterSize);

enum RewriteResult {
    REWRITE_DONE,        // target holds before + to-root + after
    REWRITE_NOT_INSIDE,  // the source does not contain the from-root
    REWRITE_TOO_LONG,    // the target would not fit PATH_BUFFER_SIZE
};

// Writes into target (PATH_BUFFER_SIZE characters) the source with its
// from-root replaced by the to-root. On any result but REWRITE_DONE target
// is empty.
template <typename Char>
RewriteResult getNewFilePathAndName(const Char* source, const Char* fromRoot,
                                    const Char* toRoot, Char* target);

// Writes into directory the characters of path up to and including its last
// separator; a path without a separator gives the empty text. A directory
// buffer of PATH_BUFFER_SIZE always holds the directory of a path that fits
// one; a path too long for the buffer is cut at its end.
template <typename Char>
void createDirectoryName(const Char* path, Char* directory, std::size_t directorySize);

// Whether text holds only characters a Windows path may hold: no control
// character and none of " < > | ? *. On the command line the quote would end
// the quoted path and the rest would run as commands; ? and * are wildcards.
template <typename Char>
bool holdsOnlyPathCharacters(const Char* text);

// Whether path is a full path: it starts with a drive letter, a colon and the
// separator (C:\), or with two separators (\\server\share\), and holds only
// what a path may hold.
template <typename Char>
bool isFullPath(const Char* path);
