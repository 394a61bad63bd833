// Recorded messages, character sounds, the tick and the beep, and the speech queue: the one
// wait for the end of any sound (SpeechBusy) that every wait of the system polls.
//
// This module is the base of the speech front end: the spoken numbers and the diphone
// synthesizer play their buffers through it, so it sits below them and above the engine
// selection and the wave player.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/messages.h"
#include "sound/orwav.h"

extern std::string MessageDir;    // recorded messages; ends in "\" once set
extern std::string LettersDir;    // letter sounds and word fragments; ends in "\" once set
extern bool EngineActive;         // an external engine was started
extern bool EngineSpeechPending;  // text went to the engine and nobody has waited for it yet
extern bool SpeechStopped;        // set by StopSpeech; the text speaker clears it

// Posted to the console window by StopSpeech: it only wakes a loop sleeping in WaitMessage.
constexpr unsigned MsgSpeechStopped = platform::MsgUser + 99;  // 1123

constexpr std::size_t WaveHeaderBytes = 44;
// Every buffer the system builds: 8-bit unsigned mono at this rate, one byte a sample.
constexpr int BufferRate = 11025;

// Names of the recordings, Windows-style: a key that begins with "_" lies in LettersDir, any
// other in MessageDir; a character code C is SynthLettersDir + "_" + C in decimal.
std::string MessageFileName(const std::string& key);
std::string CharSoundFileName(std::uint8_t code);

// Both wait for pending engine speech, then play the recording to its end (or a key); a
// missing recording is silent.
void SpeakMessage(const std::string& key);
void SpeakCharSound(std::uint8_t code);
// The sound of each character in turn, up to a waiting key.
void SpellText(const std::string& text);

// True while a wave plays or the engine speaks; a waiting key stops everything, stays queued,
// and gives false.
bool SpeechBusy();
// Polls SpeechBusy, sleeping until the next window message between polls.
void WaitSpeechEnd();
// When engine speech is pending: waits for the end, then clears the flag.
void WaitSpeech();
void StopSpeech();

// Waits for pending engine speech, plays the in-memory wave, waits for its end.
void PlayWaveBufferAndWait(WaveBuffer& buffer);
// 256 samples: a burst of noise of 64 samples, then silence.
void PlayTick();
// Discards waiting keys, then plays a tone of about 1,378 Hz for 512 samples (46 ms).
void PlayBeep();

// Writes the 44-byte RIFF/WAVE header at the start of buffer, growing it to 44 bytes when
// shorter; length is the data length in bytes.
void MakeWaveHeader(WaveBuffer& buffer, std::uint32_t length, std::uint32_t rate, int bits,
                    int channels);

// Reads one key, stops speech, plays the key's character sound; an extended key sounds as
// code 0, its first half.
std::uint8_t ReadKeyEchoed();
