// Voice objects of the two speech-API generations, backed by the voices installed on the host.
// Objects are reference counted in the manner of COM: every interface begins with
// QueryInterface, AddRef and Release, and results are 0 for success and negative for failure.
// Everything is called on the GUI thread; notifications reach their sinks on that thread while
// messages are pumped.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

using Result = std::int32_t;
constexpr Result ResultOk = 0;
constexpr Result ResultFail = static_cast<Result>(0x80004005u);
constexpr Result ResultNoInterface = static_cast<Result>(0x80004002u);
constexpr Result ResultPointer = static_cast<Result>(0x80004003u);
constexpr Result ResultInvalidArgument = static_cast<Result>(0x80070057u);
constexpr Result ResultNotInitialised = static_cast<Result>(0x800401F0u);
constexpr Result ResultClassNotRegistered = static_cast<Result>(0x80040154u);
constexpr Result ResultNoMoreItems = 1;  // a success code: Next fetched fewer than asked
inline bool Failed(Result result) { return result < 0; }

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0, data3 = 0;
  std::uint8_t data4[8] = {};
  bool operator==(const Guid&) const = default;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; any bad digit gives the zero identifier.
constexpr Guid MakeGuid(std::string_view text) {
  auto hex = [&](std::size_t at, int digits, bool& bad) {
    std::uint32_t value = 0;
    for (int i = 0; i < digits; ++i) {
      char c = at + i < text.size() ? text[at + i] : '?';
      int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10
              : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
      if (d < 0) bad = true;
      value = value * 16 + static_cast<std::uint32_t>(d < 0 ? 0 : d);
    }
    return value;
  };
  bool bad = text.size() != 38;
  Guid g;
  g.data1 = hex(1, 8, bad);
  g.data2 = static_cast<std::uint16_t>(hex(10, 4, bad));
  g.data3 = static_cast<std::uint16_t>(hex(15, 4, bad));
  const std::size_t tail[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) g.data4[i] = static_cast<std::uint8_t>(hex(tail[i], 2, bad));
  return bad ? Guid{} : g;
}

inline constexpr Guid IidUnknown = MakeGuid("{00000000-0000-0000-C000-000000000046}");

// Class contexts: the objects here are in-process servers.
enum : std::uint32_t { ContextInprocServer = 1, ContextInprocHandler = 2, ContextLocalServer = 4 };

class Unknown {
 public:
  virtual Result QueryInterface(const Guid& iid, void** object) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  virtual ~Unknown() = default;
};

