#include "platform/mbrola/synth.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace {

// A queued phoneme on the output time line (samples at the voice's rate).
struct Phoneme {
  std::string name;
  double start = 0, length = 0;
  double head_share = 0;  // share of the length taken from the diphone that ends in it
};

struct ContourPoint {
  double time;  // samples
  double hz;
};

const VoiceDatabase* g_db = nullptr;
std::deque<Phoneme> g_queue;  // g_queue[0] is the left phoneme of the next diphone to render
double g_queued_end = 0;      // end of the last queued phoneme, samples
std::deque<ContourPoint> g_contour;
double g_next_mark = 0;    // output time of the next grain, samples
std::vector<float> g_acc;  // overlap-add sums; g_acc[0] is output sample g_acc_base
int64_t g_acc_base = 0;
std::vector<int16_t> g_ready;
std::size_t g_ready_at = 0;
double g_gain = 1;
int g_max_half = 320;      // longest grain half, samples (20 ms)
int g_unvoiced_step = 80;  // grain spacing where there is no pitch, samples (5 ms)
double g_hold = 8000;      // contour held flat once this much sound waits without a pitch point
std::vector<std::vector<float>> g_hann;  // g_hann[n][k]: falling half window of n samples at k

const std::string kSilence = "_";

void BuildWindows() {
  const double pi = std::acos(-1.0);
  g_hann.assign(static_cast<std::size_t>(g_max_half) + 1, {});
  for (int n = 1; n <= g_max_half; ++n) {
    std::vector<float>& w = g_hann[static_cast<std::size_t>(n)];
    w.resize(static_cast<std::size_t>(n) + 1);
    for (int k = 0; k <= n; ++k)
      w[static_cast<std::size_t>(k)] = static_cast<float>(0.5 * (1 + std::cos(pi * k / n)));
  }
}

void StartUtterance(double at) {
  g_queue.clear();
  g_queue.push_back({kSilence, at, 0, 0});
  g_queued_end = at;
  g_contour.clear();
  g_next_mark = at;
  g_acc.clear();
  g_acc_base = static_cast<int64_t>(std::llround(at));
}

double PitchAt(double t) {
  if (g_contour.empty()) return g_db ? g_db->natural_pitch : 120;
  if (t <= g_contour.front().time) return g_contour.front().hz;
  if (t >= g_contour.back().time) return g_contour.back().hz;
  auto after = std::upper_bound(g_contour.begin(), g_contour.end(), t,
                                [](double v, const ContourPoint& p) { return v < p.time; });
  const ContourPoint& b = *after;
  const ContourPoint& a = *(after - 1);
  if (b.time <= a.time) return b.hz;
  return a.hz + (b.hz - a.hz) * (t - a.time) / (b.time - a.time);
}

bool ContourKnownUpTo(double t) {
  if (g_queued_end - t >= g_hold) return true;
  return !g_contour.empty() && g_contour.back().time >= t;
}

// Moves the finished output (before `upto`) to the ready samples.
void Finish(int64_t upto) {
  const int64_t count = std::min<int64_t>(upto - g_acc_base, static_cast<int64_t>(g_acc.size()));
  if (count <= 0) return;
  for (int64_t i = 0; i < count; ++i) {
    const double v =
        std::clamp(std::round(g_acc[static_cast<std::size_t>(i)] * g_gain), -32768.0, 32767.0);
    g_ready.push_back(static_cast<int16_t>(v));
  }
  g_acc.erase(g_acc.begin(), g_acc.begin() + static_cast<std::ptrdiff_t>(count));
  g_acc_base += count;
}

void AddGrain(const DiphoneEntry& d, uint32_t m, double t) {
  const PitchMark* marks = &g_db->marks[d.first_mark];
  const auto pos = static_cast<int>(marks[m].position);
  const int after = m + 1 < d.mark_count ? static_cast<int>(marks[m + 1].position) - pos : 0;
  const int before = m > 0 ? pos - static_cast<int>(marks[m - 1].position) : 0;
  int left = before > 0 ? before : (after > 0 ? after : g_unvoiced_step);
  int right = after > 0 ? after : left;
  left = std::clamp(std::min(left, pos), 1, g_max_half);
  right = std::clamp(std::min(right, static_cast<int>(d.sample_count) - 1 - pos), 1, g_max_half);
  const int64_t centre = std::llround(t);
  const int64_t end = centre + right + 1;
  if (end - g_acc_base > static_cast<int64_t>(g_acc.size()))
    g_acc.resize(static_cast<std::size_t>(end - g_acc_base), 0.0f);
  const int16_t* src = &g_db->samples[d.first_sample + static_cast<uint32_t>(pos)];
  const std::vector<float>& wl = g_hann[static_cast<std::size_t>(left)];
  const std::vector<float>& wr = g_hann[static_cast<std::size_t>(right)];
  for (int k = -left; k <= right; ++k) {
    const int64_t at = centre + k - g_acc_base;
    if (at < 0) continue;
    const float w = k < 0 ? wl[static_cast<std::size_t>(-k)] : wr[static_cast<std::size_t>(k)];
    g_acc[static_cast<std::size_t>(at)] += w * src[k];
  }
}

// Source position (samples into the diphone) for output time t: the left phoneme's part
// [o0, ob) maps onto [span_start, boundary), the right one's [ob, o1) onto [boundary, span_end).
double SourceAt(const DiphoneEntry& d, double t, double o0, double ob, double o1) {
  if (t < ob && ob > o0) return d.span_start + (t - o0) / (ob - o0) * (d.boundary - d.span_start);
  if (o1 > ob) return d.boundary + std::min(1.0, (t - ob) / (o1 - ob)) * (d.span_end - d.boundary);
  return d.boundary;
}

