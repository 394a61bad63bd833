#include "tts/uttsProsodia.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <limits>

#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "tts/uttsPreproc.h"

namespace tts {

namespace {

struct PhonemeDuration {
  std::string name;  // at most 2 characters
  int ms;
};

struct TChave {
  std::string word;   // upper-cased
  std::string klass;  // two characters, upper-cased
};

struct TProsodia {
  std::array<std::string, 3> patterns;  // previous, current, next; "" matches any class
  std::string value;                     // three digits, the first may be "?"
};

constexpr std::size_t NameCapacity = 2;
constexpr std::size_t PatternLength = 3;
constexpr int Absent = 100;  // ms, for phonemes and pauses without a duration
constexpr int StressLengthening = 145;  // per cent

std::vector<PhonemeDuration> durations;
std::vector<TChave> keys;  // sorted by word
std::vector<TProsodia> patterns;
int hertz = DefaultHertz;
std::array<int, 10> tabHertz{};  // per cent of hertz, by intonation digit
std::vector<std::string> diphones;  // "A-B", upper-cased, sorted

bool IsBlankOrControl(unsigned char c) { return c <= ' '; }

std::string Trim(const std::string& s) {
  std::size_t first = 0, last = s.size();
  while (first < last && IsBlankOrControl(s[first])) ++first;
  while (last > first && IsBlankOrControl(s[last - 1])) --last;
  return s.substr(first, last - first);
}

std::string AsciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

// A whole trimmed text that is a decimal integer.
bool ParseInt(const std::string& text, int& value) {
  const std::string t = Trim(text);
  const char* end = t.data() + t.size();
  const auto [ptr, ec] = std::from_chars(t.data(), end, value);
  return ec == std::errc() && ptr == end && !t.empty();
}

bool Fail(const char* utf8Message, const std::string& line = "") {
  platform::ShowMessageBox(platform::Utf8ToAnsi(utf8Message) + line,
                           platform::Utf8ToAnsi("Prosódia"));
  return false;
}

std::vector<std::string> ReadLines(std::ifstream& in) {
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The lines of a section that matter, or false when no line names the section.
bool Section(const std::vector<std::string>& lines, const char* utf8Name,
             std::vector<std::string>& body) {
  const std::string name = platform::Utf8ToAnsi(utf8Name);
  auto it = std::find_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return Trim(l) == name; });
  if (it == lines.end()) return false;
  body.clear();
  for (++it; it != lines.end() && (it->empty() || (*it)[0] != '['); ++it)
    if (!it->empty() && (*it)[0] != '*' && (*it)[0] != ';') body.push_back(*it);
  return true;
}

bool ReadDurations(const std::vector<std::string>& body) {
  for (const std::string& line : body) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return Fail("Configuração da prosódia: fonema errado: ", line);
    int ms = Absent;
    if (!ParseInt(line.substr(eq + 1), ms)) {
      Fail("Configuração da prosódia: fonema errado: ", line);
      ms = Absent;
    }
    if (durations.size() < DurationCapacity)
      durations.push_back({Trim(line.substr(0, eq)).substr(0, NameCapacity), ms});
  }
  return true;
}

bool ReadKeys(const std::vector<std::string>& body) {
  for (const std::string& line : body) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return Fail("Configuração da prosódia: chave errada: ", line);
    const std::string klass = platform::AnsiUpperCase(Trim(line.substr(eq + 1))).substr(0, 2);
    // Token entries keep the class in two fixed characters: a shorter one cannot be used.
    if (klass.size() != 2) {
      Fail("Configuração da prosódia: chave errada: ", line);
      continue;
    }
    if (keys.size() < KeyCapacity)
      keys.push_back({platform::AnsiUpperCase(Trim(line.substr(0, eq))), klass});
  }
  std::sort(keys.begin(), keys.end(),
            [](const TChave& a, const TChave& b) { return a.word < b.word; });
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsValue(const std::string& v) {
  return v.size() == 3 && (IsDigit(v[0]) || v[0] == '?') && IsDigit(v[1]) && IsDigit(v[2]);
}

void ReadTabHertz(const std::string& line, const std::string& list) {
  std::array<int, 10> table{};
  std::size_t pos = 0;
  for (int digit = 0; digit < 10; ++digit) {
    const std::size_t comma = std::min(list.find(',', pos), list.size());
    const bool lastOne = digit == 9;
    if ((comma == list.size()) != lastOne || !ParseInt(list.substr(pos, comma - pos), table[digit]) ||
        table[digit] < 0) {
      Fail("Configuração da prosódia: número errado: ", line);
      return;
    }
    pos = comma + 1;
  }
  tabHertz = table;
}

