#include "voices/pitch_marks.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kVoicedCorrelation =
    0.6;                              // normalised autocorrelation above which a frame is voiced
constexpr double kQuietShare = 0.03;  // frames quieter than this share of the loudest are unvoiced

// Best lag in [min_lag, max_lag] of the normalised autocorrelation over x[from, from + width).
std::pair<int, double> BestLag(const std::vector<float>& x, std::size_t from, int width,
                               int min_lag, int max_lag) {
  int best = 0;
  double best_r = 0;
  for (int lag = min_lag; lag <= max_lag; ++lag) {
    double xy = 0, xx = 0, yy = 0;
    for (int n = 0; n < width; ++n) {
      const std::size_t a = from + static_cast<std::size_t>(n),
                        b = a + static_cast<std::size_t>(lag);
      if (b >= x.size()) break;
      xy += x[a] * x[b];
      xx += x[a] * x[a];
      yy += x[b] * x[b];
    }
    const double r = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
    if (r > best_r) best_r = r, best = lag;
  }
  return {best, best_r};
}

double Rms(const std::vector<float>& x, std::size_t from, std::size_t count) {
  double sum = 0;
  const std::size_t end = std::min(x.size(), from + count);
  for (std::size_t i = from; i < end; ++i) sum += x[i] * x[i];
  return end > from ? std::sqrt(sum / static_cast<double>(end - from)) : 0;
}

// Moving average over `width` samples, centred: steadies the peaks that mark the periods.
std::vector<float> Smooth(const std::vector<float>& x, int width) {
  std::vector<float> y(x.size());
  double sum = 0;
  const auto w = static_cast<std::size_t>(std::max(width, 1)), half = w / 2;
  for (std::size_t i = 0; i < x.size() + half; ++i) {
    if (i < x.size()) sum += x[i];
    if (i >= w) sum -= x[i - w];
    if (i >= half) y[i - half] = static_cast<float>(sum / static_cast<double>(w));
  }
  return y;
}

std::size_t PeakIn(const std::vector<float>& y, std::size_t from, std::size_t to, int polarity) {
  std::size_t best = from;
  for (std::size_t i = from; i < to && i < y.size(); ++i)
    if (polarity * y[i] > polarity * y[best]) best = i;
  return best;
}

}  // namespace

PitchEstimate EstimatePitch(const std::vector<float>& x, int rate) {
  PitchEstimate e;
  const int min_lag = rate / 400, max_lag = rate / 60, width = 3 * max_lag;
  if (x.size() < static_cast<std::size_t>(width + max_lag)) return e;
  // The loudest stretch of the recording is the steadiest vowel.
  std::size_t from = 0;
  double loudest = -1;
  for (std::size_t at = 0; at + static_cast<std::size_t>(width + max_lag) < x.size();
       at += static_cast<std::size_t>(max_lag)) {
    const double r = Rms(x, at, static_cast<std::size_t>(width));
    if (r > loudest) loudest = r, from = at;
  }
  auto [lag, r] = BestLag(x, from, width, min_lag, max_lag);
  if (lag == 0 || r < kVoicedCorrelation) return e;
  e.hz = static_cast<double>(rate) / lag;
  float high = 0, low = 0;
  for (std::size_t i = from; i < from + static_cast<std::size_t>(width); ++i)
    high = std::max(high, x[i]), low = std::min(low, x[i]);
  e.polarity = high >= -low ? 1 : -1;
  return e;
}

std::vector<PitchMark> FindPitchMarks(const std::vector<float>& x, int rate,
                                      const PitchEstimate& estimate) {
  const int unvoiced_step = rate / 200;  // 5 ms
  std::vector<PitchMark> marks;
  if (x.empty()) return marks;
  const double period = estimate.hz > 0 ? rate / estimate.hz : rate / 120.0;
  const int min_lag = static_cast<int>(period * 0.6), max_lag = static_cast<int>(period * 1.6);
  const int width = static_cast<int>(period * 2.5), hop = rate / 200;
  // Frame f covers the samples from f * hop: its period in samples, 0 when unvoiced.
  std::vector<int> lags;
  std::vector<double> loudness;
  for (std::size_t at = 0; at < x.size(); at += static_cast<std::size_t>(hop))
    loudness.push_back(Rms(x, at, static_cast<std::size_t>(width)));
  const double loudest = loudness.empty() ? 0 : *std::max_element(loudness.begin(), loudness.end());
  for (std::size_t f = 0; f < loudness.size(); ++f) {
    int lag = 0;
    if (estimate.hz > 0 && loudness[f] > kQuietShare * loudest && loudness[f] > 30) {
      auto [best, r] = BestLag(x, f * static_cast<std::size_t>(hop), width, min_lag, max_lag);
      if (r >= kVoicedCorrelation) lag = best;
    }
    lags.push_back(lag);
  }
  // Voiced stretches shorter than three frames are noise.
  for (std::size_t f = 0; f < lags.size();) {
    std::size_t g = f;
    while (g < lags.size() && (lags[g] > 0) == (lags[f] > 0)) ++g;
    if (lags[f] > 0 && g - f < 3)
      std::fill(lags.begin() + static_cast<std::ptrdiff_t>(f),
                lags.begin() + static_cast<std::ptrdiff_t>(g), 0);
    f = g;
  }
  const std::vector<float> y = Smooth(x, static_cast<int>(period / 8));
  auto frame_lag = [&](std::size_t sample) {
    return lags[std::min(lags.size() - 1, sample / static_cast<std::size_t>(hop))];
  };
  auto unvoiced_until = [&](std::size_t end) {
    std::size_t next =
        marks.empty() ? 0 : marks.back().position + static_cast<std::size_t>(unvoiced_step);
    for (; next + static_cast<std::size_t>(unvoiced_step / 2) < end;
         next += static_cast<std::size_t>(unvoiced_step))
      marks.push_back({static_cast<uint32_t>(next), false});
  };
  std::size_t at = 0;
  while (at < x.size()) {
    if (frame_lag(at) == 0) {
      ++at;
      continue;
    }
    // A voiced stretch from `at` to `end`: one mark per period, at its strongest peak.
    std::size_t end = at;
    while (end < x.size() && frame_lag(end) > 0) end += static_cast<std::size_t>(hop);
    end = std::min(end, x.size());
    unvoiced_until(at);
    auto lag = static_cast<std::size_t>(frame_lag(at));
    std::size_t mark = PeakIn(y, at, std::min(end, at + lag), estimate.polarity);
    if (!marks.empty() && mark <= marks.back().position) mark = marks.back().position + 1;
    while (mark < end) {
      marks.push_back({static_cast<uint32_t>(mark), true});
      lag = static_cast<std::size_t>(std::max(frame_lag(mark), min_lag));
      mark =
          PeakIn(y, mark + lag * 3 / 4, std::min(x.size(), mark + lag * 5 / 4), estimate.polarity);
    }
    at = end;
  }
  unvoiced_until(x.size());
  if (marks.empty()) marks.push_back({0, false});
  return marks;
}
