// Opening a document, a program or a web address the way the desktop would.
#pragma once
#include <string>

namespace platform {

// Runs program with params (one argument, or none when empty) in directory; a program that is
// not an executable file (a document, a web address) is opened with the desktop's opener.
// Names in the Windows code page. Headless launches nothing: the trace shows the call.
bool ShellOpen(const std::string& program, const std::string& params, const std::string& directory);

}  // namespace platform
