// Text in the system's ANSI code page and wide text. The player keeps wide
// paths and answers the older, 8-bit requests with their conversion to the
// ANSI code page, where a character the code page lacks becomes a look-alike
// ("Māori" -> "Maori") or '?'. Such an 8-bit path may name another file, or
// none; these routines tell when it names exactly the same text.
#pragma once

#include <windows.h>

// At most this many bytes a wide character takes in an ANSI code page (UTF-8,
// which Windows may use as its ANSI code page, takes three).
constexpr size_t MAX_ANSI_BYTES_PER_CHARACTER = 3;

// Whether ansi is exactly wide in the ANSI code page, with no character
// replaced by a look-alike or the default character.
bool isSameText(const wchar_t* wide, const char* ansi);

// Converts from the ANSI code page, which every wide text can hold; false when
// the result had to be cut to fit wideSize characters.
bool toWideText(const char* ansi, wchar_t* wide, size_t wideSize);

// Converts to the ANSI code page without look-alikes; false, with ansi empty,
// when a character has no place in it or the text does not fit ansiSize bytes.
bool toAnsiText(const wchar_t* wide, char* ansi, size_t ansiSize);
