// What the two halves of the console module (OrCrt.cpp: window and screen; OrCrtKeys.cpp: keys,
// Braille, waits and small services) give each other. Not for other modules.
#pragma once
#include <cstdint>

namespace orcrt_internal {

// OrCrt.cpp: the caret around a key wait, and the ends of the program.
void BeginKeyWait();
void EndKeyWait();
[[noreturn]] void EndProgramAbruptly();  // exit code 255, caret destroyed first

// OrCrtKeys.cpp: keyboard messages of the console window.
void TranslateKeyDown(unsigned virtualKey);
void EnterCharacter(unsigned character);
// True when the release was taken by the Braille chord entry (only with a Braille mode on).
bool BrailleKeyUp(unsigned virtualKey);
void DiscardKeys();

}  // namespace orcrt_internal
