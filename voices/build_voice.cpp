// The voice builder: has espeak-ng say one carrier word per diphone, cuts the diphone out at
// the phoneme events, resamples 22,050 -> 16,000 Hz, marks the pitch periods, evens out the
// loudness at the joins, and writes the voice database and its diphone list.
//
//   build_voice PHONEMES.txt OUTPUT_DIR [VOICE_NAME]
//
// writes OUTPUT_DIR/VOICE_NAME.vox and OUTPUT_DIR/portug.dfn.
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/mbrola/resample.h"
#include "platform/mbrola/voicedb.h"
#include "voices/pitch_marks.h"

namespace {

constexpr int kRate = 16000;        // Hz, the voice's rate
constexpr int kLead = 480;          // silence put around each carrier, samples (30 ms)
constexpr int kMargin = 320;        // samples kept beyond each side of a diphone (20 ms)
constexpr int kSpeakingRate = 150;  // espeak-ng words per minute: slow, for steady vowels
constexpr int kEspeakPitch = 62;  // espeak-ng's 0-100 pitch: about 105 Hz, near the prosody's base
constexpr double kJoinFloor = 200;  // loudness floor for the join gains (16-bit units)

struct PhonemeSpec {
  std::string name;
  bool vowel = false;
  std::vector<std::string> mnemonics;
  std::string stand_in;
};

struct Event {
  std::string name;
  int sample;  // at 22,050 Hz from the start of the rendering
};

struct Rendering {
  std::vector<float> samples;  // 16,000 Hz, kLead of silence on both sides
  std::vector<Event> events;   // sample positions already moved to the 16,000 Hz samples
};

std::vector<short> g_pcm;
std::vector<Event> g_events;

int Collect(short* wav, int count, espeak_EVENT* events) {
  if (wav) g_pcm.insert(g_pcm.end(), wav, wav + count);
  for (; events && events->type != espeakEVENT_LIST_TERMINATED; ++events) {
    if (events->type != espeakEVENT_PHONEME) continue;
    char name[9] = {};
    std::memcpy(name, events->id.string, 8);
    g_events.push_back({name, events->sample});
  }
  return 0;
}

Rendering Render(const std::string& phonemes) {
  g_pcm.clear();
  g_events.clear();
  const std::string text = "[[" + phonemes + "]]";
  espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
               espeakCHARS_AUTO | espeakPHONEMES, nullptr, nullptr);
  espeak_Synchronize();
  Rendering r;
  std::vector<float> in(g_pcm.begin(), g_pcm.end());
  std::vector<float> out = ResampleAll(in, 22050, kRate);
  r.samples.assign(kLead, 0.0f);
  r.samples.insert(r.samples.end(), out.begin(), out.end());
  r.samples.resize(r.samples.size() + kLead, 0.0f);
  for (const Event& e : g_events)
    r.events.push_back(
        {e.name, kLead + static_cast<int>(std::lround(e.sample * double(kRate) / 22050))});
  return r;
}

bool IsMarker(const std::string& name) { return name.empty() || name[0] == ';' || name[0] == '_'; }

// Event names that espeak-ng gives for one mnemonic, without markers and pauses.
std::vector<std::string> EventsOf(const std::string& mnemonic) {
  const Rendering r = Render("t'a" + mnemonic + "a");
  std::vector<std::string> names;
  for (const Event& e : r.events)
    if (!IsMarker(e.name)) names.push_back(e.name);
  // Drop the carrier's "t a" and the final "a".
  if (names.size() < 4) return {};
  return std::vector<std::string>(names.begin() + 2, names.end() - 1);
}

std::vector<PhonemeSpec> ReadPhonemes(const std::string& path) {
  std::ifstream in(path);
  std::vector<PhonemeSpec> specs;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    PhonemeSpec p;
    std::string kind, mnemonics;
    if (!(words >> p.name >> kind >> mnemonics >> p.stand_in)) continue;
    p.vowel = kind == "v";
    std::stringstream alternatives(mnemonics);
    for (std::string m; std::getline(alternatives, m, '/');) p.mnemonics.push_back(m);
    if (p.stand_in == "-") p.stand_in.clear();
    specs.push_back(p);
  }
  return specs;
}

