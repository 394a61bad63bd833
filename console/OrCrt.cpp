// The console window: settings, the screen buffer, painting, scrolling, the caret, the
// magnifier, the window's messages, the end of the program and the standard streams.
#include "console/OrCrt.h"

#include <algorithm>
#include <iostream>
#include <streambuf>

#include "console/OrCrtInternal.h"
#include "platform/backend.h"
#include "platform/keyboard.h"
#include "platform/profile.h"
#include "platform/program.h"
#include "platform/sound.h"

using namespace platform;

namespace {

constexpr int Columns = ScreenSize.columns;
constexpr int Rows = ScreenSize.rows;
constexpr std::size_t SettingBuffer = 80;  // bytes, terminating zero included
const char* const ConfigFile = "ORALIS.INI";
const char* const ClassName = "OrWinCrt";

constexpr Rgb ConsolePalette[16] = {
    {0, 0, 0},       {0, 0, 255},     {0, 255, 0},     {0, 255, 255},
    {255, 0, 0},     {142, 0, 142},   {68, 34, 34},    {192, 192, 192},
    {128, 128, 128}, {128, 128, 255}, {128, 255, 128}, {128, 255, 255},
    {255, 128, 128}, {255, 128, 255}, {255, 255, 0},   {255, 255, 255},
};

VideoSettings DefaultSettings() {
  VideoSettings s;
  for (int i = 0; i < 16; ++i) s.colourMap[i] = static_cast<std::uint8_t>(i);
  return s;
}

VideoSettings settings = DefaultSettings();
std::uint8_t textAttribute = 0x07;
WaveDoneHookState waveDoneHook;

WindowHandle window = NoWindow;
bool created = false;
bool focused = false;
bool reading = false;  // a key wait is going on
bool exitHandlerInstalled = false;
int exitCode = 0;

FontHandle font = 0;
int cellWidth = 8, cellHeight = 16, ascent = 12, overhang = 0;
int windowWidth = 0, windowHeight = 0;  // outer size, pixels

bool magnifying = false;
Snapshot snapshot = 0;

// Row after row, Columns x Rows cells. Kept after the window goes so the screen dump at the
// end still shows the last screen.
std::string screenChars(Columns * Rows, ' ');
std::string screenAttrs(Columns * Rows, '\x07');
int cursorColumn = 0;  // 0-based; Columns means "past the end, the line breaks at the next byte"
int cursorRow = 0;

// ---- Settings ----

std::string Setting(const char* section, const char* key, const char* defaultValue,
                    std::size_t buffer = SettingBuffer) {
  return GetProfileString(section, key, defaultValue, buffer, ConfigFile);
}

bool Yes(const std::string& value) {
  return !value.empty() && (value[0] == 'S' || value[0] == 's');
}

std::string Trimmed(const std::string& text) {
  std::size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

// The whole number at the start of text (an optional sign, then digits); true when the whole
// text is that number.
bool ReadNumber(const std::string& text, long& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::size_t digitsStart = i;
  long n = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (n < 100000000) n = n * 10 + (text[i] - '0');
    ++i;
  }
  value = negative ? -n : n;
  return i > digitsStart && i == text.size();
}

// Entries up to the first one that isn't a whole number (its leading digits still count). The
// comma is found before the blanks are trimmed, so a blank after a comma shifts the cut onto
// the comma and ends the list after that entry.
void ReadColourMap(std::string value, std::array<std::uint8_t, 16>& map) {
  value += ',';
  for (int i = 0; i < 16; ++i) {
    std::size_t comma = value.find(',');
    if (comma == std::string::npos) return;
    long number = 0;
    bool whole = ReadNumber(Trimmed(value).substr(0, comma), number);
    map[i] = static_cast<std::uint8_t>(number & 0xFF);
    if (!whole) return;
    value.erase(0, comma + 1);
  }
}

int ColourSetting(const char* key, const char* defaultValue, int keptDefault) {
  long number = 0;
  return ReadNumber(Setting("VIDEO", key, defaultValue), number) ? static_cast<int>(number)
                                                                  : keptDefault;
}

int CellSizeSetting(const char* key, int workSize, int perSize, int pixels) {
  long number = 0;
  if (ReadNumber(Setting("VIDEO", key, ""), number) && number > 0) return static_cast<int>(number);
  return workSize * pixels / perSize;
}

// ---- Drawing ----

Rgb ColourOfIndex(int index) { return ConsoleColour(index & 0x0F); }

int Cell(int column, int row) { return row * Columns + column; }

// Columns first <= c < last of a 0-based row, in runs of one attribute.
void PaintSpan(int first, int last, int row) {
  first = std::max(first, 0);
  last = std::min(last, Columns);
  if (!created || first >= last) return;
  int start = first;
  while (start < last) {
    unsigned char attribute = static_cast<unsigned char>(screenAttrs[Cell(start, row)]);
    int end = start + 1;
    while (end < last && static_cast<unsigned char>(screenAttrs[Cell(end, row)]) == attribute) ++end;
    DrawText(window, font, start * cellWidth + overhang, row * cellHeight,
             screenChars.substr(Cell(start, row), end - start), ColourOfIndex(attribute),
             ColourOfIndex(attribute >> 4));
    start = end;
  }
}

void ServePaint() {
  Rect r = BeginPaint(window);
  int firstColumn = std::max(0, r.left / cellWidth);
  int lastColumn = std::min(Columns, (r.right + cellWidth - 1) / cellWidth);
  int firstRow = std::max(0, r.top / cellHeight);
  int lastRow = std::min(Rows, (r.bottom + cellHeight - 1) / cellHeight);
  for (int row = firstRow; row < lastRow; ++row) PaintSpan(firstColumn, lastColumn, row);
  EndPaint(window);
}

void MeasureCell() {
  FontMetrics m = MeasureFont(font);
  cellWidth = std::max(1, m.averageWidth);
  cellHeight = std::max(1, m.height + m.externalLeading);
  ascent = m.ascent;
  overhang = m.overhang;
}

void ScrollPicture() {
  Rect outer = WindowRect(window);
  bool copy = settings.scrollByCopy && ActiveWindow() == window &&
              outer.bottom < SystemMetric(Metric::ScreenHeight) - 32;
  if (copy) {
    CopyPixels(window, {0, cellHeight, Columns * cellWidth, Rows * cellHeight}, 0, 0);
    FillRect(window, {0, (Rows - 1) * cellHeight, Columns * cellWidth, Rows * cellHeight},
             ColourOfIndex(textAttribute >> 4));
  } else {
    InvalidateRect(window, nullptr, false);
  }
}

// Draws the changed span of the cursor's row, then moves the cursor a row down, scrolling the
// whole screen up when it leaves the last row.
void NewLine(int& spanFirst, int& spanLast) {
  PaintSpan(spanFirst, spanLast, cursorRow);
  spanFirst = spanLast = 0;
  if (++cursorRow < Rows) return;
  cursorRow = Rows - 1;
  screenChars.erase(0, Columns).append(Columns, ' ');
  screenAttrs.erase(0, Columns).append(Columns, static_cast<char>(textAttribute));
  ScrollPicture();
  UpdateWindow(window);
}

void Include(int& spanFirst, int& spanLast, int column) {
  if (spanFirst >= spanLast) {
    spanFirst = column;
    spanLast = column + 1;
  } else {
    spanFirst = std::min(spanFirst, column);
    spanLast = std::max(spanLast, column + 1);
  }
}

// ---- Caret and magnifier ----

void ShowKeyCaret() {
  CreateCaret(window, cellWidth, 2);
  SetCaretPosition(cursorColumn * cellWidth, cursorRow * cellHeight + ascent);
  ShowCaret(window);
}

int MouseX(std::intptr_t position) { return static_cast<std::int16_t>(position & 0xFFFF); }
int MouseY(std::intptr_t position) { return static_cast<std::int16_t>((position >> 16) & 0xFFFF); }

void MagnifiedFrame(std::intptr_t position) {
  int f = settings.magnifyFactor;
  int x = std::max(0, MouseX(position) - MouseX(position) / f);
  int y = std::max(0, MouseY(position) - MouseY(position) / f);
  StretchSnapshot(window, snapshot, {x, y, x + windowWidth / f, y + windowHeight / f},
                  {0, 0, windowWidth, windowHeight});
}

void Magnifier(unsigned id, std::intptr_t position) {
  if (id == MsgRButtonDown && !magnifying) {
    magnifying = true;
    snapshot = TakeSnapshot(window, windowWidth, windowHeight);
    MagnifiedFrame(position);
  } else if (id == MsgMouseMove && magnifying) {
    MagnifiedFrame(position);
  } else if (id == MsgRButtonUp && magnifying) {
    magnifying = false;
    FreeSnapshot(snapshot);
    snapshot = 0;
    InvalidateRect(window, nullptr, true);
  }
}

// ---- The window ----

void FillSize(MinMaxInfo& limits) {
  MeasureCell();
  int frameWidth = SystemMetric(Metric::FrameWidth), frameHeight = SystemMetric(Metric::FrameHeight);
  int caption = SystemMetric(Metric::CaptionHeight);
  limits.maxWidth = std::min(Columns * cellWidth, SystemMetric(Metric::ScreenWidth)) + 2 * frameWidth;
  limits.maxHeight =
      std::min(caption + Rows * cellHeight, SystemMetric(Metric::ScreenHeight)) + 2 * frameHeight;
  limits.maxTrackWidth = limits.maxWidth;
  limits.maxTrackHeight = limits.maxHeight;
  limits.minTrackWidth = 2 * frameWidth + 16 * cellWidth;
  limits.minTrackHeight = 2 * frameHeight + 4 * cellHeight + caption;
}

std::intptr_t ConsoleProc(WindowHandle handle, unsigned id, std::uintptr_t wparam,
                          std::intptr_t lparam) {
  window = handle;
  switch (id) {
    case MsgCreate:
      screenChars.assign(Columns * Rows, ' ');
      screenAttrs.assign(Columns * Rows, static_cast<char>(textAttribute));
      created = true;
      return 0;
    case MsgDestroy:
      cursorColumn = cursorRow = 0;
      PostQuitMessage(0);
      created = false;
      return 0;
    case MsgSetFocus:
      focused = true;
      if (reading) ShowKeyCaret();
      return 0;
    case MsgKillFocus:
      if (reading) DestroyCaret();
      focused = false;
      return 0;
    case MsgPaint:
      ServePaint();
      return 0;
    case MsgClose:
      CloseConsole();
    case MsgGetMinMaxInfo:
      FillSize(*reinterpret_cast<MinMaxInfo*>(lparam));
      return 0;
    case MsgKeyDown:
      orcrt_internal::TranslateKeyDown(static_cast<unsigned>(wparam));
      return 0;
    case MsgSysKeyDown:
      if (wparam != VkLeft && wparam != VkRight) break;
      orcrt_internal::TranslateKeyDown(static_cast<unsigned>(wparam));
      return 0;
    case MsgKeyUp:
      if (BrailleMode() != 0 && orcrt_internal::BrailleKeyUp(static_cast<unsigned>(wparam)))
        return 0;
      break;
    case MsgChar:
      orcrt_internal::EnterCharacter(static_cast<unsigned>(wparam));
      return 0;
    case MsgMouseMove:
    case MsgRButtonDown:
    case MsgRButtonUp:
      Magnifier(id, lparam);
      return 0;
    case MsgWaveDone:
      if (!waveDoneHook.on || !waveDoneHook.routine) break;
      waveDoneHook.routine(handle, wparam, lparam);
      return 0;
    default:
      break;
  }
  return DefaultWindowProc(handle, id, wparam, lparam);
}

std::string Title() {
  std::string path = ProgramPath();
  return path.substr(0, std::min<std::size_t>(path.size(), 79));
}

// Runs at every end of the program: the window stays on the screen, saying so.
void ExitProcedure(int) {
  if (window == NoWindow || !IsWindow(window)) return;
  SetWindowTitle(window, "Programa terminado");
  SetWindowProcedure(window, nullptr);
}

void StartOnce() {
  if (exitHandlerInstalled) return;
  exitHandlerInstalled = true;
  RegisterWindowClass({ClassName, ConsoleProc, {0, 0, 0}});
  AddExitHandler(ExitProcedure);
  SetScreenSource([](int row) {
    return row >= 1 && row <= Rows ? screenChars.substr(Cell(0, row - 1), Columns) : std::string();
  });
}

// ---- Standard streams ----

class ConsoleOutput : public std::streambuf {
 public:
  ConsoleOutput() { setp(buffer_, buffer_ + sizeof buffer_); }

