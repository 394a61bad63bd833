// A modal message box.
#pragma once
#include <string>

namespace platform {

// sdl: a real modal box; elsewhere a line on standard error. Headless answers at once.
void ShowMessageBox(const std::string& text, const std::string& caption);

}  // namespace platform
