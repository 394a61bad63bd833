// Numbers in words, group by group of three digits, and the fragments that speak them.
#include "numbers/orlenum.h"

#include <algorithm>
#include <cstddef>

#include "diphone/orsintpar.h"
#include "platform/files.h"
#include "platform/trace.h"
#include "speech/ormensag.h"

namespace {

// Indexed by the digit. Texts in the Windows code page; "tres" is recorded without its accent.
const char* const kUnits[] = {"zero", "um",   "dois", "tres", "quatro",
                              "cinco", "seis", "sete", "oito", "nove"};
const char* const kTeens[] = {"dez",    "onze",      "doze",      "treze",   "quatorze",
                              "quinze", "dezesseis", "dezessete", "dezoito", "dezenove"};
const char* const kTens[] = {"",          "",         "vinte",   "trinta",  "quarenta",
                             "cinquenta", "sessenta", "setenta", "oitenta", "noventa"};
const char* const kHundreds[] = {"cem",          "cento",      "duzentos",   "trezentos",
                                 "quatrocentos", "quinhentos", "seiscentos", "setecentos",
                                 "oitocentos",   "novecentos"};

// Names of the groups of a 15-digit text from the left; the units group has none.
struct GroupName {
  const char* singular;
  const char* plural;
};
const GroupName kGroupNames[] = {
    {"trilh\xE3o ", "trilh\xF5" "es "},
    {"bilh\xE3o ", "bilh\xF5" "es "},
    {"milh\xE3o ", "milh\xF5" "es "},
    {"mil ", "mil "},
};

constexpr int kGroups = 5;
constexpr std::size_t kDigits = 3 * kGroups;
constexpr std::size_t kFragmentKeyCapacity = 8;  // characters, the "_" included

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool AllDigits(const std::string& text) { return std::all_of(text.begin(), text.end(), IsDigit); }

// Fragment files carry a plain 44-byte header; their samples are the rest of the file.
constexpr std::int64_t kFragmentHeaderBytes = 44;

// The samples joined so far, in bytes behind the header of the one wave that plays them.
struct JoinBuffer {
  WaveBuffer wave = WaveBuffer(WaveHeaderBytes + NumberJoinBytes);
  std::size_t filled = 0;
};

void PlayJoined(JoinBuffer& join) {
  if (join.filled == 0) return;
  MakeWaveHeader(join.wave, static_cast<std::uint32_t>(join.filled), BufferRate, 8, 1);
  PlayWaveBufferAndWait(join.wave);
  join.filled = 0;
}

// A fragment that does not fit behind what is joined starts a new piece; one longer than the
// whole buffer is played in pieces of the buffer's size.
void AppendFragment(JoinBuffer& join, platform::FileHandle file) {
  const std::int64_t size = platform::FileSize(file);
  if (size <= kFragmentHeaderBytes || !platform::SeekFile(file, kFragmentHeaderBytes)) return;
  std::size_t remaining = static_cast<std::size_t>(size - kFragmentHeaderBytes);
  if (join.filled + remaining > NumberJoinBytes) PlayJoined(join);
  while (remaining > 0) {
    if (join.filled == NumberJoinBytes) PlayJoined(join);
    const std::size_t room = std::min(remaining, NumberJoinBytes - join.filled);
    const std::int64_t got =
        platform::ReadFile(file, join.wave.data() + WaveHeaderBytes + join.filled, room);
    if (got <= 0) return;  // keep what was read
    join.filled += static_cast<std::size_t>(got);
    remaining -= static_cast<std::size_t>(got);
  }
}

}  // namespace

std::string ThreeDigitsToWords(char hundreds, char tens, char units) {
  if (!IsDigit(hundreds) || !IsDigit(tens) || !IsDigit(units)) return {};
  const int h = hundreds - '0', t = tens - '0', u = units - '0';
  if (h == 0 && t == 0 && u == 0) return {};
  if (h == 1 && t == 0 && u == 0) return kHundreds[0];
  std::string words;
  if (h != 0) {
    words += kHundreds[h];
    if (t == 0 && u == 0) return words;
    words += " e ";
  }
  if (t == 1) return words + kTeens[u];
  if (t != 0) {
    words += kTens[t];
    if (u == 0) return words;
    words += " e ";
  }
  if (u > 0) words += kUnits[u];
  return words;
}

std::string GroupToWords(const std::string& fifteenDigits, int group) {
  if (fifteenDigits.size() != kDigits || group < 0 || group >= kGroups) return {};
  const std::string three = fifteenDigits.substr(3 * group, 3);
  std::string words = ThreeDigitsToWords(three[0], three[1], three[2]);
  if (group < kGroups - 1 && three != "000") {
    const GroupName& name = kGroupNames[group];
    words += ' ';
    words += three == "001" ? name.singular : name.plural;
  }
  return words;
}

std::string DigitsToWords(const std::string& digits) {
  if (digits.empty() || digits.size() > kDigits || !AllDigits(digits)) return {};
  if (digits.find_first_not_of('0') == std::string::npos) return kUnits[0];
  const std::string padded = std::string(kDigits - digits.size(), '0') + digits;
  std::string groups[kGroups];
  int last = kGroups - 1;
  for (int i = 0; i < kGroups; ++i) groups[i] = GroupToWords(padded, i);
  while (last > 0 && groups[last].empty()) --last;
  std::string words;
  for (int i = 0; i < last; ++i) words += groups[i];
  // "e" joins only the last group that says something: dois milhões e quinhentos mil.
  if (!words.empty() && !groups[last].empty()) words += "e ";
  words += groups[last];
  // One thousand is "mil", but one million stays "um milhão".
  if (words.starts_with("um mil") && !words.starts_with("um milh")) words.erase(0, 3);
  return words;
}

std::string NumberToWords(std::int32_t value) {
  const std::int64_t magnitude = value < 0 ? -static_cast<std::int64_t>(value) : value;
  return DigitsToWords(std::to_string(magnitude));
}

std::string NumberFragmentKey(const std::string& word) {
  std::string plain = word;
  std::replace(plain.begin(), plain.end(), '\xE3', 'a');
  std::replace(plain.begin(), plain.end(), '\xF5', 'o');
  if (plain == "dezessete") plain = "dezeset";
  std::string key = "_" + plain;
  if (key.size() > kFragmentKeyCapacity) key.resize(kFragmentKeyCapacity);
  return key;
}

std::vector<std::string> NumberFragmentKeys(const std::string& words, bool feminine) {
  std::vector<std::string> keys;
  std::size_t start = words.find_first_not_of(' ');
  while (start != std::string::npos) {
    const std::size_t end = words.find(' ', start);
    keys.push_back(NumberFragmentKey(words.substr(start, end - start)));
    start = words.find_first_not_of(' ', end);
  }
  if (feminine && !keys.empty()) {
    if (keys.back() == "_um") keys.back() = "_uma";
    else if (keys.back() == "_dois") keys.back() = "_duas";
  }
  return keys;
}

void SpeakNumberWords(const std::string& words, bool feminine) {
  JoinBuffer join;
  for (const std::string& key : NumberFragmentKeys(words, feminine)) {
    const std::string name = SynthLettersDir + key + ".wav";
    const platform::FileHandle file = platform::OpenFile(name, platform::OpenMode::Read);
    platform::Trace("play-file " + platform::HostPath(name) + (file < 0 ? " missing" : ""));
    if (file < 0) continue;  // the rest of the number is still spoken
    AppendFragment(join, file);
    platform::CloseFile(file);
  }
  PlayJoined(join);
}
