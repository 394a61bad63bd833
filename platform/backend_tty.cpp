// The tty backend: the 80 x 25 grid in a terminal. A cell of the console is 2 x 1 pixels of
// the framebuffer: the left pixel holds the background colour with the character in its top
// byte, the right pixel the foreground colour. Fills and pixel copies of the shared window
// service therefore move whole cells, and only cells that differ from what the terminal shows
// are written (24-bit colours). Keys are read by a thread of their own that turns the
// terminal's bytes and escape sequences into key-down and character messages; a terminal
// reports no key-up.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/backend.h"
#include "platform/codepage.h"
#include "platform/host.h"
#include "platform/keyboard.h"
#include "platform/trace.h"

namespace platform {

namespace {

constexpr int Columns = 80, Rows = 25;
constexpr int CellWidth = 2;  // pixels a cell
constexpr int EscapeWaitMs = 50;  // a lone Escape: no more bytes within this time

// ---- the terminal, and putting it back on every way out ----

termios saved;
std::atomic<bool> rawMode{false};
volatile sig_atomic_t resized = 0;
const char EnterScreen[] = "\x1b[?1049h\x1b[?7l\x1b[?25l\x1b[0m\x1b[2J";
const char LeaveScreen[] = "\x1b[0m\x1b[?7h\x1b[?25h\x1b[?1049l";

void WriteAll(const char* bytes, std::size_t length) {
  while (length > 0) {
    ssize_t n = write(1, bytes, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes += n;
    length -= static_cast<std::size_t>(n);
  }
}

// Safe in a signal handler: only write and tcsetattr.
void RestoreTerminal() {
  if (!rawMode.exchange(false)) return;
  WriteAll(LeaveScreen, sizeof LeaveScreen - 1);
  tcsetattr(0, TCSANOW, &saved);
}

void OnSignal(int signal) {
  RestoreTerminal();
  ::signal(signal, SIG_DFL);
  raise(signal);
}

void OnResize(int) { resized = 1; }

void InstallSignals() {
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(s, &action, nullptr);
  }
  struct sigaction action {};
  action.sa_handler = OnResize;
  sigaction(SIGWINCH, &action, nullptr);
}

bool EnterRawMode() {
  if (tcgetattr(0, &saved) != 0) return false;
  termios raw = saved;
  raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  // No ISIG: Ctrl+C is the program's copy key; Ctrl+\ stands for Ctrl+Break.
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  raw.c_cflag |= CS8;
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(0, TCSANOW, &raw) != 0) return false;
  rawMode = true;
  WriteAll(EnterScreen, sizeof EnterScreen - 1);
  return true;
}

// ---- the grid ----

struct Cell {
  unsigned char c = ' ';
  std::uint32_t fg = 0, bg = 0;
  bool operator==(const Cell&) const = default;
};

Cell shown[Columns * Rows];
bool shownValid = false;  // false: the terminal must be redrawn whole
bool changed = true;
int shownCaret = -2;  // cell of the cursor last placed, -1 hidden
WindowHandle current = NoWindow;
std::atomic<WindowHandle> keyTarget{NoWindow};
std::string tooSmall;  // the message on the terminal while it is too small

FontMetrics CellMetrics(const FontRequest&) { return FontMetrics{CellWidth, 1, 0, 0, 0}; }

std::uint32_t Pack(Rgb c) { return (c.red << 16) | (c.green << 8) | c.blue; }

void DrawCells(std::uint32_t* pixels, int stride, int height, const FontRequest&, int x, int y,
               const std::string& bytes, Rgb fg, Rgb bg) {
  if (y < 0 || y >= height) return;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    int left = x + static_cast<int>(i) * CellWidth;
    if (left < 0 || left + 1 >= stride) continue;
    auto c = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]));
    pixels[y * stride + left] = (c << 24) | Pack(bg);
    pixels[y * stride + left + 1] = Pack(fg);
  }
}

