// Path rewriting, natively: the worked example and the edge cases of the split,
// the rebuild and the directory.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest.h>

#include <string>

#include "path_rewrite.h"

namespace {

struct Split {
    bool matched;
    std::string before;
    std::string after;
};

Split split(const char* text, const char* token) {
    char before[PATH_BUFFER_SIZE] = "junk";
    char after[PATH_BUFFER_SIZE] = "junk";
    const bool matched = getStringTokens(text, token, before, sizeof before, after, sizeof after);
    return {matched, before, after};
}

std::string rebuild(const char* source, const char* fromRoot, const char* toRoot,
                    RewriteResult expected = REWRITE_DONE) {
    char target[PATH_BUFFER_SIZE] = "junk";
    CHECK(getNewFilePathAndName(source, fromRoot, toRoot, target) == expected);
    return target;
}

std::string directoryOf(const char* path) {
    char directory[PATH_BUFFER_SIZE] = "junk";
    createDirectoryName(path, directory, sizeof directory);
    return directory;
}

}  // namespace

TEST_CASE("the worked example re-roots a file below the from-root") {
    const char* source = "C:\\Music\\Inbox\\Artist\\song.mp3";
    const Split halves = split(source, "C:\\Music\\Inbox\\");
    CHECK(halves.matched);
    CHECK(halves.before == "");
    CHECK(halves.after == "Artist\\song.mp3");
    const std::string target = rebuild(source, "C:\\Music\\Inbox\\", "D:\\Archive\\");
    CHECK(target == "D:\\Archive\\Artist\\song.mp3");
    CHECK(directoryOf(target.c_str()) == "D:\\Archive\\Artist\\");
}

TEST_CASE("the split finds the first complete occurrence") {
    struct Case {
        const char* text;
        const char* token;
        bool matched;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {"X:\\CC:\\Music\\x", "C:\\Music\\", true, "X:\\C", "x"},  // further in
        {"xCCab", "Cab", true, "xC", ""},          // a failed attempt hides no overlap
        {"aaab", "aab", true, "a", ""},
        {"C:\\Music\\", "C:\\Music\\", true, "", ""},  // the whole text
        {"abcabc", "abc", true, "", "abc"},        // the first of two
        {"c:\\music\\x", "C:\\Music\\", false, "", ""},  // case differs
        {"C:\\Mus", "C:\\Music\\", false, "", ""},  // text ends inside the token
        {"C:/Music/x", "C:\\Music\\", false, "", ""},  // no exchange of slashes
        {"anything", "", false, "", ""},
        {"", "token", false, "", ""},
        {"", "", false, "", ""},
    };
    for (const Case& c : cases) {
        CAPTURE(c.text);
        CAPTURE(c.token);
        const Split halves = split(c.text, c.token);
        CHECK(halves.matched == c.matched);
        CHECK(halves.before == c.before);
        CHECK(halves.after == c.after);
    }
}

TEST_CASE("the split refuses halves that do not fit their buffers") {
    char before[4] = "x";
    char after[4] = "x";
    CHECK_FALSE(getStringTokens("abcdef|x", "|", before, sizeof before, after, sizeof after));
    CHECK(std::string(before) == "");
    CHECK(std::string(after) == "");
    CHECK(getStringTokens("abc|xyz", "|", before, sizeof before, after, sizeof after));
    CHECK(std::string(before) == "abc");
    CHECK(std::string(after) == "xyz");
    // A half exactly as long as its buffer leaves no room for the zero.
    CHECK_FALSE(getStringTokens("abcd|x", "|", before, sizeof before, after, sizeof after));
    CHECK_FALSE(getStringTokens("x|abcd", "|", before, sizeof before, after, sizeof after));
}

TEST_CASE("a full path starts with a drive and its separator, or with two separators") {
    for (const char* full : {"C:\\", "z:\\Music\\", "\\\\server\\share\\", "D:\\Caf\xe9 & 100%!\\"}) {
        CHECK_MESSAGE(isFullPath(full), full);
    }
    for (const char* relative : {"", "\\", "\\Music\\", "Archive\\", "D:Archive\\", "D:", "1:\\", "C:/"}) {
        CHECK_MESSAGE(!isFullPath(relative), relative);
    }
    // What no path holds: a quote would end the quoted path in the script.
    for (const char* bad : {"D:\\x\" & echo injected & \"", "D:\\a|b\\", "D:\\a?\\", "D:\\a\tb\\", "\\\\s\\<x>\\"}) {
        CHECK_MESSAGE(!isFullPath(bad), bad);
    }
    CHECK(isFullPath(L"D:\\\u0141\u00f3d\u017a\\"));
    CHECK_FALSE(isFullPath(L"D:\\a*\\"));
}

