// The speaker over libespeak-ng in synchronous mode: samples at the synthesizer's rate (22,050
// per second), 16-bit mono, handed to the wave device as they are made.
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <deque>
#include <list>
#include <map>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/messages.h"
#include "platform/trace.h"
#include "platform/voices_engine.h"
#include "platform/waveout.h"

namespace platform::speaker {

namespace {

constexpr int ChunkMs = 50;  // what the synthesizer hands over at a time
constexpr unsigned MsgVoiceEvent = MsgUser + 1;

enum class Kind { TextStarted, AudioStarted, AudioStopped, TextDone };

struct Event {
  Channel channel;
  Kind kind;
  std::uintptr_t tag;
};

struct ChannelState {
  Listener* listener = nullptr;
  int texts = 0;  // started and not yet reported done
  bool audio = false;
};

struct Block {
  std::vector<std::uint8_t> bytes;
  WaveHeader header;
  Channel channel = 0;
  std::uintptr_t tag = 0;
  bool lastOfText = false;
};

bool tried = false;
int sampleRate = 0;  // 0 while the synthesizer could not start
std::vector<InstalledVoice> voices;

WindowHandle window = NoWindow;
WaveDevice device = 0;
bool deviceOpen = false;
std::list<Block> blocks;  // in the device, in the order queued; addresses stay put
std::map<Channel, ChannelState> channels;
Channel nextChannel = 1;
std::deque<Event> events;

// The text being synthesised, for the synthesizer's callback.
Channel speakingChannel = 0;
std::uintptr_t speakingTag = 0;

std::intptr_t WindowProcedure(WindowHandle, unsigned id, std::uintptr_t, std::intptr_t);

void Notify(Channel channel, Kind kind, std::uintptr_t tag = 0) {
  events.push_back(Event{channel, kind, tag});
  PostMessage(window, MsgVoiceEvent);
}

void Deliver() {
  while (!events.empty()) {
    Event e = events.front();
    events.pop_front();
    auto it = channels.find(e.channel);
    if (it == channels.end()) continue;
    Listener* listener = it->second.listener;
    switch (e.kind) {
      case Kind::TextStarted: listener->TextStarted(e.tag); break;
      case Kind::AudioStarted: listener->AudioStarted(); break;
      case Kind::AudioStopped: listener->AudioStopped(); break;
      case Kind::TextDone: listener->TextDone(e.tag); break;
    }
  }
}

void TextEnded(Channel channel, std::uintptr_t tag) {
  auto it = channels.find(channel);
  if (it != channels.end() && it->second.texts > 0) --it->second.texts;
  Notify(channel, Kind::TextDone, tag);
}

bool ChannelSounds(Channel channel) {
  return std::any_of(blocks.begin(), blocks.end(), [&](const Block& b) { return b.channel == channel; });
}

// Channels whose sound has all played fall silent; an idle device is given back.
void SilenceIdleChannels() {
  for (auto& [channel, state] : channels)
    if (state.audio && !ChannelSounds(channel)) {
      state.audio = false;
      Notify(channel, Kind::AudioStopped);
    }
  if (blocks.empty() && deviceOpen && WaveOutClose(device) == WaveOk) deviceOpen = false;
}

// Takes back, in order, the blocks the device has finished with.
void CollectFinished() {
  while (!blocks.empty() && WaveOutUnprepare(device, &blocks.front().header) == WaveOk) {
    Block& b = blocks.front();
    if (b.lastOfText) TextEnded(b.channel, b.tag);
    blocks.pop_front();
  }
  SilenceIdleChannels();
}

std::intptr_t WindowProcedure(WindowHandle, unsigned id, std::uintptr_t, std::intptr_t) {
  if (id == MsgWaveDone) CollectFinished();
  Deliver();
  return 0;
}

bool OpenDevice() {
  if (deviceOpen) return true;
  deviceOpen = WaveOutOpen(device, WaveFormat{sampleRate, 16, 1}, window) == WaveOk;
  return deviceOpen;
}

void QueueSamples(const short* samples, int count) {
  if (count <= 0 || !OpenDevice()) return;
  Block& b = blocks.emplace_back();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples);
  b.bytes.assign(bytes, bytes + count * sizeof(short));
  b.header = WaveHeader{b.bytes.data(), static_cast<std::uint32_t>(b.bytes.size()), 0, false, false};
  b.channel = speakingChannel;
  b.tag = speakingTag;
  if (WaveOutPrepare(device, &b.header) != WaveOk || WaveOutWrite(device, &b.header) != WaveOk) {
    blocks.pop_back();
    return;
  }
  ChannelState& state = channels[speakingChannel];
  if (!state.audio) {
    state.audio = true;
    Notify(speakingChannel, Kind::AudioStarted);
  }
}

int SynthCallback(short* samples, int count, espeak_EVENT*) {
  if (samples) QueueSamples(samples, count);
  return 0;  // go on
}

// The first language of the synthesizer's list: a priority byte, then the name.
std::string FirstLanguage(const espeak_VOICE* v) {
  return v->languages && v->languages[0] ? std::string(v->languages + 1) : std::string();
}

bool Start() {
  if (tried) return sampleRate > 0;
  tried = true;
  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, ChunkMs, nullptr, espeakINITIALIZE_DONT_EXIT);
  if (rate <= 0) return false;
  sampleRate = rate;
  espeak_SetSynthCallback(SynthCallback);
  window = CreateMessageWindow(WindowProcedure);
  const espeak_VOICE** list = espeak_ListVoices(nullptr);
  for (; list && *list; ++list) {
    const espeak_VOICE* v = *list;
    std::string id = v->identifier ? v->identifier : "";
    // Voices that need another synthesizer's data are left out.
    if (!v->name || id.empty() || id.rfind("mb/", 0) == 0) continue;
    voices.push_back(InstalledVoice{Utf8ToAnsi(v->name), id, FirstLanguage(v)});
  }
  std::stable_partition(voices.begin(), voices.end(),
                        [](const InstalledVoice& v) { return v.language == "pt-br"; });
  return true;
}

}  // namespace

