#include "tts/uttsPreproc.h"

#include <array>
#include <fstream>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"

namespace tts {

namespace {

struct Abbreviation {
  std::string key;  // upper-cased, without the period
  std::string expansion;
};

std::vector<Abbreviation> abbreviations;

constexpr std::size_t ExpansionCapacity = 999;  // characters
constexpr int MaxDigits = 15;

// The tables below are written in UTF-8 for reading and converted once to the Windows code page.
using Words = std::vector<std::string>;

Words ToAnsi(std::initializer_list<const char*> utf8) {
  Words out;
  for (const char* w : utf8) out.push_back(platform::Utf8ToAnsi(w));
  return out;
}

struct NumberWords {
  Words units, teens, tens, hundreds;
  Words scaleSingular, scalePlural;
  Words ordinalUnits, ordinalTens, ordinalHundreds;
  std::string thousandth, hyphen, minus, comma, point;
};

const NumberWords& Numbers() {
  static const NumberWords words = {
      ToAnsi({"zero", "um", "dois", "três", "quatro", "cinco", "seis", "sete", "oito", "nove"}),
      ToAnsi({"dez", "onze", "doze", "treze", "quatorze", "quinze", "dezesseis", "dezessete",
              "dezoito", "dezenove"}),
      ToAnsi({"", "", "vinte", "trinta", "quarenta", "cinqüenta", "sessenta", "setenta", "oitenta",
              "noventa"}),
      ToAnsi({"", "cento", "duzentos", "trezentos", "quatrocentos", "quinhentos", "seiscentos",
              "setecentos", "oitocentos", "novecentos"}),
      ToAnsi({"trilhão ", "bilhão ", "milhão ", "mil "}),
      ToAnsi({"trilhões ", "bilhões ", "milhões ", "mil "}),
      ToAnsi({"", "primeiro", "segundo", "terceiro", "quarto", "quinto", "sexto", "sétimo",
              "oitavo", "nono"}),
      ToAnsi({"", "décimo", "vigésimo", "trigésimo", "quadragésimo", "quinquagésimo",
              "sexagésimo", "septuagésimo", "octagésimo", "nonagésimo"}),
      ToAnsi({"", "centésimo", "ducentésimo", "tricentésimo", "quadrigentésimo", "quingentésimo",
              "seiscentésimo", "septigentésimo", "octigentésimo", "nongentésimo"}),
      platform::Utf8ToAnsi("milésimo"),
      platform::Utf8ToAnsi("traço"),
      "menos ",
      platform::Utf8ToAnsi("vírgula "),
      "ponto ",
  };
  return words;
}

// Indexed by code: names for 32 to 126 and 161 to 220, empty elsewhere.
const std::array<std::string, 256>& SymbolNames() {
  static const std::array<std::string, 256> names = [] {
    std::array<std::string, 256> table;
    auto fill = [&table](int first, std::initializer_list<const char*> utf8) {
      for (const char* name : utf8) table[first++] = platform::Utf8ToAnsi(name);
    };
    fill(32, {"espaço", "exclamação", "aspas", "sustenido", "cifrão", "porcento", "é comercial",
              "apóstrofo", "abre parênteses", "fecha parênteses", "asterisco", "mais", "vírgula",
              "traço", "ponto", "barra",
              "zéro", "um", "dois", "três", "quatro", "cinco", "seis", "séte", "oito", "nóve",
              "dois pontos", "ponto e vírgula", "menor que", "igual", "maior que", "interrogação",
              "arrôba",
              "a", "bê", " sê", " dê", "é", "éfe", "jê", "agá", "i", "jóta", "cá", "éle", "ême",
              "êne", "ó", "pê", "quê", "érre", "ésse", "tê", "u", "vê", "dábliu", "xis", "ípsilon",
              "zê",
              "abre colchete", "barra invertida", "fecha colchete", "circunflexo", "sublinhado",
              "crase",
              "a", "bê", " sê", " dê", "é", "éfe", "jê", "agá", "i", "jota", "cá", "éle", "ême",
              "ene", "ó", "pê", "quê", "érre", "ésse", "tê", "u", "vê", "dábliu", "xis", "ípsilon",
              "zê",
              "abre chave", "barra vertical", "fecha chave", "til"});
    fill(161, {"exclamação reversa", "centavos de dólar", "libras", "símbolo de moeda", "iene",
               "barra interrompida", "parágrafo", "trema", "copyright", "ordinal feminino",
               "Aspas esquerdas", "negação", "hífen", "Marca registrada", "mácron", "grau",
               "mais ou menos", "elevado ao quadrado", "elevado ao cubo", "acento agudo", "mi",
               "pi", "ponto no meio", "cedilha", "expoente um", "ordinal masculino",
               "aspas direitas", "um quarto", "um meio", "três quartos", "interrogação reversa"});
    fill(192, {"A grave", "A agudo", "A circunflexo", "A com til", "A com trema", "A bola", "A É",
               "Cê cedilha", "É grave", "É agudo", "É circunflexo", "É com trema", "I grave",
               "I agudo", "I circunflexo", "I com trema", "Dê cortado", "N com til", "Ó grave",
               "Ó agudo", "Ó circunflexo", "Ó com til", "Ó tremado", "vezes", "Ó cortado",
               "U grave", "U agudo", "U circunflexo", "U com trema"});
    return table;
  }();
  return names;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsConsonant(unsigned char c) {
  if (!IsTextLetter(c)) return false;
  switch (platform::AnsiBaseLetter(static_cast<char>(c))) {
    case 'A': case 'E': case 'I': case 'O': case 'U':
    case 'a': case 'e': case 'i': case 'o': case 'u':
      return false;
    default:
      return true;
  }
}

bool IsPassThrough(char c) {
  switch (c) {
    case ' ': case '!': case '(': case ')': case ',': case '.': case ':': case ';': case '?':
      return true;
    default:
      return false;
  }
}

bool IsBlankOrControl(unsigned char c) { return c <= ' '; }

std::string Trim(const std::string& s) {
  std::size_t first = 0, last = s.size();
  while (first < last && IsBlankOrControl(s[first])) ++first;
  while (last > first && IsBlankOrControl(s[last - 1])) --last;
  return s.substr(first, last - first);
}

// Words of one group of three digits, "000" to "999".
std::string GroupWords(int group) {
  const NumberWords& w = Numbers();
  if (group == 100) return "cem";
  const int h = group / 100, t = group / 10 % 10, u = group % 10;
  std::string out;
  if (h != 0) {
    out += w.hundreds[h];
    if (group % 100 == 0) return out;
    out += " e ";
  }
  if (t == 1) return out + w.teens[u];
  if (t >= 2) {
    out += w.tens[t];
    if (u == 0) return out;
    out += " e ";
  }
  if (u != 0) out += w.units[u];
  return out;
}

std::string ReadDigitsAndHyphens(const std::string& text, std::size_t& pos) {
  const NumberWords& w = Numbers();
  std::string out;
  for (; pos < text.size() && (IsDigit(text[pos]) || text[pos] == '-'); ++pos)
    out += " " + (text[pos] == '-' ? w.hyphen : w.units[text[pos] - '0']);
  return out;
}

// A "." inside a number separates thousands when exactly three digits follow it.
bool IsThousandsPoint(const std::string& text, std::size_t pos) {
  if (text[pos] != '.' || pos + 3 >= text.size()) return false;
  for (std::size_t i = pos + 1; i <= pos + 3; ++i)
    if (!IsDigit(text[i])) return false;
  return pos + 4 == text.size() || !IsDigit(text[pos + 4]);
}

bool StartsAt(const std::string& text, std::size_t pos, const char* what) {
  return text.compare(pos, std::char_traits<char>::length(what), what) == 0;
}

// Reads a number from text at pos (a digit) and moves pos past what it used.
std::string ReadNumber(const std::string& text, std::size_t& pos) {
  std::size_t end = pos;
  while (end < text.size() && (IsDigit(text[end]) || text[end] == '-')) ++end;
  if (text.find('-', pos) < end) return ReadDigitsAndHyphens(text, pos);

  std::string zeros;  // leading zeros are spoken one by one
  while (text[pos] == '0' && pos + 1 < text.size() && IsDigit(text[pos + 1])) {
    zeros += "zero ";
    ++pos;
  }
  std::uint64_t value = 0;
  int digits = 0;
  while (pos < text.size() && digits < MaxDigits) {
    if (IsDigit(text[pos])) {
      value = value * 10 + static_cast<std::uint64_t>(text[pos] - '0');
      ++digits;
      ++pos;
    } else if (IsThousandsPoint(text, pos)) {
      ++pos;
    } else {
      break;
    }
  }

  const unsigned char next = pos < text.size() ? static_cast<unsigned char>(text[pos]) : ' ';
  if (next == 186) return ++pos, OrdinalWords(value, Gender::Masculine);  // º
  if (next == 170) return ++pos, OrdinalWords(value, Gender::Feminine);   // ª
  if (StartsAt(text, pos, "o.") || StartsAt(text, pos, "a.")) {
    const Gender g = text[pos] == 'o' ? Gender::Masculine : Gender::Feminine;
    pos += 2;
    return OrdinalWords(value, g);
  }
  if (StartsAt(text, pos, "os.") || StartsAt(text, pos, "as.")) {
    const Gender g = text[pos] == 'o' ? Gender::Masculine : Gender::Feminine;
    pos += 3;
    return OrdinalWords(value, g) + "s";
  }
  return zeros + CardinalWords(value);
}

// A run of letters (with the hyphens that follow letters) starting at pos; pos moves past it.
std::string LetterRunWord(const std::string& text, std::size_t& pos) {
  const std::size_t start = pos;
  bool consonantsOnly = true;
  while (pos < text.size() && IsTextLetter(text[pos])) {
    consonantsOnly = consonantsOnly && IsConsonant(text[pos]);
    ++pos;
    if (pos < text.size() && text[pos] == '-') ++pos;
  }
  const std::string run = text.substr(start, pos - start);
  const bool abbreviated =
      pos < text.size() && text[pos] == '.' && !LookupAbbreviation(run).empty();
  if (!consonantsOnly || abbreviated) return run;
  std::string spelled;
  for (unsigned char c : run) spelled += SymbolName(c);
  return spelled;
}

}  // namespace

bool IsTextLetter(unsigned char c) {
  // À Á Â Ã Ç É Ê Ì Í Ñ Ó Ô Õ Ù Ú Ü, then their small forms
  static const std::string accented = platform::Utf8ToAnsi("ÀÁÂÃÇÉÊÌÍÑÓÔÕÙÚÜàáâãçéêìíñóôõùúü");
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  return c >= 128 && accented.find(static_cast<char>(c)) != std::string::npos;
}

bool LoadAbbreviations(const std::string& path) {
  std::ifstream in(platform::HostPath(path), std::ios::binary);
  if (!in) return false;
  abbreviations.clear();
  std::string line;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';') continue;
    if (abbreviations.size() >= AbbreviationCapacity) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      abbreviations.push_back({"", line.substr(0, ExpansionCapacity)});
    } else {
      abbreviations.push_back({platform::AnsiUpperCase(Trim(line.substr(0, eq))),
                               Trim(line.substr(eq + 1, ExpansionCapacity))});
    }
  }
  return in.eof();
}