// The reference-counted interface object: one interface, answered also for IidUnknown. It
// starts with no reference; the last Release deletes it.
template <class Interface, Guid InterfaceId>
class RefCounted : public Interface {
 public:
  Result QueryInterface(const Guid& iid, void** object) override {
    if (!object) return ResultPointer;
    *object = nullptr;
    if (!(iid == IidUnknown || iid == InterfaceId)) return ResultNoInterface;
    *object = static_cast<Interface*>(this);
    AddRef();
    return ResultOk;
  }
  std::uint32_t AddRef() override { return ++references; }
  std::uint32_t Release() override {
    std::uint32_t left = --references;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::uint32_t references = 0;
};

// COM for the calling thread; objects can be created only between these two.
Result InitializeCom();
void UninitializeCom();
// Creates an object of a class and returns the interface iid of it (with one reference).
// Unknown classes give ResultClassNotRegistered, unknown interfaces ResultNoInterface.
Result CreateInstance(const Guid& classId, Unknown* outer, std::uint32_t context, const Guid& iid,
                      void** object);
// Tests: how many objects of a class CreateInstance has made.
int InstancesCreated(const Guid& classId);

// ---- The older API: engine modes, a central interface, notification sinks ----

inline constexpr Guid ClassAudioDestination = MakeGuid("{CB96B400-C743-11CD-80E5-00AA003E4B50}");
inline constexpr Guid IidAudioDestination = MakeGuid("{B68AD320-C743-11CD-80E5-00AA003E4B50}");
inline constexpr Guid ClassTtsEnumerator = MakeGuid("{D67C0280-C743-11CD-80E5-00AA003E4B50}");
inline constexpr Guid IidTtsEnumerator = MakeGuid("{05EB6C6D-DBAB-11CD-B3CA-00AA0047BA4F}");
inline constexpr Guid IidTtsNotifySink = MakeGuid("{05EB6C6F-DBAB-11CD-B3CA-00AA0047BA4F}");
inline constexpr Guid IidTtsBufNotifySink = MakeGuid("{E4963D40-C743-11CD-80E5-00AA003E4B50}");
inline constexpr Guid IidTtsAttributes = MakeGuid("{0FD6E2A1-E77D-11CD-B3CA-00AA0047BA4F}");
// Our own: the central interface is only ever obtained from Select.
inline constexpr Guid IidTtsCentral = MakeGuid("{4F52414C-4953-0004-8000-000000000001}");

// What the engine tells a registered sink.
class TtsNotifySinkInterface : public Unknown {
 public:
  virtual Result AttribChanged(std::uint32_t attribute) = 0;
  virtual Result AudioStart(std::uint64_t time) = 0;
  virtual Result AudioStop(std::uint64_t time) = 0;
  virtual Result Visual(std::uint64_t time, char phoneme, char enginePhoneme, std::uint32_t hints,
                        const void* mouth) = 0;
};

// What the engine tells the sink given with a text.
class TtsBufNotifySinkInterface : public Unknown {
 public:
  virtual Result TextDataDone(std::uint64_t time, std::uint32_t flags) = 0;
  virtual Result TextDataStarted(std::uint64_t time) = 0;
  virtual Result BookMark(std::uint64_t time, std::uint32_t mark) = 0;
  virtual Result WordPosition(std::uint64_t time, std::uint32_t byteOffset) = 0;
};

// The multimedia audio output that an engine speaks into (the wave device).
class AudioDestinationInterface : public Unknown {};

// One engine mode: 1,424 bytes, the mode identifier at byte 540. Texts are zero-terminated, in
// the Windows code page.
struct TtsModeInfo {
  Guid engineId;
  char manufacturer[262];
  char product[262];
  Guid modeId;
  char modeName[262];
  std::uint16_t language;  // 0x0416 Brazilian Portuguese
  char dialect[262];
  char speaker[262];
  std::uint8_t reserved[80];
};
static_assert(sizeof(TtsModeInfo) == 1424 && offsetof(TtsModeInfo, modeId) == 540);

// Text character sets of TextData.
enum : std::uint32_t { TtsCharacterSetText = 0 };

class TtsCentralInterface : public Unknown {
 public:
  // Queues bytes (up to a zero byte, at most bytes); sink answers sinkIid and hears of this
  // text's start and end.
  virtual Result TextData(std::uint32_t characterSet, std::uint32_t flags, const void* text,
                          std::uint32_t bytes, Unknown* sink, const Guid& sinkIid) = 0;
  // Silences the audio and drops every queued text.
  virtual Result AudioReset() = 0;
  virtual Result Register(Unknown* sink, const Guid& sinkIid, std::uint32_t* key) = 0;
  virtual Result UnRegister(std::uint32_t key) = 0;
};

class TtsAttributesInterface : public Unknown {
 public:
  virtual Result SpeedSet(std::uint32_t wordsPerMinute) = 0;
  virtual Result SpeedGet(std::uint32_t* wordsPerMinute) = 0;
  virtual Result PitchSet(std::uint16_t hertz) = 0;
  virtual Result PitchGet(std::uint16_t* hertz) = 0;
};

class TtsEnumeratorInterface : public Unknown {
 public:
  // Copies up to count modes into modes; fetched (may be null) gets how many.
  virtual Result Next(std::uint32_t count, TtsModeInfo* modes, std::uint32_t* fetched) = 0;
  virtual Result Skip(std::uint32_t count) = 0;
  virtual Result Reset() = 0;
  // The central interface of a mode, speaking into the audio destination.
  virtual Result Select(const Guid& modeId, TtsCentralInterface** central, Unknown* audio) = 0;
};

// ---- The newer API: the automation voice ----

inline constexpr Guid ClassSpeechVoice = MakeGuid("{96749377-3391-11D2-9EE3-00C04F797396}");
inline constexpr Guid ClassSpeechVoice54 = MakeGuid("{D941651C-44E6-4C17-BADF-C36826FC3424}");
inline constexpr Guid IidSpeechVoice = MakeGuid("{269316D8-57BD-11D2-9EEE-00C04F797396}");
inline constexpr Guid IidSpeechVoiceEvents = MakeGuid("{A372ACD1-3BEF-4BBD-8FFB-CB3E2B416AF8}");

enum : std::int32_t { SpeakAsync = 1, SpeakPurgeBeforeSpeak = 2, SpeakIsNotXml = 16 };
constexpr std::int32_t SpeechAllEvents = 33790;
constexpr std::int32_t SpeechRateMin = -10, SpeechRateMax = 10;

class SpeechObjectTokenInterface : public Unknown {
 public:
  virtual Result GetDescription(std::string* ansi) = 0;
  virtual Result GetId(std::string* ansi) = 0;
};

class SpeechObjectTokensInterface : public Unknown {
 public:
  virtual Result GetCount(std::int32_t* count) = 0;
  virtual Result Item(std::int32_t index, SpeechObjectTokenInterface** token) = 0;
};

// A waitable handle; 0 is none.
using EventHandle = std::intptr_t;

class SpeechVoiceInterface : public Unknown {
 public:
  virtual Result SetEventInterests(std::int32_t interests) = 0;
  // The installed voices, Brazilian Portuguese first; attributes other than empty are not
  // supported.
  virtual Result GetVoices(const std::u16string& required, const std::u16string& optional,
                           SpeechObjectTokensInterface** tokens) = 0;
  virtual Result SetVoice(SpeechObjectTokenInterface* token) = 0;
  virtual Result GetVoice(SpeechObjectTokenInterface** token) = 0;
  // -10 (about a third of the normal speed) to 10 (about three times); outside fails.
  virtual Result SetRate(std::int32_t rate) = 0;
  virtual Result GetRate(std::int32_t* rate) = 0;
  // Asynchronous with SpeakAsync, else returns when the text has been spoken.
  virtual Result Speak(const std::u16string& text, std::int32_t flags, std::uint32_t* stream) = 0;
  // Signalled while the voice has nothing left to say.
  virtual Result SpeakCompleteEvent(EventHandle* event) = 0;
};

enum : std::uint32_t { WaitObject0 = 0, WaitTimeout = 258, WaitFailed = 0xFFFFFFFFu };
// Waits at most timeout milliseconds (virtual in headless) for the event to be signalled.
std::uint32_t WaitForSingleObject(EventHandle event, std::uint32_t timeoutMs);

std::u16string AnsiToUtf16(const std::string& ansi);
std::string Utf16ToAnsi(const std::u16string& text);

}  // namespace platform
