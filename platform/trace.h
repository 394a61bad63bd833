// The trace: one line an event, "T EVENT ARGS", T the milliseconds since start.
#pragma once
#include <string>

namespace platform {

bool TraceOn();
// Writes one event; text is in the Windows code page and becomes UTF-8 with control
// characters as \xNN.
void Trace(const std::string& event);
void Trace(const std::string& event, const std::string& text);

}  // namespace platform
