// The only way the module reports anything: a message box with a fixed text,
// owned by no window, with only an OK button. Both the archive and its undo
// tell the user so what did not happen.
#pragma once

void showMessage(const char* text, const char* caption);

// The caption "Error".
void showError(const char* text);
