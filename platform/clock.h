// Time: milliseconds, date and time parts, sleeping. Virtual in headless.
#pragma once
#include <cstdint>

namespace platform {

struct DateTime {
  int year, month, day, weekday;  // weekday 0 is Sunday
  int hour, minute, second, millisecond;
};

std::uint64_t Milliseconds();  // since the program started
DateTime Now();
// Sleeps without processing messages; in headless the virtual clock moves on.
void Sleep(unsigned milliseconds);
// Headless: the date and time at virtual millisecond 0 (default 2025-03-14 09:30:00, a Friday).
void SetClockStart(int year, int month, int day, int hour, int minute, int second);

}  // namespace platform
