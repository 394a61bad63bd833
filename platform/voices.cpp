// The voice objects of both speech-API generations over the speaker.
#include "platform/voices.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/voices_engine.h"

namespace platform {

namespace {

struct GuidLess {
  bool operator()(const Guid& a, const Guid& b) const {
    return std::memcmp(&a, &b, sizeof(Guid)) < 0;
  }
};

int comUsers = 0;
std::map<Guid, int, GuidLess> created;  // objects made, by class (tests)

// Our own identifiers: the engine, its modes (the voice index in the last two bytes) and the
// voice tokens.
constexpr Guid EngineId = MakeGuid("{4F52414C-4953-0004-8000-000000000000}");
constexpr Guid ModeIdBase = MakeGuid("{4F52414C-4953-0004-8001-000000000000}");
constexpr Guid IidSpeechObjectToken = MakeGuid("{4F52414C-4953-0005-8000-000000000002}");
constexpr Guid IidSpeechObjectTokens = MakeGuid("{4F52414C-4953-0005-8000-000000000003}");

constexpr std::uint16_t LanguageBrazilianPortuguese = 0x0416;
constexpr int NormalPitchHertz = 150;  // the synthesizer's middle pitch

std::uint64_t TimeStamp() { return Milliseconds(); }

const std::vector<speaker::InstalledVoice>& Installed() { return speaker::Voices(); }

// ---- Events ----

std::map<EventHandle, bool> eventSignalled;
EventHandle nextEvent = 1;

EventHandle CreateEvent() {
  eventSignalled[nextEvent] = true;
  return nextEvent++;
}

// ---- Text ----

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    else if (c >= 0xD800 && c < 0xE000)
      c = '?';  // a lone surrogate
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Only for the well-formed UTF-8 that AnsiToUtf8 makes (at most three bytes a character).
std::u16string Utf8ToUtf16(const std::string& utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    auto b = static_cast<unsigned char>(utf8[i]);
    int more = b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    std::uint32_t c = more == 2 ? b & 0x0F : more == 1 ? b & 0x1F : b;
    for (int k = 1; k <= more && i + k < utf8.size(); ++k) c = c << 6 | (utf8[i + k] & 0x3F);
    out += static_cast<char16_t>(c);
    i += 1 + more;
  }
  return out;
}

void CopyText(char* field, std::size_t size, const std::string& text) {
  std::size_t n = std::min(text.size(), size - 1);
  text.copy(field, n);
  field[n] = '\0';
}

// ---- The older API ----

class AudioDestination final : public RefCounted<AudioDestinationInterface, IidAudioDestination> {};

class Central;

class Attributes final : public RefCounted<TtsAttributesInterface, IidTtsAttributes> {
 public:
  explicit Attributes(Central* central);
  ~Attributes() override;
  Result SpeedSet(std::uint32_t wordsPerMinute) override;
  Result SpeedGet(std::uint32_t* wordsPerMinute) override;
  Result PitchSet(std::uint16_t hertz) override;
  Result PitchGet(std::uint16_t* hertz) override;

 private:
  Central* central;
};

class Central final : public RefCounted<TtsCentralInterface, IidTtsCentral>, speaker::Listener {
 public:
  explicit Central(std::size_t voice) : channel(speaker::OpenChannel(this)) { settings.voice = voice; }
  ~Central() override {
    speaker::CloseChannel(channel);
    for (auto& [key, sink] : sinks) sink->Release();
    for (auto& [tag, sink] : texts)
      if (sink) sink->Release();
  }

  Result QueryInterface(const Guid& iid, void** object) override {
    if (object && iid == IidTtsAttributes) {
      *object = static_cast<TtsAttributesInterface*>(new Attributes(this));
      static_cast<TtsAttributesInterface*>(*object)->AddRef();
      return ResultOk;
    }
    return RefCounted::QueryInterface(iid, object);
  }

