// The virtual clock: time jumps to the next due event instead of passing.
#include <map>

#include "platform/clock.h"
#include "platform/headless.h"

namespace platform::headless {

namespace {

std::uint64_t now = 0;
struct Due {
  std::uint64_t time;
  TimerId id;
  bool operator<(const Due& o) const { return time != o.time ? time < o.time : id < o.id; }
};
std::map<Due, std::function<void()>> timers;  // ordered by time, then by order of adding
TimerId nextId = 1;

}  // namespace

std::uint64_t Now() { return now; }

TimerId AddTimer(std::uint64_t due, std::function<void()> fire) {
  TimerId id = nextId++;
  timers.emplace(Due{due < now ? now : due, id}, std::move(fire));
  return id;
}

void CancelTimer(TimerId id) {
  for (auto it = timers.begin(); it != timers.end(); ++it)
    if (it->first.id == id) {
      timers.erase(it);
      return;
    }
}

void AdvanceTo(std::uint64_t target) {
  while (!timers.empty() && timers.begin()->first.time <= target) {
    auto first = timers.begin();
    now = first->first.time;
    auto fire = std::move(first->second);
    timers.erase(first);
    fire();
  }
  if (target > now) now = target;
}

void ResetClock() {
  now = 0;
  timers.clear();
}

bool FireNextTimer() {
  if (timers.empty()) return false;
  AdvanceTo(timers.begin()->first.time);
  return true;
}

}  // namespace platform::headless

namespace platform {

namespace {

DateTime start{2025, 3, 14, 5, 9, 30, 0, 0};

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  int yoe = static_cast<int>(y - era * 400);
  int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int doe = static_cast<int>(z - era * 146097);
  int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp + (mp < 10 ? 3 : -9);
  y = static_cast<int>(yoe + era * 400) + (m <= 2);
}

}  // namespace

void SetClockStart(int year, int month, int day, int hour, int minute, int second) {
  start = DateTime{year, month, day, 0, hour, minute, second, 0};
}

DateTime VirtualNow() {
  std::int64_t ms = static_cast<std::int64_t>(headless::Now()) +
                    ((start.hour * 60 + start.minute) * 60 + start.second) * 1000LL;
  std::int64_t days = DaysFromCivil(start.year, start.month, start.day) + ms / 86400000;
  ms %= 86400000;
  DateTime t{};
  CivilFromDays(days, t.year, t.month, t.day);
  t.weekday = static_cast<int>((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday
  t.hour = static_cast<int>(ms / 3600000);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.millisecond = static_cast<int>(ms % 1000);
  return t;
}

}  // namespace platform