 protected:
  int_type overflow(int_type c) override {
    HandOver();
    if (!traits_type::eq_int_type(c, traits_type::eof())) sputc(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }
  // The end of every << statement (the stream is unit-buffered).
  int sync() override {
    if (pptr() == pbase()) return 0;
    HandOver();
    KeyWaiting();
    return 0;
  }

 private:
  void HandOver() {
    if (pptr() > pbase()) WriteBytes(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(buffer_, buffer_ + sizeof buffer_);
  }
  char buffer_[128];
};

class ConsoleInput : public std::streambuf {
 protected:
  // One typed line; its CR LF reaches the stream as a single '\n'.
  int_type underflow() override {
    std::size_t count = ReadEchoLine(buffer_, sizeof buffer_);
    if (count >= 2 && buffer_[count - 2] == '\r') buffer_[--count - 1] = '\n';
    setg(buffer_, buffer_, buffer_ + count);
    return count ? traits_type::to_int_type(buffer_[0]) : traits_type::eof();
  }

 private:
  char buffer_[128];
};

ConsoleOutput consoleOutput;
ConsoleInput consoleInput;

bool AttachConsoleStreams() {
  std::cout.rdbuf(&consoleOutput);
  std::cout.setf(std::ios::unitbuf);
  std::cin.rdbuf(&consoleInput);
  return true;
}

// Module start: only the streams; the platform is first touched by EnsureConsole.
const bool streamsAttached = AttachConsoleStreams();

}  // namespace

// ---- Shared with OrCrtKeys.cpp ----

namespace orcrt_internal {

void BeginKeyWait() {
  reading = true;
  if (focused) ShowKeyCaret();
}

void EndKeyWait() {
  if (focused) DestroyCaret();
  reading = false;
}

void EndProgramAbruptly() {
  if (reading && focused) DestroyCaret();
  ExitProgram(255);
}

}  // namespace orcrt_internal

// ---- Public operations ----

VideoSettings ReadVideoSettings() {
  VideoSettings s = DefaultSettings();
  Rect work = DesktopWorkArea();
  ReadColourMap(Setting("VIDEO", "TABCORES", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15"), s.colourMap);
  s.coloursLocked = Yes(Setting("VIDEO", "CORESFIXAS", "N"));
  s.scrollByCopy = Yes(Setting("VIDEO", "LENTO", "N"));
  int background = ColourSetting("CORFUNDO", "0", 0);
  int foreground = ColourSetting("CORLETRA", "15", 7);
  s.textAttribute = static_cast<std::uint8_t>((background << 4) | foreground);
  std::string braille = Setting("BRAILLE", "MODO", "0");
  s.brailleMode = braille.empty() ? 0 : static_cast<unsigned char>(braille[0]) & 3;
  std::string factor = Setting("VIDEO", "AMPLIF", "2", 2);
  s.magnifyFactor = factor.empty() ? 0 : static_cast<unsigned char>(factor[0]) & 7;
  if (s.magnifyFactor == 0) s.magnifyFactor = 2;
  s.fontFace = Setting("VIDEO", "FONTE", "Lucida Console");
  s.fontWidth = CellSizeSetting("LARGURALETRA", work.Width(), 1024, 13);
  s.fontHeight = CellSizeSetting("ALTURALETRA", work.Height(), 734, 28);
  // "SIM" (the default) opens the window at grid size in the top-left corner of the screen.
  s.startMaximised = Yes(Setting("VIDEO", "CANTOTELA", "SIM"));
  return s;
}

const VideoSettings& CurrentVideoSettings() { return settings; }

void EnsureConsole() {
  if (created) return;
  StartOnce();
  settings = ReadVideoSettings();
  textAttribute = settings.textAttribute;
  font = CreateFont({settings.fontHeight, settings.fontWidth, 0, settings.fontFace});
  MeasureCell();
  windowWidth = 2 * SystemMetric(Metric::FrameWidth) + Columns * cellWidth;
  windowHeight = 2 * SystemMetric(Metric::FrameHeight) + Rows * cellHeight +
                 SystemMetric(Metric::CaptionHeight);
  window = CreateWindow(ClassName, Title(), windowWidth, windowHeight);
  ShowWindow(window, settings.startMaximised ? ShowMode::Maximised : ShowMode::Normal);
  UpdateWindow(window);
  SetBrailleMode(settings.brailleMode);
}

void SetForeground(int colour) {
  EnsureConsole();
  if (!settings.coloursLocked)
    textAttribute = static_cast<std::uint8_t>((textAttribute & 0xF0) | (colour & 0x0F));
}

void SetBackground(int colour) {
  EnsureConsole();
  if (!settings.coloursLocked)
    textAttribute = static_cast<std::uint8_t>((textAttribute & 0x0F) | ((colour & 0x0F) << 4));
}

char ScreenCharAt(int column, int row) {
  EnsureConsole();
  if (column < 1 || column > Columns || row < 1 || row > Rows) return ' ';
  return screenChars[Cell(column - 1, row - 1)];
}

std::uint8_t ScreenAttrAt(int column, int row) {
  EnsureConsole();
  if (column < 1 || column > Columns || row < 1 || row > Rows) return textAttribute;
  return static_cast<std::uint8_t>(screenAttrs[Cell(column - 1, row - 1)]);
}

void CloseConsole() {
  if (created) {
    orcrt_internal::DiscardKeys();
    DeleteFont(font);
    font = 0;
    SetWindowProcedure(window, nullptr);
    DestroyWindow(window);
    window = NoWindow;
    created = false;
  }
  ExitProgram(exitCode);
}

WindowHandle ConsoleWindow() { return window; }

std::uint8_t& TextAttribute() { return textAttribute; }

Rgb ConsoleColour(int index) {
  std::uint8_t entry = settings.colourMap[index & 0x0F];
  return entry <= 15 ? ConsolePalette[entry] : Rgb{0, 0, 0};
}

WaveDoneHookState& WaveDoneHook() { return waveDoneHook; }

void WriteBytes(const char* bytes, std::size_t count) {
  EnsureConsole();
  int spanFirst = cursorColumn, spanLast = cursorColumn;
  for (std::size_t i = 0; i < count; ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == 7) {
      Beep();
    } else if (c == 8) {
      if (cursorColumn > 0) {
        --cursorColumn;
        screenChars[Cell(cursorColumn, cursorRow)] = ' ';
        screenAttrs[Cell(cursorColumn, cursorRow)] = static_cast<char>(textAttribute);
        Include(spanFirst, spanLast, cursorColumn);
      }
    } else if (c == 10) {
      NewLine(spanFirst, spanLast);
      cursorColumn = 0;
    } else if (c == 13) {
      cursorColumn = 0;
    } else if (c >= 32) {
      if (cursorColumn >= Columns) {
        cursorColumn = 0;
        NewLine(spanFirst, spanLast);
      }
      screenChars[Cell(cursorColumn, cursorRow)] = static_cast<char>(c);
      screenAttrs[Cell(cursorColumn, cursorRow)] = static_cast<char>(textAttribute);
      Include(spanFirst, spanLast, cursorColumn);
      ++cursorColumn;
    }
  }
  PaintSpan(spanFirst, spanLast, cursorRow);
}

void MoveCursor(int column, int row) {
  cursorColumn = std::clamp(column, 1, Columns) - 1;
  cursorRow = std::clamp(row, 1, Rows) - 1;
}

int CursorColumn() { return cursorColumn + 1; }
int CursorRow() { return cursorRow + 1; }

void ClearToLineEnd() {
  EnsureConsole();
  for (int c = cursorColumn; c < Columns; ++c) {
    screenChars[Cell(c, cursorRow)] = ' ';
    screenAttrs[Cell(c, cursorRow)] = static_cast<char>(textAttribute);
  }
  PaintSpan(cursorColumn, Columns, cursorRow);
}
