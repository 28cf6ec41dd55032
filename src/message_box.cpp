// Message boxes with a fixed text. See message_box.h.
#include "message_box.h"

#include <windows.h>

namespace {

constexpr char CAPTION_ERROR[] = "Error";

}  // namespace

void showMessage(const char* text, const char* caption) {
    MessageBoxA(nullptr, text, caption, MB_OK);
}

void showError(const char* text) {
    showMessage(text, CAPTION_ERROR);
}
