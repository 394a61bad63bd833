// The speaking line editor. The text is kept padded with blanks to the field's maximum length
// while editing; positions are 1-based, and the cursor may stand just after the last one.
#include "speech/oredit.h"

#include <algorithm>
#include <vector>

#include "console/OrCrt.h"
#include "numbers/orHora.h"
#include "platform/messages.h"
#include "speech/orfala.h"
#include "speech/ormensag.h"
#include "speech/ortexto.h"

bool TypingEcho = true;

namespace {

constexpr int MaxFieldLength = 2048;
constexpr std::uint8_t CopyCode = 255, PasteCode = 254;
constexpr int SelectionBackground = 8;

struct Field {
  std::string text;  // padded to maxLength
  std::string original;
  int column = 1, row = 1, maxLength = 0, width = 0;
  bool editable = true;
  int cursor = 1, view = 1;
  int anchor = 0, end = 0;  // 0: not set
  bool firstKey = true;
  bool shift = false, alt = false;
  bool done = false;
  std::uint8_t result = 0;
};

bool IsBlank(char c) { return c == ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordByte(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 128;
}
bool IsExtensionKey(std::uint8_t code) { return code >= 16 && code <= 18; }

char At(const Field& f, int position) { return f.text[position - 1]; }

std::string Trimmed(const std::string& text) {
  std::size_t last = text.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

void Pad(Field& f) {
  f.text.resize(f.maxLength, ' ');
}

bool HasSelection(const Field& f) { return f.anchor != 0 && f.end != 0; }
int SelectionStart(const Field& f) { return std::min(f.anchor, f.end); }
int SelectionStop(const Field& f) { return std::max(f.anchor, f.end); }  // one past the last
void ClearSelection(Field& f) { f.anchor = f.end = 0; }

int EndPosition(const Field& f) { return static_cast<int>(Trimmed(f.text).size()) + 1; }

void Draw(Field& f) {
  if (f.cursor < f.view) f.view = f.cursor;
  if (f.cursor > f.view + f.width) f.view = f.cursor - f.width;
  MoveCursor(f.column, f.row);
  for (int i = 0; i < f.width && f.view + i <= f.maxLength; ++i) {
    int position = f.view + i;
    bool selected = HasSelection(f) && position >= SelectionStart(f) && position < SelectionStop(f);
    std::uint8_t saved = TextAttribute();
    if (selected) SetBackground(SelectionBackground);
    WriteBytes(&f.text[position - 1], 1);
    TextAttribute() = saved;
  }
  ClearToLineEnd();
  MoveCursor(f.column + f.cursor - f.view, f.row);
}

void Beep() { PlayBeep(); }

void TickTwice() {
  PlayTick();
  PlayTick();
}

// Removes the character at the cursor; the text keeps its length.
void DeleteAtCursor(Field& f, bool announce) {
  if (f.cursor > f.maxLength) return Beep();
  char removed = At(f, f.cursor);
  f.text.erase(f.cursor - 1, 1);
  f.text.push_back(' ');
  Draw(f);
  if (announce) SpeakMessage("_DEL");
  SpeakCharSound(static_cast<std::uint8_t>(removed));
}

void Insert(Field& f, char c) {
  if (f.cursor > f.maxLength) return Beep();
  f.text.insert(f.text.begin() + (f.cursor - 1), c);
  f.text.pop_back();
  if (TypingEcho) SpeakCharSound(static_cast<std::uint8_t>(c));
  ++f.cursor;
}

void NextWord(Field& f) {
  int p = f.cursor;
  if (p <= f.maxLength && !IsBlank(At(f, p))) {
    if (IsDigit(At(f, p))) {
      while (p <= f.maxLength && IsDigit(At(f, p))) ++p;
    } else {
      ++p;
      while (p <= f.maxLength && IsWordByte(At(f, p))) ++p;
    }
  }
  while (p <= f.maxLength && IsBlank(At(f, p))) ++p;
  if (p > f.maxLength) {
    f.cursor = EndPosition(f);
    return Beep();
  }
  f.cursor = p;
  PlayTick();
}

void PreviousWord(Field& f) {
  int p = f.cursor - 1;
  while (p >= 1 && IsBlank(At(f, p))) --p;
  if (p < 1) {
    f.cursor = 1;
    return Beep();
  }
  if (IsDigit(At(f, p))) {
    while (p > 1 && IsDigit(At(f, p - 1))) --p;
  } else if (IsWordByte(At(f, p))) {
    while (p > 1 && IsWordByte(At(f, p - 1))) --p;
  }
  f.cursor = p;
  PlayTick();
}

void DeleteWord(Field& f) {
  if (f.cursor > 1 && !IsBlank(At(f, f.cursor - 1))) PreviousWord(f);
  int first = f.cursor;
  NextWord(f);
  int stop = f.cursor;
  f.cursor = first;
  for (int i = first; i < stop; ++i) DeleteAtCursor(f, i == first);
}

bool IsConsonant(char c) {
  return std::string("BCDFGHJKLMNPQRSTVXZ").find(c) != std::string::npos;
}

void ReadNextWord(Field& f) {
  int p = f.cursor;
  while (p <= f.maxLength && IsBlank(At(f, p))) ++p;
  if (p > f.maxLength) return Beep();
  int start = p;
  char c = At(f, p);
  if (IsDigit(c) || c == '-') {
    ++p;
    while (p <= f.maxLength && IsDigit(At(f, p))) ++p;
    SpeakText(f.text.substr(start - 1, p - start));
  } else if (IsWordByte(c)) {
    while (p <= f.maxLength && IsWordByte(At(f, p))) ++p;
    std::string word = f.text.substr(start - 1, p - start);
    std::string upper = UpperText(word);
    if (std::all_of(upper.begin(), upper.end(), IsConsonant)) SpellText(word);
    else SpeakText(word);
  } else {
    ++p;
    SpellText(std::string(1, c));
  }
  f.cursor = p;
}

void OpenWordAtCursor(Field& f) {
  int p = f.cursor;
  if ((p > f.maxLength || IsBlank(At(f, p))) && p > 1 && !IsBlank(At(f, p - 1))) --p;
  if (p > f.maxLength || IsBlank(At(f, p))) return Beep();
  int start = p, stop = p;
  while (start > 1 && !IsBlank(At(f, start - 1))) --start;
  while (stop <= f.maxLength && !IsBlank(At(f, stop))) ++stop;
  std::string word = f.text.substr(start - 1, stop - start);
  const std::string strip = "\"(*-.<=>[_{";
  std::size_t first = word.find_first_not_of(strip);
  if (first == std::string::npos) return Beep();
  OpenDocument(word.substr(first, word.find_last_not_of(strip) - first + 1));
}

void Copy(const Field& f) {
  if (HasSelection(f))
    CopyToClipboard(f.text.substr(SelectionStart(f) - 1, SelectionStop(f) - SelectionStart(f)));
  else
    CopyToClipboard(Trimmed(f.text) + "\r\n");
}

void Paste(Field& f) {
  std::vector<char> buffer(f.maxLength + 1, '\0');
  PasteFromClipboard(buffer.data(), buffer.size());
  std::string pasted(buffer.data());
  pasted = pasted.substr(0, pasted.find_first_of("\r\n"));
  if (f.firstKey) {
    TickTwice();
    f.text.assign(f.maxLength, ' ');
  }
  int from = HasSelection(f) ? SelectionStart(f) : f.cursor;
  int to = HasSelection(f) ? SelectionStop(f) : f.cursor;
  from = std::min(from, f.maxLength + 1);
  to = std::min(to, f.maxLength + 1);
  f.text = f.text.substr(0, from - 1) + pasted + f.text.substr(to - 1);
  f.text.resize(f.maxLength, ' ');
  f.cursor = from;
  f.anchor = from;
  f.end = std::min(from + static_cast<int>(pasted.size()), f.maxLength + 1);
  if (f.shift) f.end = f.anchor;
}

void SpeakCharacterRight(Field& f) {
  if (f.cursor > f.maxLength) return Beep();
  unsigned char c = static_cast<unsigned char>(At(f, f.cursor));
  bool asciiLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  if (f.alt && asciiLetter) SpeakMessage("_FON" + std::to_string(c));
  else SpeakCharSound(c);
  ++f.cursor;
}

void DeleteSelectionOrCharacter(Field& f) {
  if (!f.editable) return;
  if (!HasSelection(f)) return DeleteAtCursor(f, true);
  f.cursor = SelectionStart(f);
  int count = SelectionStop(f) - SelectionStart(f);
  SpeakMessage("_DEL");
  for (int i = 0; i < count; ++i) DeleteAtCursor(f, false);
  f.anchor = f.end = f.cursor;
}

void ChangeSpeed() {
  SpeakMessage("_VELOC");
  std::uint8_t key = 0;
  do key = ReadKeyEchoed();
  while (KeyWaiting());
  if (key == 27 || key == 13) return;
  EndSpeech();
  StartSpeech(key - 48, MessageDir);
}

void Finish(Field& f, std::uint8_t result) {
  f.done = true;
  f.result = result;
}

void ExtendedKey(Field& f, std::uint8_t code) {
  switch (code) {
    case 59:
      if (f.alt) return Finish(f, 104);
      return ReadNextWord(f);
    case 62:
      TypingEcho = !TypingEcho;
      return SpeakMessage(TypingEcho ? "_FALACI" : "_FALDLG");
    case 66: return SpeakTime();
    case 70: return OpenWordAtCursor(f);
    case 71: f.cursor = 1; return;
    case 75:
      if (f.cursor == 1) return Beep();
      --f.cursor;
      return SpeakCharSound(static_cast<std::uint8_t>(At(f, f.cursor)));
    case 77: return SpeakCharacterRight(f);
    case 79: f.cursor = EndPosition(f); return;
    case 83: return DeleteSelectionOrCharacter(f);
    case 94: return SpeakText(Trimmed(f.text));
    case 97: return ChangeSpeed();
    case 101: return SpeakDate();
    case 102:
      // Alt+Ctrl+F9 belongs to the screen review, which this field leaves alone.
      if (!f.alt) Finish(f, 102);
      return;
    case 115: return PreviousWord(f);
    case 116: return NextWord(f);
    case PasteCode: return Paste(f);
    case CopyCode: return Copy(f);
    default:
      if (code >= 120 && code <= 129) return;
      return Finish(f, code);
  }
}

void HandleExtended(Field& f, std::uint8_t code) {
  if (f.shift && f.anchor == 0) f.anchor = f.cursor;
  if (!f.shift && code != CopyCode && code != PasteCode) ClearSelection(f);
  ExtendedKey(f, code);
  if (f.shift && !f.done) f.end = f.cursor;
}

// Typing replaces a proposed text: the first typed key blanks it.
void FirstKeyRule(Field& f, std::uint8_t key) {
  if (!f.firstKey) return;
  if (Trimmed(f.text.substr(f.cursor - 1)).empty()) return;
  TickTwice();
  if (key >= 32 && f.editable) f.text.assign(f.maxLength, ' ');
}

void TypedKey(Field& f, std::uint8_t key) {
  if (key != 3 && key != 22 && key != 222 && key != 223) ClearSelection(f);
  switch (key) {
    case 3: return Copy(f);
    case 4:
      if (!f.editable) return;
      std::fill(f.text.begin() + (f.cursor - 1), f.text.end(), ' ');
      return SpeakMessage("_APFCPO");
    case 8:
      if (!f.editable) return;
      if (f.cursor == 1) return Beep();
      --f.cursor;
      return DeleteAtCursor(f, true);
    case 9: case 10: case 13: case 27: return Finish(f, key);
    case 11: return SpeakText(std::to_string(f.cursor));
    case 19:
      if (!f.editable) return;
      f.text = f.text.substr(f.cursor - 1);
      Pad(f);
      f.cursor = 1;
      return SpeakMessage("_APICPO");
    case 21:
      if (!f.editable) return;
      f.text = f.original;
      f.cursor = 1;
      for (int i = 0; i < 3; ++i) PlayBeep();
      return;
    case 22: return Paste(f);
    case 25:
      if (!f.editable) return;
      f.text.assign(f.maxLength, ' ');
      SpeakMessage("_CPOAPA");
      f.cursor = 1;
      return;
    case 28: return PlayDtmfDigits(Trimmed(f.text));
    case 127:
      if (f.editable) DeleteWord(f);
      return;
    case 222:
      WaitSpeechEnd();
      return SpeakText(Trimmed(f.text));
    case 223: return;
    default:
      FirstKeyRule(f, key);
      if (key >= 32 && f.editable) Insert(f, static_cast<char>(key));
  }
}

void TakeKey(Field& f) {
  std::uint8_t key = ReadKeyCode();
  StopSpeech();
  unsigned modifiers = platform::CurrentModifiers();
  f.shift = modifiers & platform::ModShift;
  f.alt = modifiers & platform::ModAlt;
  if (key != 0) return TypedKey(f, key);
  std::uint8_t code = ReadKeyCode();
  if (IsExtensionKey(code)) return TypedKey(f, ReadKeyCode());
  HandleExtended(f, code);
}

}  // namespace

std::uint8_t EditField(std::string& text, int column, int row, int maxLength, int width,
                       bool editable) {
  Field f;
  f.maxLength = std::clamp(maxLength, 0, MaxFieldLength);
  f.width = std::clamp(width, 0, f.maxLength);
  // Nothing is written into the bottom-right cell: that would scroll the screen.
  if (row == ScreenSize.rows && column + f.width > ScreenSize.columns && f.width > 0) --f.width;
  f.column = column;
  f.row = row;
  f.editable = editable;
  f.text = text.substr(0, f.maxLength);
  Pad(f);
  f.original = f.text;
  while (!f.done) {
    Draw(f);
    TakeKey(f);
    f.firstKey = false;
  }
  MoveCursor(f.column, f.row);
  WriteBytes(f.text.substr(0, f.width));
  MoveCursor(f.column, f.row);
  text = Trimmed(f.text);
  return f.result;
}

void ReadLine(std::string& text) {
  text.clear();
  int column = CursorColumn(), row = CursorRow();
  std::uint8_t result = EditField(text, column, row, 255, std::max(1, 79 - column), true);
  if (result == 27) {
    MoveCursor(column, row);
    WriteBytes(std::string(text.size(), ' '));
    MoveCursor(column, row);
    text.clear();
  }
  WriteBytes("\r\n");
}

void ReadChoiceKey(std::uint8_t& key, std::uint8_t& second) {
  for (;;) {
    WaitSpeechEnd();
    second = 32;
    key = ReadKeyCode();
    if (key == 0) {
      second = ReadKeyCode();
      if (IsExtensionKey(second)) {
        key = ReadKeyCode();
        second = 32;
      }
    }
    if (key == 0 && second == 66) {
      SpeakTime();
      continue;
    }
    if (key >= 32 && key != 222 && key != 223) {
      SpeakCharSound(key);
      WriteBytes(reinterpret_cast<const char*>(&key), 1);
    }
    return;
  }
}