TEST_CASE("the rebuild joins the halves with the to-root and nothing else") {
    CHECK(rebuild("X:\\CC:\\Music\\x", "C:\\Music\\", "D:\\A\\") == "X:\\CD:\\A\\x");
    CHECK(rebuild("C:\\Music\\", "C:\\Music\\", "D:\\A\\") == "D:\\A\\");
    // Roots that disagree about the trailing separator are joined as they are.
    CHECK(rebuild("C:\\Music\\x.mp3", "C:\\Music", "D:\\A\\") == "D:\\A\\\\x.mp3");
    CHECK(rebuild("C:\\Music\\x.mp3", "C:\\Music\\", "") == "x.mp3");
}

TEST_CASE("the rebuild reports a file outside the from-root and leaves the target empty") {
    CHECK(rebuild("C:\\Other\\x.mp3", "C:\\Music\\", "D:\\", REWRITE_NOT_INSIDE) == "");
    CHECK(rebuild("c:\\music\\x.mp3", "C:\\Music\\", "D:\\", REWRITE_NOT_INSIDE) == "");
    CHECK(rebuild("C:\\Music\\x.mp3", "", "D:\\", REWRITE_NOT_INSIDE) == "");  // fresh installation
    CHECK(rebuild("", "C:\\", "D:\\", REWRITE_NOT_INSIDE) == "");
}

TEST_CASE("the rebuild reports a target of more than 255 characters") {
    const std::string name(240, 'n');
    const std::string source = "C:\\M\\" + name;          // 245 characters
    const std::string fits(10, 't');                       // 240 + 10 + 5 = 255
    CHECK(rebuild(source.c_str(), "C:\\M\\", (fits + "\\\\\\\\\\").c_str()).size() == 255);
    CHECK(rebuild(source.c_str(), "C:\\M\\", (fits + "\\\\\\\\\\\\").c_str(), REWRITE_TOO_LONG) == "");
    const std::string tooLongSource = "C:\\M\\" + std::string(251, 'n');  // 256 characters
    CHECK(rebuild(tooLongSource.c_str(), "C:\\M\\", "C:\\M\\", REWRITE_TOO_LONG) == "");
}

TEST_CASE("the directory keeps everything up to the last separator") {
    CHECK(directoryOf("D:\\Archive\\Artist\\song.mp3") == "D:\\Archive\\Artist\\");
    CHECK(directoryOf("D:\\Archive\\") == "D:\\Archive\\");  // ends in the separator
    CHECK(directoryOf("D:\\Archive/Artist/song.mp3") == "D:\\");  // the slash is a character
    CHECK(directoryOf("song.mp3") == "");
    CHECK(directoryOf("") == "");
    CHECK(directoryOf("\\") == "\\");
}

TEST_CASE("the directory is cut to its buffer") {
    char directory[4] = "jun";
    createDirectoryName("abcdef\\x", directory, sizeof directory);
    CHECK(std::string(directory) == "abc");
}

TEST_CASE("wide paths are re-rooted alike, names outside any code page included") {
    wchar_t target[PATH_BUFFER_SIZE] = L"junk";
    CHECK(getNewFilePathAndName(L"C:\\In\\\u5742\u672c\\M\u0101ori.mp3", L"C:\\In\\", L"D:\\Out\\",
                                target) == REWRITE_DONE);
    CHECK(std::wstring(target) == L"D:\\Out\\\u5742\u672c\\M\u0101ori.mp3");
    wchar_t directory[PATH_BUFFER_SIZE] = L"junk";
    createDirectoryName(target, directory, PATH_BUFFER_SIZE);
    CHECK(std::wstring(directory) == L"D:\\Out\\\u5742\u672c\\");
    // A look-alike is another character: no match.
    CHECK(getNewFilePathAndName(L"C:\\M\u0101ori\\x.mp3", L"C:\\Maori\\", L"D:\\", target) ==
          REWRITE_NOT_INSIDE);
    const std::wstring tooLong = L"C:\\In\\" + std::wstring(250, L'\u611b');
    CHECK(getNewFilePathAndName(tooLong.c_str(), L"C:\\In\\", L"D:\\Out\\", target) == REWRITE_TOO_LONG);
}

TEST_CASE("the separator follows the operating-system constant") {
    CHECK(pathSeparatorFor(0) == '\\');
    CHECK(pathSeparatorFor(1) == '/');
    CHECK(pathSeparatorFor(-7) == '/');
    CHECK(PATH_SEPARATOR == '\\');
}
