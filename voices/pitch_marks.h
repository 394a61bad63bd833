// Pitch marks of a recording: one mark per glottal period where it is voiced (at the
// period's strongest peak), evenly spaced marks where it is not.
#ifndef ORALIS_VOICES_PITCH_MARKS_H
#define ORALIS_VOICES_PITCH_MARKS_H

#include <vector>

#include "platform/mbrola/voicedb.h"

struct PitchEstimate {
  double hz = 0;     // 0 when no period was found
  int polarity = 1;  // +1 when the periods' strongest peaks are positive, -1 when negative
};

// The pitch of a steady voiced stretch, searched between 60 and 400 Hz.
PitchEstimate EstimatePitch(const std::vector<float>& x, int rate);
// Marks over the whole of x (positions in samples, rising), tracking the pitch within about
// half to one and a half times `estimate.hz`.
std::vector<PitchMark> FindPitchMarks(const std::vector<float>& x, int rate,
                                      const PitchEstimate& estimate);

#endif
