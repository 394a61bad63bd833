// Virtual key numbers carried by key-down and key-up messages.
#pragma once

namespace platform {

enum : unsigned {
  VkCancel = 0x03,  // Ctrl+Break
  VkBack = 0x08,
  VkTab = 0x09,
  VkReturn = 0x0D,
  VkShift = 0x10,
  VkControl = 0x11,
  VkMenu = 0x12,  // Alt
  VkEscape = 0x1B,
  VkSpace = 0x20,
  VkPrior = 0x21,  // Page Up
  VkNext = 0x22,   // Page Down
  VkEnd = 0x23,
  VkHome = 0x24,
  VkLeft = 0x25,
  VkUp = 0x26,
  VkRight = 0x27,
  VkDown = 0x28,
  VkInsert = 0x2D,
  VkDelete = 0x2E,
  Vk0 = 0x30,  // '0'..'9' are 0x30..0x39, 'A'..'Z' are 0x41..0x5A
  VkA = 0x41,
  VkF1 = 0x70,  // F1..F12 are 0x70..0x7B
  VkF12 = 0x7B,
};

}  // namespace platform
