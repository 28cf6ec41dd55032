// Conversions between the ANSI code page and wide text, as the platform makes
// them, without the best fit that would turn one name into another.
#include "code_page.h"

#include <string.h>

bool toAnsiText(const wchar_t* wide, char* ansi, size_t ansiSize) {
    // Windows refuses both the flag and the question for UTF-8, which holds
    // every character anyway.
    const bool utf8 = GetACP() == CP_UTF8;
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, -1, ansi,
                                           static_cast<int>(ansiSize), nullptr,
                                           utf8 ? nullptr : &usedDefault);
    if (length == 0 || usedDefault) {
        ansi[0] = '\0';
        return false;
    }
    return true;
}

bool isSameText(const wchar_t* wide, const char* ansi) {
    char converted[MAX_PATH * MAX_ANSI_BYTES_PER_CHARACTER];
    return toAnsiText(wide, converted, sizeof converted) && strcmp(converted, ansi) == 0;
}

bool toWideText(const char* ansi, wchar_t* wide, size_t wideSize) {
    if (MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, static_cast<int>(wideSize)) != 0) {
        return true;
    }
    // Too long for the buffer: keep what fits.
    const int kept = MultiByteToWideChar(CP_ACP, 0, ansi, static_cast<int>(wideSize) - 1, wide,
                                         static_cast<int>(wideSize) - 1);
    wide[kept] = L'\0';
    return false;
}