Cell CellAt(const std::vector<std::uint32_t>& pixels, int width, int height, int column, int row) {
  Cell cell;
  int x = column * CellWidth;
  if (row >= height || x + 1 >= width) return cell;
  std::uint32_t back = pixels[static_cast<std::size_t>(row * width + x)];
  cell.c = static_cast<unsigned char>(back >> 24);
  if (cell.c < ' ') cell.c = ' ';
  cell.bg = back & 0xFFFFFFu;
  cell.fg = pixels[static_cast<std::size_t>(row * width + x + 1)] & 0xFFFFFFu;
  return cell;
}

// A character the terminal shows as itself: controls (also the C1 ones) become "?".
std::string Printable(unsigned char c) {
  std::string utf8 = AnsiToUtf8(std::string(1, static_cast<char>(c)));
  bool control = c < ' ' || c == 127 ||
                 (utf8.size() == 2 && static_cast<unsigned char>(utf8[0]) == 0xC2 &&
                  static_cast<unsigned char>(utf8[1]) < 0xA0);
  return control ? "?" : utf8;
}

void Colour(std::string& out, const char* which, std::uint32_t rgb) {
  char text[32];
  std::snprintf(text, sizeof text, "\x1b[%s;2;%u;%u;%um", which, (rgb >> 16) & 255, (rgb >> 8) & 255,
                rgb & 255);
  out += text;
}

void MoveTo(std::string& out, int column, int row) {
  out += "\x1b[" + std::to_string(row + 1) + ";" + std::to_string(column + 1) + "H";
}