std::string LookupAbbreviation(const std::string& word) {
  const std::string key = platform::AnsiUpperCase(word);
  for (const Abbreviation& a : abbreviations)
    if (!a.key.empty() && a.key == key) return a.expansion;
  return "";
}

int AbbreviationCount() { return static_cast<int>(abbreviations.size()); }

std::string SymbolName(unsigned char code) {
  if (code >= 224) code = static_cast<unsigned char>(code - 32);
  return SymbolNames()[code];
}

std::string CardinalWords(std::uint64_t value) {
  if (value == 0) return "zero";
  const NumberWords& w = Numbers();
  std::array<int, 5> groups{};
  for (int i = 4; i >= 0; --i, value /= 1000) groups[i] = static_cast<int>(value % 1000);
  int last = 4;
  while (groups[last] == 0) --last;
  std::string out;
  bool earlier = false;
  for (int i = 0; i <= 4; ++i) {
    if (groups[i] == 0) continue;
    if (i == last && earlier) out += "e ";
    out += GroupWords(groups[i]);
    if (i < 4) out += " " + (groups[i] == 1 ? w.scaleSingular[i] : w.scalePlural[i]);
    earlier = true;
  }
  if (out.rfind("um mil", 0) == 0 && out.rfind("um milh", 0) != 0) out.erase(0, 3);
  return out;
}