  Result TextData(std::uint32_t characterSet, std::uint32_t, const void* text, std::uint32_t bytes,
                  Unknown* sink, const Guid& sinkIid) override {
    if (!text) return ResultPointer;
    if (characterSet != TtsCharacterSetText) return ResultInvalidArgument;
    const char* start = static_cast<const char*>(text);
    std::string ansi(start, std::find(start, start + bytes, '\0'));
    void* bufSink = nullptr;
    if (sink && sinkIid == IidTtsBufNotifySink) sink->QueryInterface(sinkIid, &bufSink);
    std::uintptr_t tag = nextTag++;
    texts[tag] = static_cast<TtsBufNotifySinkInterface*>(bufSink);
    if (!speaker::Speak(channel, AnsiToUtf8(ansi), settings, tag)) {
      if (bufSink) static_cast<TtsBufNotifySinkInterface*>(bufSink)->Release();
      texts.erase(tag);
      return ResultFail;
    }
    return ResultOk;
  }

  Result AudioReset() override {
    speaker::Silence();
    return ResultOk;
  }

  Result Register(Unknown* sink, const Guid& sinkIid, std::uint32_t* key) override {
    if (!sink || !key) return ResultPointer;
    if (!(sinkIid == IidTtsNotifySink)) return ResultNoInterface;
    void* notify = nullptr;
    if (Result r = sink->QueryInterface(sinkIid, &notify); Failed(r)) return r;
    *key = nextKey++;
    sinks[*key] = static_cast<TtsNotifySinkInterface*>(notify);
    return ResultOk;
  }

  Result UnRegister(std::uint32_t key) override {
    auto it = sinks.find(key);
    if (it == sinks.end()) return ResultInvalidArgument;
    it->second->Release();
    sinks.erase(it);
    return ResultOk;
  }

  speaker::Settings settings;
  int pitchHertz = NormalPitchHertz;

 private:
  // Every report keeps this object alive while a sink runs: a sink may release it.
  template <class Report>
  void Tell(Report report) {
    AddRef();
    report();
    Release();
  }

  void TextStarted(std::uintptr_t tag) override {
    Tell([&] {
      auto it = texts.find(tag);
      if (it != texts.end() && it->second) it->second->TextDataStarted(TimeStamp());
    });
  }
  void TextDone(std::uintptr_t tag) override {
    Tell([&] {
      auto it = texts.find(tag);
      if (it == texts.end()) return;
      TtsBufNotifySinkInterface* sink = it->second;
      texts.erase(it);
      if (!sink) return;
      sink->TextDataDone(TimeStamp(), 0);
      sink->Release();
    });
  }
  void AudioStarted() override {
    Tell([&] {
      for (auto& [key, sink] : std::map(sinks)) sink->AudioStart(TimeStamp());
    });
  }
  void AudioStopped() override {
    Tell([&] {
      for (auto& [key, sink] : std::map(sinks)) sink->AudioStop(TimeStamp());
    });
  }

