// Host keys to key messages, the same way for the window and the terminal.
#include "platform/host.h"
#include "platform/keyboard.h"

namespace platform {

namespace {

bool LetterKey(unsigned vk) { return vk >= VkA && vk <= VkA + 25; }
bool DigitKey(unsigned vk) { return vk >= Vk0 && vk <= Vk0 + 9; }

bool SystemKey(unsigned vk, unsigned modifiers) {
  bool alt = modifiers & ModAlt, ctrl = modifiers & ModCtrl;
  return (alt && !ctrl && !LetterKey(vk) && !DigitKey(vk)) || (vk == VkF1 + 9 && !ctrl);
}

}  // namespace

int KeyDownCharacter(unsigned vk, unsigned modifiers) {
  if (modifiers & ModAlt) return -1;
  if (vk == VkReturn || vk == VkBack || vk == VkTab || vk == VkEscape) return static_cast<int>(vk);
  if ((modifiers & ModCtrl) && LetterKey(vk)) return static_cast<int>(vk - VkA + 1);
  return -1;
}

void PostHostKey(WindowHandle window, unsigned vk, unsigned modifiers, bool down, int character) {
  bool system = SystemKey(vk, modifiers);
  unsigned id = system ? (down ? MsgSysKeyDown : MsgSysKeyUp) : (down ? MsgKeyDown : MsgKeyUp);
  PostKeyMessage(window, id, vk, modifiers);
  if (down && !system && character >= 0)
    PostKeyMessage(window, MsgChar, static_cast<unsigned char>(character), modifiers);
}

}  // namespace platform
