// Fuzzes the split, the rebuild and the directory against a simple reference.
// The input is "text \0 token \0 to-root"; missing parts are empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "path_rewrite.h"

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string nextPart(const uint8_t*& data, size_t& size) {
    const uint8_t* end = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t length = end ? static_cast<size_t>(end - data) : size;
    std::string part(reinterpret_cast<const char*>(data), length);
    const size_t consumed = end ? length + 1 : length;
    data += consumed;
    size -= consumed;
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text = nextPart(data, size);
    const std::string token = nextPart(data, size);
    const std::string toRoot = nextPart(data, size);

    // Buffers exactly as large as the caller promises, so ASan sees any overrun.
    const size_t halfSize = text.size() + 1;
    char* before = static_cast<char*>(std::malloc(halfSize));
    char* after = static_cast<char*>(std::malloc(halfSize));
    const bool matched = getStringTokens(text.c_str(), token.c_str(), before, halfSize, after, halfSize);
    const size_t expectedAt = token.empty() ? std::string::npos : text.find(token);
    require(matched == (expectedAt != std::string::npos));
    if (matched) {
        require(before == text.substr(0, expectedAt));
        require(std::string(before) + token + after == text);
    } else {
        require(before[0] == '\0' && after[0] == '\0');
    }
    std::free(before);
    std::free(after);

    char* target = static_cast<char*>(std::malloc(PATH_BUFFER_SIZE));
    const RewriteResult result = getNewFilePathAndName(text.c_str(), token.c_str(), toRoot.c_str(), target);
    const std::string expected = matched ? text.substr(0, expectedAt) + toRoot + text.substr(expectedAt + token.size()) : "";
    if (!matched) {
        require(result == (text.size() >= PATH_BUFFER_SIZE ? REWRITE_TOO_LONG : REWRITE_NOT_INSIDE));
    } else if (text.size() >= PATH_BUFFER_SIZE || expected.size() >= PATH_BUFFER_SIZE) {
        require(result == REWRITE_TOO_LONG);
    } else {
        require(result == REWRITE_DONE && target == expected);
    }
    if (result != REWRITE_DONE) {
        require(target[0] == '\0');
    }
    std::free(target);

    // The wide instantiation agrees with the 8-bit one, character for character.
    const auto widen = [](const std::string& narrow) {
        return std::wstring(narrow.begin(), narrow.end());
    };
    wchar_t* wideTarget = static_cast<wchar_t*>(std::malloc(PATH_BUFFER_SIZE * sizeof(wchar_t)));
    require(getNewFilePathAndName(widen(text).c_str(), widen(token).c_str(), widen(toRoot).c_str(),
                                  wideTarget) == result);
    require(wideTarget == widen(result == REWRITE_DONE ? expected : ""));
    std::free(wideTarget);

    const size_t directorySize = text.size() / 2 + 1;
    char* directory = static_cast<char*>(std::malloc(directorySize));
    createDirectoryName(text.c_str(), directory, directorySize);
    const size_t lastSeparator = text.rfind(PATH_SEPARATOR);
    const std::string wanted = lastSeparator == std::string::npos ? "" : text.substr(0, lastSeparator + 1);
    require(directory == wanted.substr(0, directorySize - 1));
    std::free(directory);
    return 0;
}