uint32_t NearestMark(const DiphoneEntry& d, double s) {
  const PitchMark* first = &g_db->marks[d.first_mark];
  const PitchMark* last = first + d.mark_count;
  const PitchMark* it =
      std::lower_bound(first, last, s, [](const PitchMark& p, double v) { return p.position < v; });
  if (it == last) return d.mark_count - 1;
  if (it != first && s - (it - 1)->position < it->position - s) --it;
  return static_cast<uint32_t>(it - first);
}

void RenderSpan(const DiphoneEntry* d, double o0, double ob, double o1) {
  while (g_next_mark < o1) {
    const double t = g_next_mark;
    if (d == nullptr) {  // a diphone the voice lacks is spoken as silence
      g_next_mark += g_unvoiced_step;
      continue;
    }
    const uint32_t m = NearestMark(*d, SourceAt(*d, t, o0, ob, o1));
    AddGrain(*d, m, t);
    const PitchMark* marks = &g_db->marks[d->first_mark];
    double step = g_unvoiced_step;
    if (marks[m].voiced)
      step = std::clamp(g_db->sample_rate / std::max(PitchAt(t), 1.0), g_db->sample_rate / 1000.0,
                        double(g_max_half));
    else if (m + 1 < d->mark_count)
      step = std::clamp(double(marks[m + 1].position - marks[m].position), 1.0, double(g_max_half));
    g_next_mark += step;
  }
  while (g_contour.size() >= 2 && g_contour[1].time <= g_next_mark) g_contour.pop_front();
}

const DiphoneEntry* Pair(const Phoneme& a, const Phoneme& b) {
  return g_db ? FindDiphone(*g_db, a.name, b.name) : nullptr;
}

void Render(bool flushing) {
  while (g_queue.size() >= 2 && (flushing || g_queue.size() >= 3)) {
    const Phoneme& p0 = g_queue[0];
    Phoneme& p1 = g_queue[1];
    const DiphoneEntry* d = Pair(p0, p1);
    // p1's length is shared between its two diphones in proportion to their recorded halves.
    double share = 1;
    if (g_queue.size() >= 3) {
      const DiphoneEntry* next = Pair(p1, g_queue[2]);
      const double head = d ? d->span_end - d->boundary : 0;
      const double tail = next ? next->boundary - next->span_start : 0;
      share = head + tail > 0 ? head / (head + tail) : 0.5;
    }
    const double o0 = p0.start + p0.head_share * p0.length;
    const double ob = p1.start;
    const double o1 = p1.start + share * p1.length;
    if (!flushing && !ContourKnownUpTo(o1)) break;
    RenderSpan(d, o0, ob, o1);
    p1.head_share = share;
    g_queue.pop_front();
    Finish(static_cast<int64_t>(std::floor(g_next_mark)) - g_max_half - 1);
  }
}

}  // namespace

void SynthStart(const VoiceDatabase* db) {
  g_db = db;
  const int rate = db ? static_cast<int>(db->sample_rate) : 16000;
  g_max_half = rate / 50;
  g_unvoiced_step = rate / 200;
  g_hold = rate / 2.0;
  BuildWindows();
  SynthReset();
}

void SynthReset() {
  g_ready.clear();
  g_ready_at = 0;
  StartUtterance(0);
}

void SynthAddPhoneme(const std::string& name, double duration_ms, std::vector<PitchPoint> points) {
  const double rate = g_db ? g_db->sample_rate : 16000;
  Phoneme p{name, g_queued_end, std::max(0.0, duration_ms) * rate / 1000, 0};
  std::stable_sort(points.begin(), points.end(), [](const PitchPoint& a, const PitchPoint& b) {
    return a.position < b.position;
  });
  for (const PitchPoint& pt : points) {
    const double time = p.start + std::clamp(pt.position, 0.0, 100.0) / 100 * p.length;
    if (!g_contour.empty() && time < g_contour.back().time) continue;
    g_contour.push_back({time, pt.hz});
  }
  g_queued_end += p.length;
  g_queue.push_back(std::move(p));
  Render(false);
}

void SynthFlush() {
  g_queue.push_back({kSilence, g_queued_end, 0, 0});
  Render(true);
  const int64_t end = std::llround(g_queued_end);
  if (end - g_acc_base > static_cast<int64_t>(g_acc.size()))
    g_acc.resize(static_cast<std::size_t>(end - g_acc_base), 0.0f);
  Finish(end);
  StartUtterance(static_cast<double>(end));
}

std::size_t SynthTake(int16_t* out, std::size_t wanted) {
  const std::size_t n = std::min(wanted, g_ready.size() - g_ready_at);
  std::copy_n(g_ready.begin() + static_cast<std::ptrdiff_t>(g_ready_at), n, out);
  g_ready_at += n;
  // Drop what was read once it is most of the buffer, so a reader that keeps up uses little memory.
  if (g_ready_at == g_ready.size() ||
      g_ready_at > std::max<std::size_t>(65536, g_ready.size() / 2)) {
    g_ready.erase(g_ready.begin(), g_ready.begin() + static_cast<std::ptrdiff_t>(g_ready_at));
    g_ready_at = 0;
  }
  return n;
}

std::size_t SynthReady() { return g_ready.size() - g_ready_at; }

void SynthSetGain(double gain) { g_gain = gain; }