  speaker::Channel channel;
  std::map<std::uint32_t, TtsNotifySinkInterface*> sinks;
  std::map<std::uintptr_t, TtsBufNotifySinkInterface*> texts;  // started and not done
  std::uint32_t nextKey = 1;
  std::uintptr_t nextTag = 1;
};

Attributes::Attributes(Central* c) : central(c) { central->AddRef(); }
Attributes::~Attributes() { central->Release(); }

Result Attributes::SpeedSet(std::uint32_t wordsPerMinute) {
  central->settings.wordsPerMinute = static_cast<int>(std::min<std::uint32_t>(wordsPerMinute, 1000));
  return ResultOk;
}
Result Attributes::SpeedGet(std::uint32_t* wordsPerMinute) {
  if (!wordsPerMinute) return ResultPointer;
  *wordsPerMinute = static_cast<std::uint32_t>(central->settings.wordsPerMinute);
  return ResultOk;
}
Result Attributes::PitchSet(std::uint16_t hertz) {
  central->pitchHertz = hertz;
  central->settings.pitch = hertz * speaker::NormalPitch / NormalPitchHertz;
  return ResultOk;
}
Result Attributes::PitchGet(std::uint16_t* hertz) {
  if (!hertz) return ResultPointer;
  *hertz = static_cast<std::uint16_t>(central->pitchHertz);
  return ResultOk;
}

Guid ModeId(std::size_t index) {
  Guid g = ModeIdBase;
  g.data4[6] = static_cast<std::uint8_t>(index >> 8);
  g.data4[7] = static_cast<std::uint8_t>(index);
  return g;
}

TtsModeInfo ModeInfo(std::size_t index) {
  const speaker::InstalledVoice& v = Installed()[index];
  TtsModeInfo m{};
  m.engineId = EngineId;
  CopyText(m.manufacturer, sizeof m.manufacturer, "eSpeak NG");
  CopyText(m.product, sizeof m.product, "eSpeak NG");
  m.modeId = ModeId(index);
  CopyText(m.modeName, sizeof m.modeName, v.name);
  m.language = v.language == "pt-br" ? LanguageBrazilianPortuguese : 0;
  CopyText(m.dialect, sizeof m.dialect, v.language);
  CopyText(m.speaker, sizeof m.speaker, v.name);
  return m;
}

class Enumerator final : public RefCounted<TtsEnumeratorInterface, IidTtsEnumerator> {
 public:
  Result Next(std::uint32_t count, TtsModeInfo* modes, std::uint32_t* fetched) override {
    if (!modes && count > 0) return ResultPointer;
    std::uint32_t n = 0;
    for (; n < count && position < Installed().size(); ++n) modes[n] = ModeInfo(position++);
    if (fetched) *fetched = n;
    return n == count ? ResultOk : ResultNoMoreItems;
  }
  Result Skip(std::uint32_t count) override {
    position = std::min(position + count, Installed().size());
    return ResultOk;
  }
  Result Reset() override {
    position = 0;
    return ResultOk;
  }
  Result Select(const Guid& modeId, TtsCentralInterface** central, Unknown* audio) override {
    if (!central) return ResultPointer;
    *central = nullptr;
    void* destination = nullptr;
    if (!audio || Failed(audio->QueryInterface(IidAudioDestination, &destination)))
      return ResultInvalidArgument;
    static_cast<Unknown*>(destination)->Release();
    for (std::size_t i = 0; i < Installed().size(); ++i)
      if (ModeId(i) == modeId) {
        *central = new Central(i);
        (*central)->AddRef();
        return ResultOk;
      }
    return ResultInvalidArgument;
  }

 private:
  std::size_t position = 0;
};

// ---- The newer API ----

class Token final : public RefCounted<SpeechObjectTokenInterface, IidSpeechObjectToken> {
 public:
  explicit Token(std::size_t i) : index(i) {}
  Result GetDescription(std::string* ansi) override {
    if (!ansi) return ResultPointer;
    *ansi = Installed()[index].name;
    return ResultOk;
  }
  Result GetId(std::string* ansi) override {
    if (!ansi) return ResultPointer;
    *ansi = Installed()[index].identifier;
    return ResultOk;
  }
  const std::size_t index;
};

class Tokens final : public RefCounted<SpeechObjectTokensInterface, IidSpeechObjectTokens> {
 public:
  Result GetCount(std::int32_t* count) override {
    if (!count) return ResultPointer;
    *count = static_cast<std::int32_t>(Installed().size());
    return ResultOk;
  }
  Result Item(std::int32_t index, SpeechObjectTokenInterface** token) override {
    if (!token) return ResultPointer;
    *token = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= Installed().size()) return ResultInvalidArgument;
    *token = new Token(static_cast<std::size_t>(index));
    (*token)->AddRef();
    return ResultOk;
  }
};

// Rate -10 to 10: a third of the normal words per minute to three times, evenly in between.
int WordsPerMinute(std::int32_t rate) {
  return static_cast<int>(std::lround(speaker::NormalWordsPerMinute * std::pow(3.0, rate / 10.0)));
}

class Voice final : public RefCounted<SpeechVoiceInterface, IidSpeechVoice>, speaker::Listener {
 public:
  Voice() : channel(speaker::OpenChannel(this)), event(CreateEvent()) {}
  ~Voice() override {
    speaker::CloseChannel(channel);
    eventSignalled.erase(event);
  }

  Result SetEventInterests(std::int32_t) override { return ResultOk; }

  Result GetVoices(const std::u16string& required, const std::u16string& optional,
                   SpeechObjectTokensInterface** tokens) override {
    if (!tokens) return ResultPointer;
    *tokens = nullptr;
    if (!required.empty() || !optional.empty()) return ResultInvalidArgument;
    *tokens = new Tokens;
    (*tokens)->AddRef();
    return ResultOk;
  }

