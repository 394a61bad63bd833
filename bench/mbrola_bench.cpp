// Synthesis speed of the diphone library on the hand-written sample, repeated, against
// espeak-ng saying the same phonemes (through its phoneme input).
#include <espeak-ng/speak_lib.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/mbrola/mbrola_api.h"

namespace {

constexpr int kRepeats = 40;  // copies of the sample: about 7 minutes of speech

std::vector<std::string> SampleLines() {
  std::ifstream in(std::string(ORALIS_SOURCE_DIR) + "/voices/mbrola/sample.pho");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line + "\r\n");
  return lines;
}

// The sample's phonemes in espeak-ng's mnemonics, one clause per sentence.
std::string SampleAsEspeak() {
  std::ifstream table(std::string(ORALIS_SOURCE_DIR) + "/voices/mbrola/phonemes.txt");
  std::map<std::string, std::string> mnemonic;
  for (std::string line; std::getline(table, line);) {
    std::istringstream w(line);
    std::string name, kind, m;
    if (line.empty() || line[0] == '#' || !(w >> name >> kind >> m)) continue;
    mnemonic[name] = m.substr(0, m.find('/'));
  }
  std::string text = "[[";
  for (const std::string& line : SampleLines()) {
    std::istringstream w(line);
    std::string name;
    if (!(w >> name) || name[0] == ';' || name == "#") continue;
    text += name == "_" ? "]] . [[" : mnemonic[name];
  }
  return text + "]]";
}

long g_espeak_samples = 0;
int CountSamples(short*, int n, espeak_EVENT*) {
  g_espeak_samples += n;
  return 0;
}

void BM_LibrarySample(benchmark::State& state) {
  const std::vector<std::string> lines = SampleLines();
  if (init_MBR(ORALIS_VOICE_DIR "/oralis-br1.vox") < 0) {
    state.SkipWithError("voice missing");
    return;
  }
  std::vector<short> buffer(16000);
  long samples = 0;
  for (auto _ : state) {
    reset_MBR();
    for (int r = 0; r < kRepeats; ++r) {
      for (const std::string& line : lines) {
        write_MBR(line.c_str());
        for (int n; (n = read_MBR(buffer.data(), 16000)) > 0;) samples += n;
      }
    }
    for (int n; (n = read_MBR(buffer.data(), 16000)) > 0;) samples += n;
  }
  close_MBR();
  state.counters["realtime_x"] = benchmark::Counter(samples / 16000.0, benchmark::Counter::kIsRate);
  state.counters["speech_s"] = samples / 16000.0 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LibrarySample)->Unit(benchmark::kMillisecond);

void BM_EspeakSamePhonemes(benchmark::State& state) {
  espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 500, nullptr, 0);
  espeak_SetVoiceByName("pt-br");
  espeak_SetSynthCallback(CountSamples);
  std::string text;
  for (int r = 0; r < kRepeats; ++r) text += SampleAsEspeak() + " ";
  g_espeak_samples = 0;
  for (auto _ : state) {
    espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                 espeakCHARS_AUTO | espeakPHONEMES, nullptr, nullptr);
    espeak_Synchronize();
  }
  state.counters["realtime_x"] =
      benchmark::Counter(g_espeak_samples / 22050.0, benchmark::Counter::kIsRate);
  state.counters["speech_s"] = g_espeak_samples / 22050.0 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_EspeakSamePhonemes)->Unit(benchmark::kMillisecond);

// From the first line of one sentence to its first samples, flushed at the sentence end.
void BM_LibraryFirstSamples(benchmark::State& state) {
  const std::vector<std::string> lines = SampleLines();
  init_MBR(ORALIS_VOICE_DIR "/oralis-br1.vox");
  std::vector<short> buffer(16000);
  for (auto _ : state) {
    reset_MBR();
    for (std::size_t i = 0; i < 10 && i < lines.size(); ++i) write_MBR(lines[i].c_str());
    flush_MBR();
    benchmark::DoNotOptimize(read_MBR(buffer.data(), 16000));
  }
  close_MBR();
}
BENCHMARK(BM_LibraryFirstSamples)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
