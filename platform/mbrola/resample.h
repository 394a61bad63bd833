// Sampling-rate conversion by a Kaiser-windowed sinc low-pass, fed in pieces.
#ifndef ORALIS_PLATFORM_MBROLA_RESAMPLE_H
#define ORALIS_PLATFORM_MBROLA_RESAMPLE_H

#include <cstdint>
#include <vector>

struct Resampler {
  int in_rate = 0, out_rate = 0;  // Hz
  double half_width = 0;          // kernel half width, input samples
  double cutoff = 0;              // cycles per input sample
  std::vector<float> table;       // kernel from 0 to half_width in kTableSteps per sample
  std::vector<float> pending;     // input not yet consumed; pending[0] is input sample `base`
  int64_t base = 0;
  int64_t produced = 0;  // output samples made so far
  int64_t fed = 0;       // input samples received so far
};

void ResampleStart(Resampler& r, int in_rate, int out_rate);
// Appends to `out` every output sample whose input neighbourhood has arrived; with `last`
// the input ends here (zeros beyond) and the output is completed to its full length.
void ResampleFeed(Resampler& r, const float* in, std::size_t count, bool last,
                  std::vector<float>& out);
// The whole signal at once.
std::vector<float> ResampleAll(const std::vector<float>& in, int in_rate, int out_rate);

#endif