const std::vector<InstalledVoice>& Voices() {
  Start();
  return voices;
}

Channel OpenChannel(Listener* listener) {
  Start();
  Channel channel = nextChannel++;
  channels[channel].listener = listener;
  return channel;
}

void CloseChannel(Channel channel) {
  if (ChannelSounds(channel)) Silence();
  channels.erase(channel);
}

bool Speak(Channel channel, const std::string& utf8, const Settings& settings, std::uintptr_t tag) {
  if (!Start() || settings.voice >= voices.size() || !channels.count(channel)) return false;
  if (espeak_SetVoiceByName(voices[settings.voice].identifier.c_str()) != EE_OK) return false;
  int wordsPerMinute = std::clamp(settings.wordsPerMinute, SlowestWordsPerMinute, FastestWordsPerMinute);
  int pitch = std::clamp(settings.pitch, 0, 100);
  espeak_SetParameter(espeakRATE, wordsPerMinute, 0);
  espeak_SetParameter(espeakPITCH, pitch, 0);
  Trace("voice-text " + voices[settings.voice].identifier + " " + std::to_string(wordsPerMinute) +
            " " + std::to_string(pitch),
        Utf8ToAnsi(utf8));
  ++channels[channel].texts;
  Notify(channel, Kind::TextStarted, tag);
  speakingChannel = channel;
  speakingTag = tag;
  std::size_t before = blocks.size();
  espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
  speakingChannel = 0;
  // A text without sound (blanks only, or no device) is done at once.
  if (blocks.size() > before) blocks.back().lastOfText = true;
  else TextEnded(channel, tag);
  return true;
}

void Silence() {
  if (!blocks.empty()) WaveOutReset(device);
  for (Block& b : blocks) {
    WaveOutUnprepare(device, &b.header);
    if (b.lastOfText) TextEnded(b.channel, b.tag);
  }
  blocks.clear();
  SilenceIdleChannels();
}

bool Speaking(Channel channel) {
  auto it = channels.find(channel);
  return it != channels.end() && (it->second.texts > 0 || it->second.audio);
}

void WaitUntilQuiet(Channel channel) {
  while (ChannelSounds(channel)) {
    Sleep(5);
    CollectFinished();
  }
  Deliver();
}

}  // namespace platform::speaker
