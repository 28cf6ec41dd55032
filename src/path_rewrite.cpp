// Path rewriting: split at the from-root, join with the to-root, and take the
// directory part. Nothing is normalised: no case folding, no exchange of the
// two slashes, no removal of "." or ".." parts.
#include "path_rewrite.h"

#include <string_view>
#include <type_traits>

namespace {

// Index of the first complete occurrence of token in text, or npos. An attempt
// that fails resumes the scan at the character after its first one, so a
// failed partial match never hides an overlapping later one.
template <typename Char>
std::size_t findFirstOccurrence(std::basic_string_view<Char> text, std::basic_string_view<Char> token) {
    if (text.empty() || token.empty()) {
        return std::basic_string_view<Char>::npos;
    }
    for (std::size_t start = 0; start + token.size() <= text.size(); ++start) {
        if (std::basic_string_view<Char>(text.data() + start, token.size()) == token) {
            return start;
        }
    }
    return std::basic_string_view<Char>::npos;
}

template <typename Char>
void copyText(std::basic_string_view<Char> text, Char* buffer) {
    std::char_traits<Char>::copy(buffer, text.data(), text.size());
    buffer[text.size()] = Char();
}

}  // namespace

template <typename Char>
bool getStringTokens(const Char* text, const Char* token,
                     Char* before, std::size_t beforeSize,
                     Char* after, std::size_t afterSize) {
    using View = std::basic_string_view<Char>;
    before[0] = Char();
    after[0] = Char();
    const View whole(text);
    const View needle(token);
    const std::size_t start = findFirstOccurrence(whole, needle);
    if (start == View::npos) {
        return false;
    }
    // Views are cut by hand: substr checks its bounds with an exception,
    // which the module is built without.
    const View head(whole.data(), start);
    const View tail(whole.data() + start + needle.size(),
                                whole.size() - start - needle.size());
    if (head.size() >= beforeSize || tail.size() >= afterSize) {
        return false;
    }
    copyText(head, before);
    copyText(tail, after);
    return true;
}

template <typename Char>
RewriteResult getNewFilePathAndName(const Char* source, const Char* fromRoot,
                                    const Char* toRoot, Char* target) {
    using View = std::basic_string_view<Char>;
    target[0] = Char();
    // Neither half is longer than the source, so a source that fits the
    // buffer has halves that fit theirs.
    if (View(source).size() >= PATH_BUFFER_SIZE) {
        return REWRITE_TOO_LONG;
    }
    Char before[PATH_BUFFER_SIZE];
    Char after[PATH_BUFFER_SIZE];
    if (!getStringTokens(source, fromRoot, before, PATH_BUFFER_SIZE, after, PATH_BUFFER_SIZE)) {
        return REWRITE_NOT_INSIDE;
    }
    const View pieces[] = {before, toRoot, after};
    std::size_t length = 0;
    for (View piece : pieces) {
        length += piece.size();
    }
    if (length >= PATH_BUFFER_SIZE) {
        return REWRITE_TOO_LONG;
    }
    for (View piece : pieces) {
        std::char_traits<Char>::copy(target, piece.data(), piece.size());
        target += piece.size();
    }
    *target = Char();
    return REWRITE_DONE;
}

template <typename Char>
void createDirectoryName(const Char* path, Char* directory, std::size_t directorySize) {
    std::size_t end = 0;  // one past the last separator seen
    for (std::size_t i = 0; path[i] != Char(); ++i) {
        if (path[i] == Char(PATH_SEPARATOR)) {
            end = i + 1;
        }
    }
    if (end >= directorySize) {
        end = directorySize - 1;
    }
    std::char_traits<Char>::copy(directory, path, end);
    directory[end] = Char();
}

template <typename Char>
bool holdsOnlyPathCharacters(const Char* text) {
    constexpr std::string_view forbidden = "\"<>|?*";
    for (; *text != Char(); ++text) {
        const auto code = static_cast<std::make_unsigned_t<Char>>(*text);
        if (code < 0x20 || (code < 0x80 && forbidden.find(static_cast<char>(code)) != forbidden.npos)) {
            return false;
        }
    }
    return true;
}

template <typename Char>
bool isFullPath(const Char* path) {
    const bool driveLetter = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
    const bool fullStart = driveLetter ? path[1] == ':' && path[2] == Char(PATH_SEPARATOR)
                                       : path[0] == Char(PATH_SEPARATOR) && path[1] == Char(PATH_SEPARATOR);
    return fullStart && holdsOnlyPathCharacters(path);
}

// The two kinds of text the module works on.
#define INSTANTIATE_PATH_REWRITING(Char)                                                         \
    template bool getStringTokens<Char>(const Char*, const Char*, Char*, std::size_t, Char*,    \
                                        std::size_t);                                           \
    template RewriteResult getNewFilePathAndName<Char>(const Char*, const Char*, const Char*,    \
                                                       Char*);                                  \
    template void createDirectoryName<Char>(const Char*, Char*, std::size_t);                  \
    template bool holdsOnlyPathCharacters<Char>(const Char*);                                   \
    template bool isFullPath<Char>(const Char*);
INSTANTIATE_PATH_REWRITING(char)
INSTANTIATE_PATH_REWRITING(wchar_t)