// One part of a carrier word: a mnemonic and the events it should give.
struct Part {
  std::string mnemonic;
  std::vector<std::string> events;
};

struct Cut {
  DiphoneEntry entry;
  std::vector<float> samples;
  std::vector<PitchMark> marks;
};

// Says `parts` and cuts the diphone between parts[a] and parts[a + 1]; a of -1 or a + 1 equal
// to the part count stand for the silence before or after the word.
bool SayAndCut(const std::vector<Part>& parts, int a, const PitchEstimate& pitch, Cut& cut) {
  std::string text;
  std::vector<std::string> expected;
  std::vector<std::size_t> first_event;
  for (const Part& p : parts) {
    text += p.mnemonic;
    first_event.push_back(expected.size());
    expected.insert(expected.end(), p.events.begin(), p.events.end());
  }
  const Rendering r = Render(text);
  std::vector<int> starts;
  std::vector<std::string> names;
  int speech_end = static_cast<int>(r.samples.size()) - kLead;
  for (const Event& e : r.events) {
    if (!IsMarker(e.name)) {
      names.push_back(e.name);
      starts.push_back(e.sample);
    } else if (e.name[0] == '_' && !starts.empty()) {
      speech_end = std::min(speech_end, e.sample);
    }
  }
  if (names != expected) return false;
  auto part_start = [&](int i) {
    return i < static_cast<int>(parts.size()) ? starts[first_event[static_cast<std::size_t>(i)]]
                                              : speech_end;
  };
  auto middle = [&](int i) { return (part_start(i) + part_start(i + 1)) / 2; };
  const int boundary = a < 0 ? part_start(0) : part_start(a + 1);
  const int span_start = a < 0 ? boundary - kLead : middle(a);
  const int span_end = a + 1 >= static_cast<int>(parts.size()) ? boundary + kLead : middle(a + 1);
  if (!(span_start < boundary || span_end > boundary)) return false;
  const int from = std::max(0, span_start - kMargin);
  const int to = std::min(static_cast<int>(r.samples.size()), span_end + kMargin);
  cut.samples.assign(r.samples.begin() + from, r.samples.begin() + to);
  cut.entry.span_start = static_cast<uint32_t>(span_start - from);
  cut.entry.boundary = static_cast<uint32_t>(boundary - from);
  cut.entry.span_end = static_cast<uint32_t>(span_end - from);
  cut.entry.sample_count = static_cast<uint32_t>(cut.samples.size());
  cut.marks.clear();
  for (const PitchMark& m : FindPitchMarks(r.samples, kRate, pitch))
    if (static_cast<int>(m.position) >= from && static_cast<int>(m.position) < to)
      cut.marks.push_back({m.position - static_cast<uint32_t>(from), m.voiced});
  return !cut.marks.empty();
}

// Tries the carriers for left-right: every mnemonic of each, then with the stress moved
// onto the right vowel (which keeps espeak-ng from merging two vowels into a diphthong).
bool CutPair(const PhonemeSpec* left, const PhonemeSpec* right,
             const std::map<std::string, std::vector<std::string>>& events,
             const PitchEstimate& pitch, Cut& cut) {
  const std::vector<std::string> none{""};
  for (int stress = 0; stress < 2; ++stress) {
    if (stress == 1 && !(right && right->vowel)) break;
    for (const std::string& ml : left ? left->mnemonics : none) {
      for (const std::string& mr : right ? right->mnemonics : none) {
        std::vector<Part> parts;
        int a = -1;
        if (left) {
          parts.push_back({"t'a", {"t", "a"}});
          if (left->vowel) parts.push_back({"t", {"t"}});
          a = static_cast<int>(parts.size());
          parts.push_back({ml, events.at(ml)});
        }
        if (right) {
          parts.push_back({(stress ? "'" : "") + mr, events.at(mr)});
          if (right->vowel)
            parts.push_back({"ta", {"t", "a"}});
          else
            parts.push_back({left ? "a" : "'a", {"a"}});
        }
        if (SayAndCut(parts, a, pitch, cut)) return true;
      }
    }
  }
  return false;
}

