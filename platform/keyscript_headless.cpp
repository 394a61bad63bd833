// The key script of the headless backend: one event a line, delivered when the program is idle,
// or at a fixed delay after the previous event for lines that begin with "@+MS ".
#include <cctype>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "platform/backend.h"
#include "platform/codepage.h"
#include "platform/headless.h"
#include "platform/keyboard.h"
#include "platform/messages.h"
#include "platform/window.h"

namespace platform::headless {

namespace {

struct Key {
  unsigned vk = 0;
  unsigned modifiers = 0;
  int character = -1;  // the character message, if the key gives one
  bool system = false;  // reported as a system key
};

enum class Kind { Keys, Chord, Wait, Close };

struct Event {
  Kind kind = Kind::Keys;
  std::vector<Key> keys;
  unsigned waitMs = 0;
  bool delayed = false;  // "@+MS": due MS after the previous event
  unsigned delayMs = 0;
  int line = 0;
};

std::vector<Event> script;
std::size_t nextEvent = 0;
int endOfScriptWaits = 0;

[[noreturn]] void BadLine(const std::string& origin, int line, const std::string& why) {
  ReportFatal("key script " + origin + " line " + std::to_string(line) + ": " + why);
  ExitProgram(2);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool ParseNumber(const std::string& text, unsigned& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  value = static_cast<unsigned>(std::strtoul(text.c_str(), nullptr, 10));
  return true;
}

// The character a key gives, as the host keyboard translation would.
void AddCharacter(Key& key) {
  bool ctrl = key.modifiers & ModCtrl, alt = key.modifiers & ModAlt;
  bool shift = key.modifiers & ModShift;
  if (alt || key.system) return;
  if (key.vk >= VkA && key.vk <= VkA + 25)
    key.character = ctrl ? static_cast<int>(key.vk - VkA + 1)
                         : static_cast<int>(shift ? key.vk : key.vk + 32);
  else if (key.vk >= Vk0 && key.vk <= Vk0 + 9 && !ctrl)
    key.character = static_cast<int>(key.vk);
  else if (key.vk == VkReturn || key.vk == VkBack || key.vk == VkTab || key.vk == VkEscape ||
           key.vk == VkSpace)
    key.character = static_cast<int>(key.vk);
}

bool ParseKeyName(std::string name, Key& key) {
  static const struct {
    const char* name;
    unsigned vk;
  } named[] = {{"enter", VkReturn}, {"esc", VkEscape},   {"tab", VkTab},     {"backspace", VkBack},
               {"space", VkSpace},  {"up", VkUp},        {"down", VkDown},   {"left", VkLeft},
               {"right", VkRight},  {"home", VkHome},    {"end", VkEnd},     {"pgup", VkPrior},
               {"pgdn", VkNext},    {"ins", VkInsert},   {"del", VkDelete},  {"break", VkCancel}};
  for (;;) {
    std::string lower = Lower(name);
    std::size_t plus = lower.find('+');
    if (plus == std::string::npos || plus + 1 == lower.size()) break;
    std::string prefix = lower.substr(0, plus);
    if (prefix == "ctrl") key.modifiers |= ModCtrl;
    else if (prefix == "alt") key.modifiers |= ModAlt;
    else if (prefix == "shift") key.modifiers |= ModShift;
    else return false;
    name = name.substr(plus + 1);
  }
  std::string lower = Lower(name);
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    key.vk = static_cast<unsigned>(std::toupper(static_cast<unsigned char>(name[0])));
  } else if (lower.size() >= 2 && lower[0] == 'f' && std::isdigit(static_cast<unsigned char>(lower[1]))) {
    unsigned n = 0;
    if (!ParseNumber(lower.substr(1), n) || n < 1 || n > 12) return false;
    key.vk = VkF1 + n - 1;
  } else {
    bool found = false;
    for (const auto& k : named)
      if (lower == k.name) key.vk = k.vk, found = true;
    if (!found) return false;
  }
  bool alt = key.modifiers & ModAlt, ctrl = key.modifiers & ModCtrl;
  bool letterOrDigit = (key.vk >= VkA && key.vk <= VkA + 25) || (key.vk >= Vk0 && key.vk <= Vk0 + 9);
  // Alt alone with anything but a letter or digit, and F10, are the host's system keys.
  key.system = (alt && !ctrl && !letterOrDigit) || (key.vk == VkF1 + 9 && !ctrl);
  AddCharacter(key);
  return true;
}

// A typed character: the key that gives it, or none for characters off the letter keys.
Key TypedKey(unsigned char c) {
  Key key;
  key.character = c;
  if (c >= 'a' && c <= 'z') key.vk = c - 32;
  else if (c >= 'A' && c <= 'Z') key.vk = c, key.modifiers = ModShift;
  else if ((c >= '0' && c <= '9') || c == ' ') key.vk = c;
  return key;
}

Event ParseLine(const std::string& origin, int number, std::string line) {
  Event event;
  event.line = number;
  if (line.rfind("@+", 0) == 0) {
    std::size_t blank = line.find(' ');
    if (blank == std::string::npos || !ParseNumber(line.substr(2, blank - 2), event.delayMs))
      BadLine(origin, number, "\"@+MS\" needs a number of milliseconds and an event");
    event.delayed = true;
    line = line.substr(blank + 1);
  }
  std::size_t blank = line.find(' ');
  std::string verb = line.substr(0, blank);
  std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
  if (verb == "type") {
    if (rest.empty()) BadLine(origin, number, "\"type\" needs a text");
    for (unsigned char c : Utf8ToAnsi(rest)) event.keys.push_back(TypedKey(c));
  } else if (verb == "key" || verb == "chord") {
    std::istringstream names(rest);
    std::string name;
    while (names >> name) {
      Key key;
      if (!ParseKeyName(name, key)) BadLine(origin, number, "unknown key \"" + name + "\"");
      event.keys.push_back(key);
    }
    if (event.keys.empty() || (verb == "key" && event.keys.size() != 1))
      BadLine(origin, number, "\"" + verb + "\" needs " + (verb == "key" ? "one key" : "keys"));
    event.kind = verb == "key" ? Kind::Keys : Kind::Chord;
  } else if (verb == "wait") {
    if (!ParseNumber(rest, event.waitMs)) BadLine(origin, number, "\"wait\" needs milliseconds");
    event.kind = Kind::Wait;
  } else if (verb == "close" && rest.empty()) {
    event.kind = Kind::Close;
  } else {
    BadLine(origin, number, "unknown event \"" + line + "\"");
  }
  return event;
}

void PostKey(const Key& key, bool down) {
  WindowHandle target = FocusWindow();
  unsigned id = key.system ? (down ? MsgSysKeyDown : MsgSysKeyUp) : (down ? MsgKeyDown : MsgKeyUp);
  PostKeyMessage(target, id, key.vk, key.modifiers);
  if (down && key.character >= 0)
    PostKeyMessage(target, MsgChar, static_cast<unsigned char>(key.character), key.modifiers);
}

void ArmDelayedEvent();

void Deliver(const Event& event) {
  ++nextEvent;
  switch (event.kind) {
    case Kind::Keys:
      // Each typed character is an event of its own: the next waits for an idle program.
      PostKey(event.keys.front(), true);
      PostKey(event.keys.front(), false);
      if (event.keys.size() > 1) {
        Event rest = event;
        rest.keys.erase(rest.keys.begin());
        rest.delayed = false;
        script.insert(script.begin() + static_cast<long>(nextEvent), rest);
      }
      break;
    case Kind::Chord:
      for (const Key& key : event.keys) PostKey(key, true);
      for (const Key& key : event.keys) PostKey(key, false);
      break;
    case Kind::Wait:
      AdvanceTo(Now() + event.waitMs);
      break;
    case Kind::Close:
      if (FocusWindow() != NoWindow) PostMessage(FocusWindow(), MsgClose);
      else PostQuitMessage(0);
      break;
  }
  ArmDelayedEvent();
}

void ArmDelayedEvent() {
  if (nextEvent >= script.size() || !script[nextEvent].delayed) return;
  std::size_t index = nextEvent;
  AddTimer(Now() + script[index].delayMs, [index] {
    if (nextEvent == index) Deliver(script[index]);
  });
}

}  // namespace

void LoadKeyScript(const std::string& text, const std::string& origin) {
  script.clear();
  nextEvent = 0;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
    script.push_back(ParseLine(origin, number, line));
  }
  ArmDelayedEvent();
}

bool DeliverNextScriptEvent() {
  if (nextEvent < script.size() && !script[nextEvent].delayed) {
    Deliver(script[nextEvent]);
    return true;
  }
  if (nextEvent < script.size()) return FireNextTimer();
  // Used up while the program waits for a key: close the window, then quit, then give up.
  ++endOfScriptWaits;
  if (endOfScriptWaits == 1 && FocusWindow() != NoWindow) {
    PostMessage(FocusWindow(), MsgClose);
  } else if (endOfScriptWaits <= 2) {
    PostQuitMessage(0);
  } else {
    ReportFatal("key script used up and the program still waits for a key");
    ExitProgram(3);
  }
  return true;
}

}  // namespace platform::headless
