// Diphone concatenation with pitch-synchronous overlap-add: phonemes with durations and
// pitch points in, samples at the voice's rate out.
#ifndef ORALIS_PLATFORM_MBROLA_SYNTH_H
#define ORALIS_PLATFORM_MBROLA_SYNTH_H

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mbrola/voicedb.h"

struct PitchPoint {
  double position;  // per cent of the phoneme's duration, 0 to 100
  double hz;
};

// Starts over with a voice (null: nothing to speak with); drops everything pending.
void SynthStart(const VoiceDatabase* db);
// Drops pending phonemes and samples; the next phoneme starts a new utterance.
void SynthReset();
// Queues one phoneme; the caller has checked that the voice knows its name. An empty name
// stands for silence whatever the voice has. Samples follow as soon as the phoneme after
// the next one and the pitch contour over them are known.
void SynthAddPhoneme(const std::string& name, double duration_ms, std::vector<PitchPoint> points);
// Ends the utterance: all queued phonemes become samples.
void SynthFlush();
// Moves up to `wanted` ready samples into `out`; the count moved.
std::size_t SynthTake(int16_t* out, std::size_t wanted);
std::size_t SynthReady();
void SynthSetGain(double gain);

#endif