bool ReadPatterns(const std::vector<std::string>& body) {
  for (const std::string& original : body) {
    const std::string line = platform::AnsiUpperCase(original);
    if (line.rfind("HERTZ=", 0) == 0) {
      int value = 0;
      if (ParseInt(line.substr(6), value) && value > 0) hertz = value;
      else Fail("Configuração da prosódia: número errado: ", line);
      continue;
    }
    if (line.rfind("TABHERTZ=", 0) == 0) {
      ReadTabHertz(line, line.substr(9));
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return Fail("Configuração da prosódia: chave errada: ", line);
    TProsodia record;
    record.value = Trim(line.substr(eq + 1));
    // Only digits index the pitch table: any other value is refused here.
    if (!IsValue(record.value)) {
      Fail("Configuração da prosódia: entonação errada: ", line);
      continue;
    }
    const std::string classes = Trim(line.substr(0, eq));
    std::size_t pos = 0;
    for (std::string& pattern : record.patterns) {
      if (pos > classes.size()) break;
      const std::size_t bar = std::min(classes.find('|', pos), classes.size());
      pattern = classes.substr(pos, std::min(bar - pos, PatternLength));
      pos = bar + 1;
    }
    if (patterns.size() < PatternCapacity) patterns.push_back(record);
  }
  return true;
}

int DurationOf(const std::string& name) {
  for (const PhonemeDuration& d : durations)
    if (d.name == name) return d.ms;
  return Absent;
}

// trunc(product) div 100, kept within what an int holds.
int Percent(double product) {
  const double limit = std::numeric_limits<int>::max();
  if (!(product > 0)) return 0;  // also NaN
  return static_cast<int>(std::min(product, limit)) / 100;
}

std::string DiphoneName(const std::string& first, const std::string& second) {
  return AsciiUpper(first + "-" + second);
}

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '@' || c == '_' || c == '2';
}

// State of one walk over a phoneme list.
struct Walk {
  double pitchFactor = 1.0, durationFactor = 1.0;
  std::string value = "555";
  int stress = 0;  // 0 new word, 1 first point made, 2 at the stressed phoneme, 3 its point made
  int lengthFactor = 100;  // per cent
  std::size_t tokenLength = 0;  // characters
  std::string previous = "_", current;
  std::vector<std::string> lines;
};

// " POSITION PITCH" for the intonation digit, or "" when the table has no pitch for it.
std::string PitchPoint(const Walk& w, char digit, int position) {
  if (!IsDigit(digit) || tabHertz[digit - '0'] == 0) return "";
  const int pitch = Percent(tabHertz[digit - '0'] * w.pitchFactor * hertz);
  return " " + std::to_string(position) + " " + std::to_string(pitch);
}

// The MBROLA line of one phoneme item; "" when it holds only markers.
std::string PhonemeLine(Walk& w, std::string item, bool wordEnd) {
  static const std::string dieresis = platform::Utf8ToAnsi("¨");
  auto dropMarker = [&item](const std::string& marker) {
    if (item.compare(0, marker.size(), marker) != 0) return false;
    item.erase(0, marker.size());
    return true;
  };
  if (dropMarker(">")) {
    w.lengthFactor = StressLengthening;
    w.stress = 2;
    dropMarker(dieresis);
  } else if (dropMarker(dieresis)) {
    w.lengthFactor = 100;
  }
  if (item.empty()) return "";

  int ms;
  if (item[0] == '_') {
    if (item == "_") item = "_ 100";
    if (item.size() > 1 && item[1] == ' ') {
      if (!ParseInt(item.substr(2), ms)) ms = Absent;
    } else {
      ms = DurationOf(item);
    }
    item = "_";
  } else {
    ms = DurationOf(item);
    // Long words are spoken faster before their stressed syllable.
    if (w.stress < 2 && w.tokenLength >= 13) ms = ms * 80 / 100;
    else if (w.stress < 2 && w.tokenLength >= 9) ms = ms * 90 / 100;
  }
  w.current = item;
  std::string line = item + " " + std::to_string(Percent(double(ms) * w.lengthFactor * w.durationFactor));
  if (w.stress == 0) {
    line += PitchPoint(w, w.value[0], 50);
    w.stress = 1;
  } else if (w.stress == 2) {
    line += PitchPoint(w, w.value[1], 80);
    w.stress = 3;
  } else if (w.stress == 3 && wordEnd) {
    line += PitchPoint(w, w.value[2], 50);
  }
  return line;
}

// A short glide or pause where the voice has no diphone from the previous phoneme.
void Bridge(Walk& w, const std::string& item) {
  if (w.current.empty()) return;
  if (!HasDiphone(w.previous, w.current)) {
    if (w.previous == "r2" && HasDiphone("r2", "_")) w.lines.push_back("_ 50");
    else if (HasDiphone(w.previous, "y")) w.lines.push_back("y 50");
    else w.lines.push_back("_ 50");
  }
  if (!item.empty()) w.previous = w.current;
}

}  // namespace

