// The speaker behind the voice objects: the voices installed on the host, synthesis, and the
// sound of every text through the wave device. Only platform/ includes this.
//
// Synthesis is synchronous on the GUI thread: Speak synthesises the whole text and queues its
// sound in blocks of about 50 ms as they come, so the first block is on the device a few ms
// after the call and the device's own clock (virtual in headless) makes the speech last as long
// as the sound. The wave device has one queue, so the speaker holds it only while it sounds.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::speaker {

struct InstalledVoice {
  std::string name;        // for people, in the Windows code page ("Portuguese_(Brazil)")
  std::string identifier;  // what the synthesizer selects it by
  std::string language;    // "pt-br"
};
// Brazilian Portuguese first, then the others in the synthesizer's order; empty when the
// synthesizer or its data is missing.
const std::vector<InstalledVoice>& Voices();

constexpr int NormalWordsPerMinute = 175, SlowestWordsPerMinute = 80, FastestWordsPerMinute = 450;
constexpr int NormalPitch = 50;  // the synthesizer's scale, 0-100

struct Settings {
  std::size_t voice = 0;  // index in Voices()
  int wordsPerMinute = NormalWordsPerMinute;
  int pitch = NormalPitch;
};

// What the owner of a channel hears, on the GUI thread while messages are pumped (or inside
// WaitUntilQuiet). For each text: TextStarted, then (if it has sound) AudioStarted when the
// channel starts to sound, TextDone when its sound has played, AudioStopped when the channel
// falls silent.
class Listener {
 public:
  virtual void TextStarted(std::uintptr_t tag) = 0;
  virtual void AudioStarted() = 0;
  virtual void AudioStopped() = 0;
  virtual void TextDone(std::uintptr_t tag) = 0;

 protected:
  ~Listener() = default;
};

using Channel = int;
Channel OpenChannel(Listener* listener);
// Cuts the sound (as Silence) and forgets the listener: it hears nothing more.
void CloseChannel(Channel channel);

// Synthesises text (UTF-8) and queues its sound; false when there is no such voice.
bool Speak(Channel channel, const std::string& utf8, const Settings& settings, std::uintptr_t tag);
// Cuts the device at once and drops every queued text of every channel; each listener still
// hears TextDone for its dropped texts and AudioStopped.
void Silence();
// A text of the channel has not been reported done, or its sound is playing.
bool Speaking(Channel channel);
// Sleeps in steps of 5 ms until the channel is quiet, without dispatching messages.
void WaitUntilQuiet(Channel channel);

}  // namespace platform::speaker