  Result SetVoice(SpeechObjectTokenInterface* token) override {
    auto* ours = dynamic_cast<Token*>(token);
    if (!ours) return ResultInvalidArgument;
    settings.voice = ours->index;
    return ResultOk;
  }

  Result GetVoice(SpeechObjectTokenInterface** token) override {
    if (!token) return ResultPointer;
    *token = nullptr;
    if (settings.voice >= Installed().size()) return ResultFail;
    *token = new Token(settings.voice);
    (*token)->AddRef();
    return ResultOk;
  }

  Result SetRate(std::int32_t value) override {
    if (value < SpeechRateMin || value > SpeechRateMax) return ResultInvalidArgument;
    rate = value;
    settings.wordsPerMinute = WordsPerMinute(value);
    return ResultOk;
  }

  Result GetRate(std::int32_t* value) override {
    if (!value) return ResultPointer;
    *value = rate;
    return ResultOk;
  }

  Result Speak(const std::u16string& text, std::int32_t flags, std::uint32_t* stream) override {
    if (flags & ~(SpeakAsync | SpeakPurgeBeforeSpeak | SpeakIsNotXml)) return ResultInvalidArgument;
    if (flags & SpeakPurgeBeforeSpeak) speaker::Silence();
    eventSignalled[event] = false;
    bool queued = speaker::Speak(channel, Utf16ToUtf8(text), settings, ++streams);
    if (queued && !(flags & SpeakAsync)) speaker::WaitUntilQuiet(channel);
    SignalWhenQuiet();
    if (stream) *stream = streams;
    return queued ? ResultOk : ResultFail;
  }

  Result SpeakCompleteEvent(EventHandle* handle) override {
    if (!handle) return ResultPointer;
    *handle = event;
    return ResultOk;
  }

 private:
  void SignalWhenQuiet() {
    if (!speaker::Speaking(channel)) eventSignalled[event] = true;
  }
  void TextStarted(std::uintptr_t) override {}
  void AudioStarted() override {}
  void AudioStopped() override { SignalWhenQuiet(); }
  void TextDone(std::uintptr_t) override { SignalWhenQuiet(); }

  speaker::Channel channel;
  EventHandle event;
  speaker::Settings settings;
  std::int32_t rate = 0;
  std::uint32_t streams = 0;
};

Unknown* NewObject(const Guid& classId) {
  if (classId == ClassAudioDestination) return new AudioDestination;
  if (classId == ClassTtsEnumerator) return new Enumerator;
  if (classId == ClassSpeechVoice || classId == ClassSpeechVoice54) return new Voice;
  return nullptr;
}

}  // namespace

Result InitializeCom() {
  ++comUsers;
  return ResultOk;
}

void UninitializeCom() {
  if (comUsers > 0) --comUsers;
}

Result CreateInstance(const Guid& classId, Unknown* outer, std::uint32_t context, const Guid& iid,
                      void** object) {
  if (!object) return ResultPointer;
  *object = nullptr;
  if (comUsers == 0) return ResultNotInitialised;
  if (outer) return ResultFail;  // no aggregation
  Unknown* made = (context & ContextInprocServer) ? NewObject(classId) : nullptr;
  if (!made) return ResultClassNotRegistered;
  ++created[classId];
  made->AddRef();
  Result r = made->QueryInterface(iid, object);
  made->Release();
  return r;
}

int InstancesCreated(const Guid& classId) {
  auto it = created.find(classId);
  return it == created.end() ? 0 : it->second;
}

std::uint32_t WaitForSingleObject(EventHandle event, std::uint32_t timeoutMs) {
  auto it = eventSignalled.find(event);
  if (it == eventSignalled.end()) return WaitFailed;
  if (!it->second && timeoutMs > 0) Sleep(timeoutMs);
  it = eventSignalled.find(event);
  return it != eventSignalled.end() && it->second ? WaitObject0 : WaitTimeout;
}

std::u16string AnsiToUtf16(const std::string& ansi) { return Utf8ToUtf16(AnsiToUtf8(ansi)); }
std::string Utf16ToAnsi(const std::u16string& text) { return Utf8ToAnsi(Utf16ToUtf8(text)); }

}  // namespace platform