// Silence from its two sides: both halves of kLead samples.
Cut SilencePair() {
  Cut cut;
  cut.samples.assign(2 * kLead + 2 * kMargin, 0.0f);
  cut.entry.span_start = kMargin;
  cut.entry.boundary = kMargin + kLead;
  cut.entry.span_end = kMargin + 2 * kLead;
  cut.entry.sample_count = static_cast<uint32_t>(cut.samples.size());
  for (uint32_t p = 0; p < cut.entry.sample_count; p += kRate / 200)
    cut.marks.push_back({p, false});
  return cut;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

double RmsAround(const Cut& c, uint32_t at) {
  const int half = kRate / 100;  // 10 ms each side
  double sum = 0;
  int n = 0;
  for (int i = static_cast<int>(at) - half; i < static_cast<int>(at) + half; ++i) {
    if (i < 0 || i >= static_cast<int>(c.samples.size())) continue;
    sum += c.samples[static_cast<std::size_t>(i)] * c.samples[static_cast<std::size_t>(i)];
    ++n;
  }
  return n ? std::sqrt(sum / n) : 0;
}

// Scales each diphone so that its two ends have the typical loudness of their phonemes,
// going linearly from one end's gain to the other's: joins then meet at equal loudness.
void EvenOutJoins(std::map<std::string, Cut>& cuts) {
  std::map<std::string, std::vector<double>> measures;
  for (auto& [key, c] : cuts) {
    measures[c.entry.left].push_back(RmsAround(c, c.entry.span_start));
    measures[c.entry.right].push_back(RmsAround(c, c.entry.span_end));
  }
  std::map<std::string, double> typical;
  for (auto& [name, m] : measures) {
    std::sort(m.begin(), m.end());
    typical[name] = m[m.size() / 2];
  }
  for (auto& [key, c] : cuts) {
    const double gl =
        (typical[c.entry.left] + kJoinFloor) / (RmsAround(c, c.entry.span_start) + kJoinFloor);
    const double gr =
        (typical[c.entry.right] + kJoinFloor) / (RmsAround(c, c.entry.span_end) + kJoinFloor);
    const double width = std::max(1.0, double(c.entry.span_end) - c.entry.span_start);
    for (std::size_t i = 0; i < c.samples.size(); ++i) {
      const double t = std::clamp((double(i) - c.entry.span_start) / width, 0.0, 1.0);
      c.samples[i] = static_cast<float>(c.samples[i] * std::clamp(gl + (gr - gl) * t, 0.25, 4.0));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: build_voice PHONEMES.txt OUTPUT_DIR [VOICE_NAME]\n";
    return 2;
  }
  const std::string out_dir = argv[2], voice = argc > 3 ? argv[3] : "oralis-br1";
  std::vector<PhonemeSpec> specs = ReadPhonemes(argv[1]);
  if (specs.empty()) {
    std::cerr << "build_voice: no phonemes in " << argv[1] << "\n";
    return 1;
  }
  if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 200, nullptr, espeakINITIALIZE_PHONEME_EVENTS) !=
          22050 ||
      espeak_SetVoiceByName("pt-br") != EE_OK) {
    std::cerr << "build_voice: espeak-ng with its pt-br voice at 22,050 Hz is needed\n";
    return 1;
  }
  espeak_SetSynthCallback(Collect);
  espeak_SetParameter(espeakRANGE, 0, 0);  // a flat pitch: the synthesizer sets its own
  espeak_SetParameter(espeakRATE, kSpeakingRate, 0);
  espeak_SetParameter(espeakPITCH, kEspeakPitch, 0);

  const PitchEstimate pitch = EstimatePitch(Render("t'a").samples, kRate);
  if (pitch.hz <= 0) {
    std::cerr << "build_voice: no pitch found in the test vowel\n";
    return 1;
  }
  std::map<std::string, std::vector<std::string>> events;
  for (const PhonemeSpec& p : specs)
    for (const std::string& m : p.mnemonics) events[m] = EventsOf(m);

  std::map<std::string, const PhonemeSpec*> by_name;
  for (const PhonemeSpec& p : specs) by_name[p.name] = &p;
  std::vector<const PhonemeSpec*> all{nullptr};  // null: the pause "_"
  for (const PhonemeSpec& p : specs) all.push_back(&p);
  auto name_of = [](const PhonemeSpec* p) { return p ? p->name : std::string("_"); };

  std::map<std::string, Cut> cuts;
  std::vector<std::pair<const PhonemeSpec*, const PhonemeSpec*>> missing;
  for (const PhonemeSpec* l : all) {
    for (const PhonemeSpec* r : all) {
      Cut cut;
      const bool ok = !l && !r ? (cut = SilencePair(), true) : CutPair(l, r, events, pitch, cut);
      if (!ok) {
        missing.emplace_back(l, r);
        continue;
      }
      cut.entry.left = name_of(l);
      cut.entry.right = name_of(r);
      cuts[cut.entry.left + "-" + cut.entry.right] = cut;
    }
  }
  // Pairs espeak-ng could not say take the recording of their stand-ins.
  int copied = 0;
  std::vector<std::string> lacking;
  for (auto [l, r] : missing) {
    const std::string ln = name_of(l), rn = name_of(r);
    const std::string ls = l && !l->stand_in.empty() ? l->stand_in : ln;
    const std::string rs = r && !r->stand_in.empty() ? r->stand_in : rn;
    const Cut* from = nullptr;
    for (const std::string& key : {ls + "-" + rn, ln + "-" + rs, ls + "-" + rs})
      if (!from && cuts.count(key)) from = &cuts[key];
    // The TTS engine looks diphones up without regard to letter case, so a pair that differs
    // from a recorded one only in case (d-Z and d-z) must be there: it takes that recording.
    for (auto it = cuts.begin(); !from && it != cuts.end(); ++it)
      if (SameIgnoringCase(it->first, ln + "-" + rn)) from = &it->second;
    if (!from) {
      lacking.push_back(ln + "-" + rn);
      continue;
    }
    Cut copy = *from;
    copy.entry.left = ln;
    copy.entry.right = rn;
    cuts[ln + "-" + rn] = copy;
    ++copied;
  }
  EvenOutJoins(cuts);

  VoiceDatabase db;
  db.name = voice;
  db.sample_rate = kRate;
  db.natural_pitch = static_cast<uint32_t>(std::lround(pitch.hz));
  for (auto& [key, c] : cuts) {
    DiphoneEntry e = c.entry;
    e.first_sample = static_cast<uint32_t>(db.samples.size());
    e.first_mark = static_cast<uint32_t>(db.marks.size());
    e.mark_count = static_cast<uint32_t>(c.marks.size());
    for (float v : c.samples)
      db.samples.push_back(static_cast<int16_t>(std::clamp(std::round(v), -32768.0f, 32767.0f)));
    db.marks.insert(db.marks.end(), c.marks.begin(), c.marks.end());
    db.diphones.push_back(e);
  }
  std::filesystem::create_directories(out_dir);
  std::string error;
  if (!SaveVoiceDatabase(out_dir + "/" + voice + ".vox", db, error)) {
    std::cerr << "build_voice: " << error << "\n";
    return 1;
  }
  std::ofstream dfn(out_dir + "/portug.dfn", std::ios::trunc);
  dfn << "; diphones of the voice " << voice << ", written by build_voice\n";
  for (const auto& [key, c] : cuts) dfn << key << "\n";
  if (!dfn) {
    std::cerr << "build_voice: cannot write " << out_dir << "/portug.dfn\n";
    return 1;
  }
  std::cout << "build_voice: " << voice << ": " << cuts.size() << " diphones (" << copied
            << " copied from stand-ins), " << db.samples.size() << " samples, pitch "
            << db.natural_pitch << " Hz\n";
  for (const std::string& l : lacking) std::cout << "build_voice: no recording for " << l << "\n";
  return 0;
}
