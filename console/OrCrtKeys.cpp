// The console's keyboard: the 64-byte key queue, key codes, Braille chord entry, the waits,
// and the small services (line reading, clipboard, tone, date and time).
#include <algorithm>
#include <cstring>
#include <deque>

#include "console/OrCrt.h"
#include "console/OrCrtInternal.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/keyboard.h"
#include "platform/sound.h"

using namespace platform;

namespace {

constexpr std::size_t QueueCapacity = 64;  // bytes; an extended key takes two
std::deque<std::uint8_t> keyQueue;

// ---- Key codes ----

struct ExtendedKey {
  unsigned virtualKey;
  std::uint8_t plain, withCtrl;
};

constexpr ExtendedKey ExtendedKeys[] = {
    {VkF1, 59, 94},       {VkF1 + 1, 60, 95},   {VkF1 + 2, 61, 96},   {VkF1 + 3, 62, 97},
    {VkF1 + 4, 63, 98},   {VkF1 + 5, 64, 99},   {VkF1 + 6, 65, 100},  {VkF1 + 7, 66, 101},
    {VkF1 + 8, 67, 102},  {VkF1 + 9, 68, 103},  {VkF1 + 10, 69, 104}, {VkF1 + 11, 70, 105},
    {VkInsert, 82, 255},  {VkDelete, 83, 83},   {VkHome, 71, 119},    {VkEnd, 79, 117},
    {VkPrior, 73, 132},   {VkNext, 81, 118},    {VkUp, 72, 113},      {VkDown, 80, 114},
    {VkLeft, 75, 115},    {VkRight, 77, 116},
};
constexpr std::uint8_t ShiftInsertCode = 254;

// Scan codes of the letter keys A-Z, which Alt+letter gives.
constexpr std::uint8_t AltLetterCodes[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                             49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

bool IsLetterKey(unsigned vk) { return vk >= VkA && vk < VkA + 26; }
bool IsDigitKey(unsigned vk) { return vk >= Vk0 && vk < Vk0 + 10; }

std::size_t FreePlaces() { return QueueCapacity - keyQueue.size(); }

void QueueExtended(std::uint8_t code) {
  if (FreePlaces() < 2) return;
  keyQueue.push_back(0);
  keyQueue.push_back(code);
}

// Digits 1-9 give 120-128, and 0 gives 129.
std::uint8_t AltCode(unsigned vk) {
  if (IsLetterKey(vk)) return AltLetterCodes[vk - VkA];
  return static_cast<std::uint8_t>(vk == Vk0 ? 129 : 120 + (vk - Vk0 - 1));
}

// ---- Braille ----

// Chord value (dot 1 = 1, dot 2 = 2, dot 3 = 4, dot 4 = 8, dot 5 = 16, dot 6 = 32) -> character.
constexpr unsigned char BrailleTable[64] = {
    32,  97,  44,  98,  39,  107, 59,  108, 94,  99,  105, 102, 237, 109, 115, 112,
    126, 101, 58,  104, 42,  111, 33,  114, 172, 100, 106, 103, 227, 110, 116, 113,
    253, 226, 63,  234, 45,  117, 34,  118, 123, 238, 245, 224, 243, 120, 232, 231,
    36,  251, 255, 252, 125, 122, 61,  225, 95,  244, 119, 239, 35,  121, 250, 233,
};
constexpr unsigned SpaceBit = 64;

int brailleMode = 0;
unsigned chord = 0;  // dots and the space bar pressed since the last chord
unsigned held = 0;   // chord keys still down
bool capital = false, capsLock = false, numberMode = false;

unsigned ChordBit(unsigned vk) {
  switch (vk) {
    case 'F': return 1;
    case 'D': return 2;
    case 'S': return 4;
    case 'J': return 8;
    case 'K': return 16;
    case 'L': return 32;
    case VkSpace: return SpaceBit;
    default: return 0;
  }
}

void SignsOff() { capital = capsLock = numberMode = false; }

// The number and capital signs of mode 2; -1 when the chord delivers nothing.
int ApplySigns(unsigned char c) {
  if (numberMode) {
    if (c == '\'') c = '.';
    else if (c >= 'a' && c <= 'i') c = static_cast<unsigned char>('1' + (c - 'a'));
    else if (c == 'j') c = '0';
    else if (c == '~') numberMode = false;
  }
  if ((capital || capsLock) && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
  if (c == '#') {
    numberMode = true;
    return -1;
  }
  if (c == '{') {
    if (capital) capsLock = true;
    capital = true;
    return -1;
  }
  capital = false;
  return c;
}

int DecodeChord() {
  if (chord & SpaceBit) {
    SignsOff();
    unsigned dots = chord & 63;
    return dots == 0 ? ' ' : BrailleTable[dots] & 31;
  }
  unsigned char c = BrailleTable[chord];
  return brailleMode == 2 ? ApplySigns(c) : c;
}

void Tone(int frequency) {
  PlayTone(frequency);
  PauseMs(200);
  StopTone();
}

// ---- Tone ----

constexpr int ToneRate = 11025;  // samples per second, 8-bit mono
constexpr std::size_t WaveHeaderSize = 44;
bool tonePlaying = false;

void PutLittleEndian(std::vector<std::uint8_t>& image, std::size_t at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) image[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void WriteToneHeader(std::vector<std::uint8_t>& image, std::uint32_t dataLength) {
  std::memcpy(&image[0], "RIFF", 4);
  PutLittleEndian(image, 4, dataLength + 36, 4);
  std::memcpy(&image[8], "WAVEfmt ", 8);
  PutLittleEndian(image, 16, 16, 4);        // format chunk length
  PutLittleEndian(image, 20, 1, 2);         // PCM
  PutLittleEndian(image, 22, 1, 2);         // mono
  PutLittleEndian(image, 24, ToneRate, 4);  // samples per second
  PutLittleEndian(image, 28, ToneRate, 4);  // bytes per second
  PutLittleEndian(image, 32, 1, 2);         // bytes per sample
  PutLittleEndian(image, 34, 8, 2);         // bits per sample
  std::memcpy(&image[36], "data", 4);
  PutLittleEndian(image, 40, dataLength, 4);
}

// ---- Waiting ----

void PumpWindowMessages(WindowHandle filter) {
  Message message;
  while (PeekMessage(message, filter, true)) {
    if (message.id == MsgQuit) orcrt_internal::EndProgramAbruptly();
    DispatchMessage(message);
  }
}

}  // namespace

// ---- Keyboard messages of the console window ----

namespace orcrt_internal {

void TranslateKeyDown(unsigned vk) {
  unsigned modifiers = CurrentModifiers();
  bool ctrl = modifiers & ModCtrl, alt = modifiers & ModAlt, shift = modifiers & ModShift;
  if (vk == VkCancel) EndProgramAbruptly();
  if (alt) {
    if (ctrl && vk == VkF12) return SetBrailleMode(0);
    if (ctrl && vk == VkF1 + 10) return SetBrailleMode(brailleMode + 1);
    if (IsLetterKey(vk) || IsDigitKey(vk)) return QueueExtended(AltCode(vk));
  }
  if (!ctrl && brailleMode != 0 && ChordBit(vk) != 0) {
    chord |= ChordBit(vk);
    held |= ChordBit(vk);
    return;
  }
  for (const ExtendedKey& key : ExtendedKeys) {
    if (key.virtualKey != vk) continue;
    if (vk == VkInsert && shift && !ctrl) return QueueExtended(ShiftInsertCode);
    return QueueExtended(ctrl ? key.withCtrl : key.plain);
  }
}

void EnterCharacter(unsigned character) {
  bool ctrl = CurrentModifiers() & ModCtrl;
  bool letter = (character >= 'A' && character <= 'Z') || (character >= 'a' && character <= 'z');
  if (brailleMode != 0 && (character == ' ' || letter)) return;
  if (FreePlaces() == 0) return;
  if (ctrl && character == 8) character = 127;
  else if (ctrl && character == 13) character = 10;
  keyQueue.push_back(static_cast<std::uint8_t>(character));
}

bool BrailleKeyUp(unsigned vk) {
  if ((CurrentModifiers() & ModCtrl) || !(vk == VkSpace || IsLetterKey(vk))) {
    SignsOff();
    return false;
  }
  held &= ~ChordBit(vk);
  if (held != 0) return true;
  int c = DecodeChord();
  if (c >= 0 && FreePlaces() > 0) keyQueue.push_back(static_cast<std::uint8_t>(c));
  chord = 0;
  return true;
}

void DiscardKeys() { keyQueue.clear(); }

}  // namespace orcrt_internal

// ---- Public operations ----

std::size_t ReadEchoLine(char* buffer, std::size_t size) {
  std::size_t count = 0;
  for (std::uint8_t key = ReadKeyCode(); key != 13; key = ReadKeyCode()) {
    if (key == 8 && count > 0) {
      --count;
      WriteBytes("\b", 1);
    } else if (key >= 32 && count + 2 < size) {
      buffer[count++] = static_cast<char>(key);
      WriteBytes(reinterpret_cast<const char*>(&key), 1);
    }
  }
  // CR LF end the line; a buffer too small for them gets what fits.
  for (char end : {'\r', '\n'})
    if (count < size) buffer[count++] = end;
  WriteBytes("\r\n", 2);
  return count;
}

bool KeyWaiting() {
  EnsureConsole();
  PumpMessages();
  return !keyQueue.empty();
}

std::uint8_t ReadKeyCode() {
  if (!KeyWaiting()) {
    orcrt_internal::BeginKeyWait();
    do WaitMessage();
    while (!KeyWaiting());
    orcrt_internal::EndKeyWait();
  }
  std::uint8_t key = keyQueue.front();
  keyQueue.pop_front();
  return key;
}

void PumpMessages() { PumpWindowMessages(NoWindow); }

void PauseMs(std::uint16_t milliseconds) {
  Sleep(milliseconds);
  PumpMessages();
  if (ConsoleWindow() != NoWindow) PumpWindowMessages(ConsoleWindow());
}

void CopyToClipboard(const std::string& text) { SetClipboardText(text.substr(0, text.find('\0'))); }

void PasteFromClipboard(char* buffer, std::size_t size) {
  if (size == 0) return;
  std::optional<std::string> text = GetClipboardText();
  if (!text) return;
  std::size_t n = std::min(size, text->size() + 1);
  std::memcpy(buffer, text->c_str(), n);
  buffer[n - 1] = '\0';
}

void SetBrailleMode(int mode) {
  if (mode < 0 || mode > 2) mode = 1;
  if (mode == 0) {
    chord = held = 0;
    SignsOff();
    if (brailleMode != 0) Tone(100);
  } else {
    Tone(800);
    Tone(mode == 1 ? 1600 : 400);
  }
  brailleMode = mode;
}

int BrailleMode() { return brailleMode; }

// Periods of p = 11025 / frequency samples, each laid from s_k = k * 11025 / frequency: h + 1
// samples of 96, then p - h + 1 of 160 from s_k + h (a period's last sample is the next one's
// first). The last sample of the data is the silent middle, 128.
std::vector<std::uint8_t> MakeToneBuffer(int frequency) {
  frequency = std::clamp(frequency, 1, ToneRate);
  const int p = ToneRate / frequency, h = p / 2;
  std::vector<std::uint8_t> image(WaveHeaderSize + 11027, 0);
  std::uint8_t* samples = image.data() + WaveHeaderSize;
  int start = 0;
  for (int k = 0;; ++k) {
    start = static_cast<int>(static_cast<long>(k) * ToneRate / frequency);
    if (static_cast<int>(WaveHeaderSize) + start > ToneRate - p) break;
    std::fill_n(samples + start, h + 1, 96);
    std::fill_n(samples + start + h, p - h + 1, 160);
  }
  const std::uint32_t length = static_cast<std::uint32_t>(start);
  if (length > 0) samples[length - 1] = 128;
  WriteToneHeader(image, length);
  image.resize(WaveHeaderSize + length);
  return image;
}

void PlayTone(int frequency) {
  StopTone();
  if (frequency < 1) return;
  PlayLoopingSound(MakeToneBuffer(frequency), std::min(frequency, ToneRate));
  tonePlaying = true;
}

void StopTone() {
  if (!tonePlaying) return;
  StopSounds();
  tonePlaying = false;
}

void GetDateParts(std::uint16_t& year, std::uint16_t& month, std::uint16_t& day,
                  std::uint16_t& weekday) {
  DateTime now = Now();
  year = static_cast<std::uint16_t>(now.year);
  month = static_cast<std::uint16_t>(now.month);
  day = static_cast<std::uint16_t>(now.day);
  weekday = static_cast<std::uint16_t>(now.weekday);
}

void GetTimeParts(std::uint16_t& hour, std::uint16_t& minute, std::uint16_t& second,
                  std::uint16_t& hundredths) {
  DateTime now = Now();
  hour = static_cast<std::uint16_t>(now.hour);
  minute = static_cast<std::uint16_t>(now.minute);
  second = static_cast<std::uint16_t>(now.second);
  hundredths = static_cast<std::uint16_t>(now.millisecond / 10);
}
