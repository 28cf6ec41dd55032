// Path rewriting: split at the from-root, join with the to-root, and take the
// directory part. Nothing is normalised: no case folding, no exchange of the
// two slashes, no removal of "." or ".." parts.
#include "path_rewrite.h"

#include <cstring>
#include <string_view>

namespace {

// Index of the first complete occurrence of token in text, or npos. An attempt
// that fails resumes the scan at the character after its first one, so a
// failed partial match never hides an overlapping later one.
std::size_t findFirstOccurrence(std::string_view text, std::string_view token) {
    if (text.empty() || token.empty()) {
        return std::string_view::npos;
    }
    for (std::size_t start = 0; start + token.size() <= text.size(); ++start) {
        if (std::string_view(text.data() + start, token.size()) == token) {
            return start;
        }
    }
    return std::string_view::npos;
}

void copyText(std::string_view text, char* buffer) {
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
}

}  // namespace

bool getStringTokens(const char* text, const char* token,
                     char* before, std::size_t beforeSize,
                     char* after, std::size_t afterSize) {
    before[0] = '\0';
    after[0] = '\0';
    const std::string_view whole(text);
    const std::string_view needle(token);
    const std::size_t start = findFirstOccurrence(whole, needle);
    if (start == std::string_view::npos) {
        return false;
    }
    // Views are cut by hand: substr checks its bounds with an exception,
    // which the module is built without.
    const std::string_view head(whole.data(), start);
    const std::string_view tail(whole.data() + start + needle.size(),
                                whole.size() - start - needle.size());
    if (head.size() >= beforeSize || tail.size() >= afterSize) {
        return false;
    }
    copyText(head, before);
    copyText(tail, after);
    return true;
}

RewriteResult getNewFilePathAndName(const char* source, const char* fromRoot,
                                    const char* toRoot, char* target) {
    target[0] = '\0';
    // Neither half is longer than the source, so a source that fits the
    // buffer has halves that fit theirs.
    if (std::strlen(source) >= PATH_BUFFER_SIZE) {
        return REWRITE_TOO_LONG;
    }
    char before[PATH_BUFFER_SIZE];
    char after[PATH_BUFFER_SIZE];
    if (!getStringTokens(source, fromRoot, before, sizeof before, after, sizeof after)) {
        return REWRITE_NOT_INSIDE;
    }
    const std::string_view pieces[] = {before, toRoot, after};
    std::size_t length = 0;
    for (std::string_view piece : pieces) {
        length += piece.size();
    }
    if (length >= PATH_BUFFER_SIZE) {
        return REWRITE_TOO_LONG;
    }
    for (std::string_view piece : pieces) {
        std::memcpy(target, piece.data(), piece.size());
        target += piece.size();
    }
    *target = '\0';
    return REWRITE_DONE;
}

void createDirectoryName(const char* path, char* directory, std::size_t directorySize) {
    std::size_t end = 0;  // one past the last separator seen
    for (std::size_t i = 0; path[i] != '\0'; ++i) {
        if (path[i] == PATH_SEPARATOR) {
            end = i + 1;
        }
    }
    if (end >= directorySize) {
        end = directorySize - 1;
    }
    std::memcpy(directory, path, end);
    directory[end] = '\0';
}
