// The wave player: wave files and in-memory wave images played through the wave-output device
// in at most four queued blocks of at most 65,534 bytes, cut short by a key press.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/messages.h"

// An in-memory wave: a 44-byte RIFF/WAVE header, then the PCM samples.
using WaveBuffer = std::vector<std::uint8_t>;

extern bool WaveStopOnKey;   // a waiting key stops playback (the key stays queued)
extern bool WaveFastRate;    // the device plays at 1.5 times the sound's rate
extern bool WaveCutPeriods;  // mono sound drops every other pitch period

constexpr std::size_t WaveBlockBytes = 65534;

// 0 when played (or stopped by a key, or empty); -1 when the file can't be opened or parsed or
// is shorter than it says; else the device's open error.
int PlayWaveFile(const std::string& name);
// Queues the image's samples and returns; poll WavePlaying for the end. With WaveCutPeriods
// and mono sound the samples are rewritten in place.
void PlayWaveMemory(WaveBuffer& buffer);
bool WavePlaying();
void StopWave();
void WaveDoneHandler(platform::WindowHandle window, std::uintptr_t device, std::intptr_t header);

int PlayPcm(std::uint8_t* samples, std::size_t length, int rate, int bits, int channels);
int SetWaveFormat(int rate, int bits, int channels);
int OpenWaveDevice();
bool QueueBlock(const std::uint8_t* samples, std::size_t length);
std::size_t CutPitchPeriods(std::uint8_t* block, std::size_t length, int bits, int rate);

struct ParsedWave {
  bool found = false;
  int channels = 0, rate = 0, bits = 0;
  std::uint8_t* data = nullptr;
  std::size_t dataLength = 0;  // bytes, never past the end of the buffer
};
ParsedWave ParseWaveBuffer(WaveBuffer& buffer);

// The block length for the R bytes still to read from a file: the last block keeps at least
// 257 bytes.
std::size_t FileBlockLength(std::size_t remaining);
