// Real time for the sdl and tty backends.
#include <chrono>
#include <ctime>
#include <thread>

#include "platform/host.h"

namespace platform {

namespace {
const auto programStart = std::chrono::steady_clock::now();
}

std::uint64_t HostMilliseconds() {
  auto since = std::chrono::steady_clock::now() - programStart;
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

DateTime HostNow() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_wday,
                  local.tm_hour,        local.tm_min,     local.tm_sec,  static_cast<int>(ms.count())};
}

void HostSleep(unsigned milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace platform
