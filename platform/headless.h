// The headless backend's virtual time and key script, for other headless services.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace platform::headless {

// Virtual milliseconds since start. Time moves only in Sleep and in waits.
std::uint64_t Now();

// Something due at a virtual time: a sound block ending, a voice, an interrupting key.
// A waiting program is woken by the earliest timer before any ordinary key of the script.
using TimerId = int;
TimerId AddTimer(std::uint64_t due, std::function<void()> fire);
void CancelTimer(TimerId id);
// Moves the clock to target, firing every timer due by then in order of time.
void AdvanceTo(std::uint64_t target);
// Jumps to the earliest timer and fires it; false when none is pending.
bool FireNextTimer();
// Back to virtual millisecond 0 with nothing due (a new run).
void ResetClock();

// The key script. Loading stops the run with a message naming the line when a line is bad.
void LoadKeyScript(const std::string& text, const std::string& origin);
// Delivers the next event that waits for an idle program; false when the script is used up.
bool DeliverNextScriptEvent();

}  // namespace platform::headless