bool LoadProsody(const std::string& path) {
  durations.clear();
  keys.clear();
  patterns.clear();
  hertz = DefaultHertz;
  std::ifstream in(platform::HostPath(path), std::ios::binary);
  if (!in) return Fail("Configuração da prosódia não foi achada");
  const std::vector<std::string> lines = ReadLines(in);
  std::vector<std::string> body;
  if (!Section(lines, "[DURAÇÃO]", body)) return Fail("Duração dos difones errada ou ausente");
  if (!ReadDurations(body)) return false;
  if (!Section(lines, "[CHAVES]", body)) return Fail("Prosódia: palavras chaves ausentes");
  if (!ReadKeys(body)) return false;
  if (!Section(lines, "[PROSÓDIA]", body)) return Fail("Prosódia: especificações ausentes");
  return ReadPatterns(body);
}

bool LoadDiphones(const std::string& path) {
  diphones.clear();
  std::ifstream in(platform::HostPath(path), std::ios::binary);
  if (!in) return false;
  for (std::string line : ReadLines(in)) {
    line = Trim(line);
    if (line.empty() || line[0] == '!' || line[0] == '*' || line[0] == ';') continue;
    std::size_t pos = 0;
    while (pos < line.size() && IsNameChar(line[pos])) ++pos;
    const std::string first = line.substr(0, pos);
    ++pos;  // the separator
    while (pos < line.size() && !IsNameChar(line[pos])) ++pos;
    std::size_t end = pos;
    while (end < line.size() && IsNameChar(line[end])) ++end;
    diphones.push_back(DiphoneName(first, pos < line.size() ? line.substr(pos, end - pos) : ""));
  }
  std::sort(diphones.begin(), diphones.end());
  return !in.bad();
}

void FreeDiphones() { diphones.clear(); }

bool HasDiphone(const std::string& first, const std::string& second) {
  return std::binary_search(diphones.begin(), diphones.end(), DiphoneName(first, second));
}

std::string LookupKey(const std::string& word) {
  const std::string w = platform::AnsiUpperCase(word);
  const auto it = std::lower_bound(keys.begin(), keys.end(), w,
                                   [](const TChave& k, const std::string& s) { return k.word < s; });
  return it != keys.end() && it->word == w ? it->klass : "";
}

TokenEntries Tokenise(const std::string& text) {
  TokenEntries entries = {"[--]"};
  std::size_t pos = 0;
  while (true) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (pos == text.size()) break;
    std::string key, token;
    if (text[pos] == '.' && pos + 1 < text.size() && text[pos + 1] == '.') {
      key = ".-";
      token = ".";
      while (pos < text.size() && text[pos] == '.') ++pos;
    } else if (!IsTextLetter(text[pos])) {
      token = text.substr(pos++, 1);
      key = token + token;
    } else {
      const std::size_t start = pos;
      while (pos < text.size() && IsTextLetter(text[pos])) ++pos;
      token = text.substr(start, pos - start);
      key = LookupKey(token);
      if (key.empty()) key = "XX";
    }
    entries.push_back("[" + key + "]" + token);
    if (token[0] == '!' || token[0] == '.' || token[0] == '?') entries.push_back("[--]");
  }
  return entries;
}

TokenEntries AssignPatterns(const TokenEntries& entries) {
  auto classOf = [&entries](std::size_t i) {
    return i < entries.size() ? entries[i].substr(1, 2) : std::string();
  };
  TokenEntries out;
  char previousLast = '5';
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::array<std::string, 3> around = {i > 0 ? classOf(i - 1) : "", classOf(i),
                                               classOf(i + 1)};
    std::string value = "555";
    for (const TProsodia& p : patterns) {
      bool match = true;
      for (int k = 0; k < 3; ++k) match = match && (p.patterns[k].empty() || p.patterns[k] == around[k]);
      if (match) {
        value = p.value;
        break;
      }
    }
    if (value[0] == '?') value[0] = previousLast;
    previousLast = value[2];
    out.push_back(value + "|" + (entries[i].size() > 4 ? entries[i].substr(4) : ""));
  }
  return out;
}

std::vector<std::string> ComputeProsody(const PhonemeList& list, double pitchFactor,
                                        double durationFactor) {
  Walk w;
  w.pitchFactor = pitchFactor;
  w.durationFactor = durationFactor;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string& item = list[i];
    const bool wordEnd = i + 1 == list.size() || list[i + 1].empty();
    std::string line;
    if (item.empty()) {
      w.lengthFactor = 100;
      w.current.clear();
    } else if (IsHeader(item)) {
      w.value = item.substr(1, 3);
      line = ";" + item.substr(5);
      w.tokenLength = item.size() - 5;
      w.stress = 0;
    } else {
      line = PhonemeLine(w, item, wordEnd);
      if (line.empty()) continue;  // markers only: nothing to say
    }
    Bridge(w, line);
    w.lines.push_back(line);
  }
  return w.lines;
}

}  // namespace tts