std::string OrdinalWords(std::uint64_t value, Gender gender) {
  if (value >= 2000) return CardinalWords(value);
  if (value == 0) return "zero";
  const NumberWords& w = Numbers();
  const int digits[4] = {static_cast<int>(value % 10), static_cast<int>(value / 10 % 10),
                         static_cast<int>(value / 100 % 10), static_cast<int>(value / 1000)};
  const Words* tables[3] = {&w.ordinalUnits, &w.ordinalTens, &w.ordinalHundreds};
  std::string out;
  for (int i = 0; i < 4; ++i) {
    if (digits[i] == 0) continue;
    std::string word = i < 3 ? (*tables[i])[digits[i]] : w.thousandth;
    if (gender == Gender::Feminine) word.back() = 'a';
    out = word + " " + out;
  }
  return Trim(out);
}

std::string NormaliseText(const std::string& input) {
  const std::string text =
      input.size() == 1 ? SymbolName(static_cast<unsigned char>(input[0])) : input;
  const NumberWords& w = Numbers();
  std::string out;
  std::size_t pos = 0;  // 0-based here
  while (pos < text.size()) {
    const char c = text[pos];
    const bool last = pos + 1 == text.size();
    if (text.compare(pos == 0 ? 0 : pos - 1, 3, " - ") == 0) {
      out += ',';
      ++pos;
    } else if (c == '-' && !last && IsDigit(text[pos + 1])) {
      out += w.minus;
      ++pos;
    } else if (IsDigit(c)) {
      out += ReadNumber(text, pos) + " ";
      while (pos + 1 < text.size() && (text[pos] == ',' || text[pos] == '.') &&
             IsDigit(text[pos + 1])) {
        out += text[pos] == ',' ? w.comma : w.point;
        ++pos;
        out += ReadNumber(text, pos) + " ";
      }
    } else if (IsTextLetter(c)) {
      const std::string word = LetterRunWord(text, pos);
      const std::string expansion =
          StartsAt(text, pos, ". ") ? LookupAbbreviation(word) : std::string();
      if (expansion.empty()) {
        out += word;
      } else {
        out += expansion;
        ++pos;
      }
    } else if (StartsAt(text, pos, "...")) {
      out += "... ";
      pos += 3;
    } else if (c == '.' && !last && text[pos + 1] != ' ') {
      out += " " + SymbolName('.') + " ";
      ++pos;
    } else if (IsPassThrough(c)) {
      out += c;
      ++pos;
    } else if (c == '\t' || c == '\n' || c == '\r') {
      ++pos;
    } else {
      out += " " + SymbolName(static_cast<unsigned char>(c)) + " ";
      ++pos;
    }
  }
  return out;
}

}  // namespace tts
