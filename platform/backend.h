// Backend choice, start-up and the end of the program.
#pragma once
#include <functional>
#include <string>

namespace platform {

enum class Backend { Sdl, Tty, Headless };

// Picks the backend from ORALIS_BACKEND (or the default rule) the first time any service is used.
Backend CurrentBackend();
// Tests: start the headless backend with a key script given as text (replaces ORALIS_KEYS).
void StartHeadless(const std::string& keyScript);

// Called at the end of the program with each of the 25 screen rows (Windows code page).
void SetScreenSource(std::function<std::string(int row)> rowText);

// Runs the exit handlers (last installed first), writes "exit CODE" to the trace and the screen
// dump, and ends the process.
[[noreturn]] void ExitProgram(int code);
void AddExitHandler(std::function<void(int code)> handler);

// A message for the user that must be seen before a failure exit: stderr, and the trace.
void ReportFatal(const std::string& text);

}  // namespace platform
