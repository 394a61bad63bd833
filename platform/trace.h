// The trace: one line an event, "T EVENT ARGS", T the milliseconds since start.
#pragma once
#include <string>
#include <vector>

namespace platform {

bool TraceOn();
// Tests: every trace line is also appended to lines (nullptr stops the capture).
void CaptureTrace(std::vector<std::string>* lines);
// Writes one event; text is in the Windows code page and becomes UTF-8 with control
// characters as \xNN.
void Trace(const std::string& event);
void Trace(const std::string& event, const std::string& text);

}  // namespace platform
