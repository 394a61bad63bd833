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

}  // namespace platform
