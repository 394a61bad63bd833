// The simple sound service and the default beep.
#pragma once
#include <cstdint>
#include <vector>

namespace platform {

// Plays a RIFF/WAVE image from memory asynchronously, looping until StopSounds.
// frequency only names the tone in the trace (0 for other sounds).
void PlayLoopingSound(const std::vector<std::uint8_t>& waveImage, int frequency);
void StopSounds();
void Beep();

}  // namespace platform
