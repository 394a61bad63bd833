// The clipboard as plain text in the Windows code page.
#pragma once
#include <optional>
#include <string>

namespace platform {

// False when the clipboard can't be opened (busy).
bool SetClipboardText(const std::string& text);
// Nothing when the clipboard can't be opened; an empty text when it holds no text.
std::optional<std::string> GetClipboardText();
// Tests: make the clipboard refuse to open.
void SetClipboardBusy(bool busy);

}  // namespace platform
