// The library's entry points: line parsing, errors, output formats and the output rate.
#include "platform/mbrola/mbrola_api.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/mbrola/resample.h"
#include "platform/mbrola/synth.h"
#include "platform/mbrola/voicedb.h"

#define MBR_EXPORT extern "C" __attribute__((visibility("default")))

struct MbrPhone {
  std::string name;
  float duration_ms;
  std::vector<PitchPoint> points;
};

namespace {

constexpr const char* kVersion = "oralis-tessel 1.0";
constexpr double kLongestPhonemeMs = 10000;

bool g_open = false;
VoiceDatabase g_db;
std::map<std::string, std::string> g_names;  // input name -> the voice's name
int g_error = MBR_OK;
std::string g_error_text;
bool g_no_error = false;
float g_volume = 1.0f;
int g_rate = 16000;  // output rate, Hz
Resampler g_resampler;
std::vector<int16_t> g_converted;  // resampled output not yet read
std::size_t g_converted_at = 0;
std::string g_previous = "_";  // the voice's name of the last phoneme taken, for the diphone check

void SetError(int code, const std::string& text) {
  if (g_error != MBR_OK) return;
  g_error = code;
  g_error_text = text;
}

int CopyText(const std::string& text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const auto n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

bool ParseNumber(const std::string& token, double& value) {
  const char* end = token.data() + token.size();
  auto [ptr, ec] = std::from_chars(token.data(), end, value);
  return ec == std::errc() && ptr == end && std::isfinite(value);
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

void ResetOutput() {
  SynthReset();
  ResampleStart(g_resampler, static_cast<int>(g_db.sample_rate), g_rate);
  g_converted.clear();
  g_converted_at = 0;
}

bool Resampling() { return g_rate != static_cast<int>(g_db.sample_rate); }

// Moves synthesised samples through the rate conversion into g_converted; `last` at an
// utterance's end, so that its final samples come out too.
void Convert(bool last) {
  if (!Resampling()) return;
  std::vector<int16_t> raw(SynthReady());
  SynthTake(raw.data(), raw.size());
  std::vector<float> in(raw.begin(), raw.end()), out;
  ResampleFeed(g_resampler, in.data(), in.size(), last, out);
  for (float v : out)
    g_converted.push_back(static_cast<int16_t>(std::clamp(std::round(v), -32768.0f, 32767.0f)));
  if (last) ResampleStart(g_resampler, static_cast<int>(g_db.sample_rate), g_rate);
}

void Flush() {
  SynthFlush();
  Convert(true);
  g_previous = "_";
}

// Name of the voice's phoneme for an input name, or empty when the voice has none.
std::string VoiceName(const std::string& input) {
  auto it = g_names.find(input);
  return it == g_names.end() ? std::string() : it->second;
}

// One line without its line end: false when it is refused.
bool TakeLine(std::string line) {
  line = line.substr(0, line.find(';'));
  const std::vector<std::string> words = Words(line);
  if (words.empty()) return true;
  if (words[0] == "#") {
    if (words.size() != 1) return SetError(MBR_ERROR_BAD_LINE, "text after \"#\": " + line), false;
    Flush();
    return true;
  }
  double duration = 0;
  if (words.size() < 2 || !ParseNumber(words[1], duration) || duration < 0 ||
      duration > kLongestPhonemeMs)
    return SetError(MBR_ERROR_BAD_LINE, "bad duration (0 to 10000 ms): " + line), false;
  if (words.size() % 2 != 0)
    return SetError(MBR_ERROR_BAD_LINE, "pitch points come in pairs of position and Hz: " + line),
           false;
  std::vector<PitchPoint> points;
  for (std::size_t i = 2; i + 1 < words.size(); i += 2) {
    PitchPoint p{};
    if (!ParseNumber(words[i], p.position) || p.position < 0 || !ParseNumber(words[i + 1], p.hz) ||
        p.hz <= 0)
      return SetError(MBR_ERROR_BAD_LINE,
                      "bad pitch point (position 0 to 100, Hz above 0): " + line),
             false;
    points.push_back({std::min(p.position, 100.0), p.hz});
  }
  std::string name = VoiceName(words[0]);
  if (name.empty()) {
    if (!g_no_error)
      return SetError(MBR_ERROR_UNKNOWN_PHONEME, "unknown phoneme: " + words[0]), false;
  } else if (!g_no_error && FindDiphone(g_db, g_previous, name) == nullptr) {
    return SetError(MBR_ERROR_MISSING_DIPHONE, "missing diphone: " + g_previous + "-" + name),
           false;
  }
  SynthAddPhoneme(name, duration, std::move(points));
  g_previous = name.empty() ? "_" : name;
  return true;
}

std::size_t TakeSamples(int16_t* out, std::size_t wanted) {
  if (!Resampling()) return SynthTake(out, wanted);
  Convert(false);
  const std::size_t n = std::min(wanted, g_converted.size() - g_converted_at);
  std::copy_n(g_converted.begin() + static_cast<std::ptrdiff_t>(g_converted_at), n, out);
  g_converted_at += n;
  if (g_converted_at == g_converted.size()) {
    g_converted.clear();
    g_converted_at = 0;
  }
  return n;
}

unsigned char MuLaw(int16_t sample) {
  int v = sample;
  const int sign = v < 0 ? 0x80 : 0;
  v = std::min(std::abs(v), 32635) + 0x84;
  int exponent = 7;
  for (int mask = 0x4000; exponent > 0 && !(v & mask); mask >>= 1) --exponent;
  const int mantissa = (v >> (exponent + 3)) & 0x0F;
  return static_cast<unsigned char>(~(sign | (exponent << 4) | mantissa));
}

unsigned char ALaw(int16_t sample) {
  int v = sample;
  const int sign = v >= 0 ? 0x80 : 0;
  v = std::min(v < 0 ? -v - 1 : v, 32767) >> 3;  // 13-bit magnitude
  int exponent = 0;
  while (exponent < 7 && v >= (32 << exponent)) ++exponent;
  const int mantissa = exponent == 0 ? (v >> 1) & 0x0F : (v >> exponent) & 0x0F;
  return static_cast<unsigned char>((sign | (exponent << 4) | mantissa) ^ 0x55);
}

bool Open(const char* path) {
  close_MBR();
  g_error = MBR_OK;
  g_error_text.clear();
  std::string why;
  if (path == nullptr || !LoadVoiceDatabase(path, g_db, why)) {
    SetError(MBR_ERROR_DATABASE, path == nullptr ? "no voice database named" : why);
    return false;
  }
  for (const std::string& p : g_db.phonemes) g_names[p] = p;
  g_open = true;
  g_rate = static_cast<int>(g_db.sample_rate);
  SynthStart(&g_db);
  SynthSetGain(g_volume);
  ResetOutput();
  g_previous = "_";
  return true;
}

// Pairs "VOICE_NAME OTHER_NAME"; false when a pair names a phoneme the voice lacks.
bool ApplyNames(const char* pairs, bool replace) {
  if (pairs == nullptr) return true;
  const std::vector<std::string> words = Words(pairs);
  if (words.size() % 2 != 0) return false;
  for (std::size_t i = 0; i + 1 < words.size(); i += 2) {
    if (!HasPhoneme(g_db, words[i])) return false;
    if (replace) g_names.erase(words[i]);
    g_names[words[i + 1]] = words[i];
  }
  return true;
}

bool NeedVoice() {
  if (g_open) return true;
  SetError(MBR_ERROR_NOT_INITIALISED, "no voice database is open");
  return false;
}

}  // namespace

MBR_EXPORT int init_MBR(const char* database_path) { return Open(database_path) ? 0 : -1; }

MBR_EXPORT int init_rename_MBR(const char* database_path, const char* rename, const char* clone) {
  if (!Open(database_path)) return -1;
  if (!ApplyNames(rename, true) || !ApplyNames(clone, false)) {
    close_MBR();
    SetError(MBR_ERROR_UNKNOWN_PHONEME, "renaming names a phoneme the voice lacks, or an odd word");
    return -2;
  }
  return 0;
}

MBR_EXPORT int write_MBR(const char* lines) {
  if (!NeedVoice() || lines == nullptr) return -1;
  const std::string text(lines);
  bool all_taken = true;
  std::size_t from = 0;
  while (from <= text.size()) {
    std::size_t to = text.find_first_of("\r\n", from);
    if (to == std::string::npos) to = text.size();
    all_taken = TakeLine(text.substr(from, to - from)) && all_taken;
    from = to + 1;
  }
  return all_taken ? static_cast<int>(text.size()) : -1;
}

MBR_EXPORT int flush_MBR(void) {
  if (!NeedVoice()) return -1;
  Flush();
  return 1;
}

MBR_EXPORT int read_MBR(short* buffer, int wanted) {
  if (!NeedVoice() || buffer == nullptr || wanted < 0) return -1;
  return static_cast<int>(TakeSamples(buffer, static_cast<std::size_t>(wanted)));
}

MBR_EXPORT int readtype_MBR(void* buffer, int wanted, int type) {
  if (type == MBR_LIN16) return read_MBR(static_cast<short*>(buffer), wanted);
  if (!NeedVoice() || buffer == nullptr || wanted < 0) return -1;
  if (type != MBR_LIN8 && type != MBR_ULAW && type != MBR_ALAW) {
    SetError(MBR_ERROR_UNSUPPORTED, "unknown sample format " + std::to_string(type));
    return -1;
  }
  std::vector<int16_t> samples(static_cast<std::size_t>(wanted));
  const std::size_t n = TakeSamples(samples.data(), samples.size());
  auto* out = static_cast<unsigned char*>(buffer);
  for (std::size_t i = 0; i < n; ++i) {
    const int16_t s = samples[i];
    out[i] = type == MBR_LIN8   ? static_cast<unsigned char>((s >> 8) + 128)
             : type == MBR_ULAW ? MuLaw(s)
                                : ALaw(s);
  }
  return static_cast<int>(n);
}

MBR_EXPORT void close_MBR(void) {
  SynthStart(nullptr);
  g_db = VoiceDatabase();
  g_names.clear();
  g_open = false;
  g_converted.clear();
  g_converted_at = 0;
}

MBR_EXPORT int reset_MBR(void) {
  g_error = MBR_OK;
  g_error_text.clear();
  if (!NeedVoice()) return -1;
  ResetOutput();
  g_previous = "_";
  return 1;
}

MBR_EXPORT int lastError_MBR(void) { return g_error; }

MBR_EXPORT int lastErrorStr_MBR(char* buffer, int size) {
  return CopyText(g_error_text, buffer, size);
}

MBR_EXPORT void setNoError_MBR(int no_error) { g_no_error = no_error != 0; }

MBR_EXPORT int getNoError_MBR(void) { return g_no_error ? 1 : 0; }

MBR_EXPORT void setFreq_MBR(int hz) {
  if (hz < 1000 || hz > 192000) {
    SetError(MBR_ERROR_UNSUPPORTED,
             "output rate out of range (1000 to 192000 Hz): " + std::to_string(hz));
    return;
  }
  if (!g_open) {
    g_rate = hz;
    return;
  }
  // Samples made at the old rate are still handed out at it; new ones come at the new rate.
  g_rate = hz;
  ResampleStart(g_resampler, static_cast<int>(g_db.sample_rate), g_rate);
}

MBR_EXPORT int getFreq_MBR(void) { return g_rate; }

MBR_EXPORT void setVolumeRatio_MBR(float ratio) {
  g_volume = std::isfinite(ratio) ? std::max(ratio, 0.0f) : 1.0f;
  SynthSetGain(g_volume);
}

MBR_EXPORT float getVolumeRatio_MBR(void) { return g_volume; }

MBR_EXPORT int getVersion_MBR(char* buffer, int size) { return CopyText(kVersion, buffer, size); }

MBR_EXPORT int getDatabaseInfo_MBR(char* buffer, int size, int index) {
  if (!NeedVoice()) return -1;
  std::string text;
  if (index == 0) {
    text = g_db.name + ": " + std::to_string(g_db.diphones.size()) + " diphones of " +
           std::to_string(g_db.phonemes.size()) + " phonemes, " + std::to_string(g_db.sample_rate) +
           " Hz, recorded at " + std::to_string(g_db.natural_pitch) + " Hz pitch";
  } else if (index == 1) {
    for (const std::string& p : g_db.phonemes) text += (text.empty() ? "" : " ") + p;
  } else {
    return -1;
  }
  return CopyText(text, buffer, size);
}

MBR_EXPORT int setParser_MBR(void* parser) {
  if (parser == nullptr) return 0;
  SetError(MBR_ERROR_UNSUPPORTED, "only the built-in phoneme line parser is available");
  return -1;
}

MBR_EXPORT MbrPhone* init_Phone(const char* name, float duration_ms) {
  if (name == nullptr || !std::isfinite(duration_ms) || duration_ms < 0) return nullptr;
  return new MbrPhone{name, duration_ms, {}};
}

MBR_EXPORT void reset_Phone(MbrPhone* phone) {
  if (phone) phone->points.clear();
}

MBR_EXPORT void close_Phone(MbrPhone* phone) { delete phone; }

MBR_EXPORT int appendf0_Phone(MbrPhone* phone, float position, float pitch_hz) {
  if (phone == nullptr || !(position >= 0 && position <= 100) || !(pitch_hz > 0)) return -1;
  phone->points.push_back({position, pitch_hz});
  return 0;
}
