// Figures of the real backends, not tests:
//   bench_backends fps       full-screen redraws a second of the 80 x 25 grid (sdl backend)
//   bench_backends latency   ms from a wave reset to the first silence out of the SDL device
// Run under SDL_VIDEODRIVER=dummy or xvfb-run; the latency run uses SDL's disk driver paced in
// real time, writing into a pipe whose reader notes when each buffer arrives.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "platform/messages.h"
#include "platform/waveout.h"
#include "platform/window.h"

using namespace platform;
using Clock = std::chrono::steady_clock;

namespace {

std::intptr_t Plain(WindowHandle w, unsigned id, std::uintptr_t wp, std::intptr_t lp) {
  return DefaultWindowProc(w, id, wp, lp);
}

void Pump() {
  Message m;
  while (PeekMessage(m)) DispatchMessage(m);
}

int Fps() {
  RegisterWindowClass({"Bench", Plain, {0, 0, 0}});
  FontHandle font = CreateFont({28, 13, 0, "Lucida Console"});
  FontMetrics m = MeasureFont(font);
  WindowHandle w = CreateWindow("Bench", "bench", 80 * m.averageWidth + 8, 25 * m.height + 28);
  ShowWindow(w, ShowMode::Normal);
  Pump();
  int frames = 0;
  auto start = Clock::now();
  while (Clock::now() - start < std::chrono::seconds(3)) {
    for (int row = 0; row < 25; ++row) {
      std::string text(80, static_cast<char>('A' + (frames + row) % 26));
      DrawText(w, font, 0, row * m.height, text, {255, 255, 255}, {0, 0, static_cast<std::uint8_t>(frames % 2 ? 128 : 0)});
    }
    Pump();  // the backend shows the frame here
    ++frames;
  }
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("cell %d x %d, window %d x %d: %.1f full redraws a second\n", m.averageWidth,
              m.height, 80 * m.averageWidth, 25 * m.height, frames / seconds);
  return 0;
}

int Latency() {
  std::string fifo = "/tmp/oralis-latency-" + std::to_string(getpid());
  mkfifo(fifo.c_str(), 0600);
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", fifo.c_str(), 1);
  std::mutex lock;
  std::vector<std::pair<Clock::time_point, bool>> arrivals;  // time, buffer all silence
  std::thread reader([&] {
    int fd = open(fifo.c_str(), O_RDONLY);
    std::vector<std::uint8_t> buffer(4096);
    ssize_t n;
    while ((n = read(fd, buffer.data(), buffer.size())) > 0) {
      bool silent = std::all_of(buffer.begin(), buffer.begin() + n, [](std::uint8_t b) { return b == 0; });
      std::lock_guard<std::mutex> hold(lock);
      arrivals.emplace_back(Clock::now(), silent);
    }
    close(fd);
  });
  // 16-bit stereo at 44,100 a second: the disk driver's 4,096-byte stdio buffer is 23 ms of it,
  // so arrivals in the pipe are at most that late.
  std::vector<std::uint8_t> tone(44100 * 4 * 5, 0x40);
  std::vector<double> results;
  WaveDevice device = 0;
  if (WaveOutOpen(device, {44100, 16, 2}, NoWindow) != WaveOk) return 1;
  for (int round = 0; round < 10; ++round) {
    WaveHeader h{tone.data(), static_cast<std::uint32_t>(tone.size())};
    WaveOutPrepare(device, &h);
    WaveOutWrite(device, &h);
    std::this_thread::sleep_for(std::chrono::milliseconds(300 + 37 * round));
    auto reset = Clock::now();
    WaveOutReset(device);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Pump();
    WaveOutUnprepare(device, &h);
    std::lock_guard<std::mutex> hold(lock);
    for (auto& [time, silent] : arrivals)
      if (time >= reset && silent) {
        results.push_back(std::chrono::duration<double, std::milli>(time - reset).count());
        break;
      }
    arrivals.clear();
  }
  WaveOutClose(device);
  reader.join();
  unlink(fifo.c_str());
  std::sort(results.begin(), results.end());
  if (results.empty()) return 1;
  std::printf("reset to the first silent 4,096 bytes in the pipe, 44,100 Hz 16-bit stereo (device buffers of"
              " 512 samples, 11.6 ms):"
              " median %.1f ms, worst %.1f ms of %zu\n",
              results[results.size() / 2], results.back(), results.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  setenv("ORALIS_BACKEND", "sdl", 0);
  if (mode == "fps") return Fps();
  if (mode == "latency") return Latency();
  std::fprintf(stderr, "usage: bench_backends fps|latency\n");
  return 2;
}