bool TerminalFits() {
  winsize size{};
  if (ioctl(1, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return true;  // unknown: try
  if (size.ws_col >= Columns && size.ws_row >= Rows) {
    tooSmall.clear();
    return true;
  }
  std::string message = "Aumente o terminal: o Oralis precisa de 80 colunas e 25 linhas; este tem " +
                        std::to_string(size.ws_col) + " x " + std::to_string(size.ws_row) + ".";
  if (message != tooSmall) {
    tooSmall = message;
    std::string out = "\x1b[0m\x1b[2J\x1b[H\x1b[?7h" + message + "\x1b[?7l";
    WriteAll(out.data(), out.size());
  }
  shownValid = false;
  shownCaret = -2;
  return false;
}

void Flush() {
  if (resized) {
    resized = 0;
    shownValid = false;
    changed = true;
  }
  if (!changed || current == NoWindow || !TerminalFits()) return;
  changed = false;
  int width = 0, height = 0;
  const std::vector<std::uint32_t>& pixels = Framebuffer(current, width, height);
  std::string out;
  if (!shownValid) out += "\x1b[0m\x1b[2J";
  bool colours = false;
  std::uint32_t fg = 0, bg = 0;
  int next = -1;  // cell where the terminal's cursor stands after the last write
  for (int row = 0; row < Rows; ++row)
    for (int column = 0; column < Columns; ++column) {
      int index = row * Columns + column;
      Cell cell = CellAt(pixels, width, height, column, row);
      if (shownValid && cell == shown[index]) continue;
      shown[index] = cell;
      if (next != index) MoveTo(out, column, row);
      if (!colours || cell.fg != fg) Colour(out, "38", fg = cell.fg);
      if (!colours || cell.bg != bg) Colour(out, "48", bg = cell.bg);
      colours = true;
      out += Printable(cell.c);
      next = column + 1 < Columns ? index + 1 : -1;
    }
  shownValid = true;
  int x = 0, y = 0;
  bool caret = CaretShown(x, y) && x >= 0 && y >= 0 && x / CellWidth < Columns && y < Rows;
  int caretCell = caret ? y * Columns + x / CellWidth : -1;
  if (caretCell != shownCaret || !out.empty()) {
    if (caret) MoveTo(out, x / CellWidth, y);
    out += caret ? "\x1b[?25h" : "\x1b[?25l";
    shownCaret = caretCell;
  }
  WriteAll(out.data(), out.size());
}

void Present(WindowHandle, const Rect&) { changed = true; }

void WindowCreated(WindowHandle handle, const std::string&, int, int) {
  current = handle;
  keyTarget = handle;
  shownValid = false;
  changed = true;
}

void WindowDestroyed(WindowHandle handle) {
  if (current != handle) return;
  current = NoWindow;
  keyTarget = NoWindow;
}

void PollEvents() { Flush(); }

// Keys arrive from the reader thread as posts; a resize is looked for four times a second.
void WaitEvents() {
  Flush();
  WaitForPost(250);
}

void Sleep(unsigned ms) {
  Flush();
  HostSleep(ms);
}

// ---- keys ----

struct Key {
  std::size_t length = 0;  // bytes taken; 0 while a sequence is incomplete
  unsigned vk = 0;         // 0: a character only
  unsigned modifiers = 0;
  int character = -1;
};

// The modifier parameter of xterm sequences: 1 + (Shift 1, Alt 2, Ctrl 4, Meta 8).
unsigned ModifierParameter(int value) {
  int bits = value - 1;
  if (bits <= 0) return 0;
  unsigned modifiers = 0;
  if (bits & 1) modifiers |= ModShift;
  if (bits & 10) modifiers |= ModAlt;  // Alt or Meta
  if (bits & 4) modifiers |= ModCtrl;
  return modifiers;
}

unsigned TildeKey(int number) {
  switch (number) {
    case 1: case 7: return VkHome;
    case 2: return VkInsert;
    case 3: return VkDelete;
    case 4: case 8: return VkEnd;
    case 5: return VkPrior;
    case 6: return VkNext;
    case 11: case 12: case 13: case 14: case 15: return VkF1 + static_cast<unsigned>(number - 11);
    case 17: case 18: case 19: case 20: case 21: return VkF1 + 5 + static_cast<unsigned>(number - 17);
    case 23: case 24: return VkF1 + 10 + static_cast<unsigned>(number - 23);
    default: return 0;
  }
}

unsigned FinalKey(char final) {
  switch (final) {
    case 'A': return VkUp;
    case 'B': return VkDown;
    case 'C': return VkRight;
    case 'D': return VkLeft;
    case 'H': return VkHome;
    case 'F': return VkEnd;
    case 'P': case 'Q': case 'R': case 'S': return VkF1 + static_cast<unsigned>(final - 'P');
    default: return 0;
  }
}

// "ESC [ params final": cursor keys, F1-F12 and the editing keys, with modifiers.
Key ControlSequence(const std::string& s) {
  Key key;
  if (s.size() >= 3 && s[2] == '[') {  // the Linux console's F1-F5: ESC [ [ A ... E
    if (s.size() < 4) return key;
    key.length = 4;
    if (s[3] >= 'A' && s[3] <= 'E') key.vk = VkF1 + static_cast<unsigned>(s[3] - 'A');
    return key;
  }
  std::size_t end = 2;
  while (end < s.size() && !(s[end] >= 0x40 && s[end] <= 0x7E)) ++end;
  if (end == s.size()) {
    if (s.size() > 32) key.length = s.size();  // nonsense: drop it
    return key;
  }
  key.length = end + 1;
  std::string params = s.substr(2, end - 2);
  int first = std::atoi(params.c_str());
  std::size_t semicolon = params.find(';');
  if (semicolon != std::string::npos) key.modifiers = ModifierParameter(std::atoi(params.c_str() + semicolon + 1));
  char final = s[end];
  if (final == '~') key.vk = TildeKey(first);
  else if (final == 'Z') key.vk = VkTab, key.modifiers |= ModShift;
  else key.vk = FinalKey(final);
  return key;
}

// A key of one byte, or one character of UTF-8.
Key PlainKey(const std::string& s, std::size_t at) {
  Key key;
  auto c = static_cast<unsigned char>(s[at]);
  key.length = 1;
  if (c == 0x7F) key.vk = VkBack;
  else if (c == 0x08) key.vk = VkBack, key.modifiers = ModCtrl;
  else if (c == 0x09) key.vk = VkTab;
  else if (c == 0x0D) key.vk = VkReturn;
  else if (c == 0x0A) key.vk = VkReturn, key.modifiers = ModCtrl;
  else if (c == 0x00) key.vk = VkSpace, key.modifiers = ModCtrl;
  else if (c == 0x1C) key.vk = VkCancel, key.modifiers = ModCtrl;  // Ctrl+\ stands for Break
  else if (c >= 1 && c <= 26) key.vk = VkA + c - 1, key.modifiers = ModCtrl;
  else if (c < ' ') key.length = 1;  // Ctrl with other keys: nothing
  else if (c >= 'a' && c <= 'z') key.vk = c - 32, key.character = c;
  else if (c >= 'A' && c <= 'Z') key.vk = c, key.modifiers = ModShift, key.character = c;
  else if ((c >= '0' && c <= '9') || c == ' ') key.vk = c, key.character = c;
  else if (c < 0x80) key.character = c;
  else {
    std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (s.size() - at < need) return Key{};
    key.length = need;
    std::string ansi = Utf8ToAnsi(s.substr(at, need));
    key.character = ansi.empty() ? -1 : static_cast<unsigned char>(ansi[0]);
  }
  return key;
}

Key NextKey(const std::string& s) {
  if (s[0] != '\x1b') return PlainKey(s, 0);
  if (s.size() < 2) return Key{};
  if (s[1] == '[') return ControlSequence(s);
  if (s[1] == 'O') {
    if (s.size() < 3) return Key{};
    Key key;
    key.length = 3;
    key.vk = FinalKey(s[2]);
    return key;
  }
  // Escape before a key: that key with Alt, and no character.
  Key key = s[1] == '\x1b' ? NextKey(s.substr(1)) : PlainKey(s, 1);
  if (key.length == 0) return key;
  key.length += 1;
  key.modifiers |= ModAlt;
  key.character = -1;
  return key;
}

void Post(const Key& key) {
  WindowHandle target = keyTarget;
  int character = key.character >= 0 ? key.character : KeyDownCharacter(key.vk, key.modifiers);
  if (key.vk) PostHostKey(target, key.vk, key.modifiers, true, character);
  else if (key.character >= 0 && !(key.modifiers & ModAlt))
    PostKeyMessage(target, MsgChar, static_cast<unsigned>(key.character), key.modifiers);
}

// Takes every whole key from pending; with timedOut, a waiting Escape is the Escape key.
void Decode(std::string& pending, bool timedOut) {
  while (!pending.empty()) {
    Key key = NextKey(pending);
    if (key.length == 0 && timedOut && pending[0] == '\x1b') {
      key = Key{1, VkEscape, 0, 27};
    }
    if (key.length == 0) return;
    Post(key);
    pending.erase(0, std::min(key.length, pending.size()));
  }
}

void ReadKeys() {
  std::string pending;
  for (;;) {
    pollfd in{0, POLLIN, 0};
    int ready = poll(&in, 1, pending.empty() ? -1 : EscapeWaitMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return;
    if (ready == 0) {
      Decode(pending, true);
      continue;
    }
    char buffer[256];
    ssize_t n = read(0, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return;  // the terminal is gone
    pending.append(buffer, static_cast<std::size_t>(n));
    Decode(pending, false);
  }
}

// ---- clipboard and message box: the terminal has none of its own ----

std::optional<std::string> clipboard;

bool SetClipboard(const std::string& text) {
  clipboard = text;
  Trace("clipboard", text);
  return true;
}

std::optional<std::string> GetClipboard() { return clipboard ? clipboard : std::string(); }

void MessageBox(const std::string& text, const std::string&) {
  Trace("message-box", text);
  std::fprintf(stderr, "%s\r\n", AnsiToUtf8(text).c_str());
  shownValid = false;
  changed = true;
}

const BackendOps TtyOps = {
    PollEvents,   WaitEvents,     HostMilliseconds, HostNow,         Sleep,        CellMetrics,
    DrawCells,    Present,        WindowCreated,    WindowDestroyed, SetClipboard, GetClipboard,
    HostPlayLoop, HostStopSounds, HostBeep,         MessageBox,
};

}  // namespace

const BackendOps* StartTtyBackend() {
  if (!isatty(0) || !isatty(1) || !EnterRawMode()) return nullptr;
  InstallSignals();
  std::atexit(RestoreTerminal);
  AddExitHandler([](int) { RestoreTerminal(); });
  std::thread(ReadKeys).detach();
  return &TtyOps;
}

}  // namespace platform
