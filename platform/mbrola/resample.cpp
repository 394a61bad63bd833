#include "platform/mbrola/resample.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTableSteps = 512;  // kernel table points per input sample
constexpr double kZeroCrossings = 16;
constexpr double kKaiserBeta = 8.0;
// Pass band ends at this share of the lower rate's Nyquist frequency; the rest is transition.
constexpr double kPassShare = 0.92;

double BesselI0(double x) {
  double sum = 1, term = 1;
  for (int k = 1; k < 40; ++k) {
    term *= (x / (2 * k)) * (x / (2 * k));
    sum += term;
    if (term < 1e-12 * sum) break;
  }
  return sum;
}

double Kernel(const Resampler& r, double d) {
  const double a = std::abs(d);
  if (a >= r.half_width) return 0;
  const double pos = a * kTableSteps;
  const auto i = static_cast<std::size_t>(pos);
  const double f = pos - static_cast<double>(i);
  return r.table[i] * (1 - f) + r.table[i + 1] * f;
}

}  // namespace

void ResampleStart(Resampler& r, int in_rate, int out_rate) {
  r = Resampler();
  r.in_rate = in_rate;
  r.out_rate = out_rate;
  r.cutoff = 0.5 * kPassShare * std::min(in_rate, out_rate) / in_rate;
  r.half_width = kZeroCrossings / (2 * r.cutoff);
  const auto points = static_cast<std::size_t>(std::ceil(r.half_width * kTableSteps)) + 2;
  r.table.resize(points);
  const double pi = std::acos(-1.0), norm = BesselI0(kKaiserBeta);
  for (std::size_t i = 0; i < points; ++i) {
    const double d = static_cast<double>(i) / kTableSteps;
    const double x = 2 * r.cutoff * d;
    const double sinc = x == 0 ? 1 : std::sin(pi * x) / (pi * x);
    const double t = d / r.half_width;
    const double window = t >= 1 ? 0 : BesselI0(kKaiserBeta * std::sqrt(1 - t * t)) / norm;
    r.table[i] = static_cast<float>(2 * r.cutoff * sinc * window);
  }
}

void ResampleFeed(Resampler& r, const float* in, std::size_t count, bool last,
                  std::vector<float>& out) {
  r.pending.insert(r.pending.end(), in, in + count);
  r.fed += static_cast<int64_t>(count);
  const double step = static_cast<double>(r.in_rate) / r.out_rate;
  const auto reach = static_cast<int64_t>(std::ceil(r.half_width));
  const int64_t total = last ? (r.fed * r.out_rate + r.in_rate - 1) / r.in_rate : INT64_MAX;
  const int64_t available = r.base + static_cast<int64_t>(r.pending.size());
  while (r.produced < total) {
    const double x = static_cast<double>(r.produced) * step;
    const auto centre = static_cast<int64_t>(std::floor(x));
    if (!last && centre + reach >= available) break;
    double sum = 0;
    for (int64_t k = std::max(centre - reach + 1, r.base); k <= centre + reach && k < available;
         ++k)
      sum +=
          r.pending[static_cast<std::size_t>(k - r.base)] * Kernel(r, x - static_cast<double>(k));
    out.push_back(static_cast<float>(sum));
    ++r.produced;
  }
  // Keep only the input that later output samples still reach.
  const auto keep_from =
      static_cast<int64_t>(std::floor(static_cast<double>(r.produced) * step)) - reach;
  if (keep_from > r.base) {
    const auto drop = static_cast<std::size_t>(
        std::min<int64_t>(keep_from - r.base, static_cast<int64_t>(r.pending.size())));
    r.pending.erase(r.pending.begin(), r.pending.begin() + static_cast<std::ptrdiff_t>(drop));
    r.base += static_cast<int64_t>(drop);
  }
}

std::vector<float> ResampleAll(const std::vector<float>& in, int in_rate, int out_rate) {
  Resampler r;
  ResampleStart(r, in_rate, out_rate);
  std::vector<float> out;
  ResampleFeed(r, in.data(), in.size(), true, out);
  return out;
}
