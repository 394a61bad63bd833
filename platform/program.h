// Facts about the running program that the host reports.
#pragma once
#include <string>

namespace platform {

// The full path of the running program's executable, in the Windows code page; empty when the
// host can't tell.
std::string ProgramPath();

}  // namespace platform
