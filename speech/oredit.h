// The speaking line editor: a one-line field that speaks what the cursor reaches, what is
// deleted and, on request, words, numbers, the whole text, the time and the date; Shift with
// the cursor keys selects, and the selection or the whole text can be copied and pasted.
#pragma once
#include <cstdint>
#include <string>

// Shared by every field: while on, each inserted character is spoken. On at start-up.
extern bool TypingEcho;

// Edits text in place in a field starting at the 1-based column and row, maxLength positions
// (at most 2048) seen through width columns. Returns the key byte that ended editing (Enter 13,
// Escape 27, Tab 9, Ctrl+Enter 10, or the code of an extended key that ends it). The text comes
// back without trailing blanks. A field that isn't editable can be reviewed, copied and read.
std::uint8_t EditField(std::string& text, int column, int row, int maxLength, int width,
                       bool editable);

// A plain line of input at the cursor (255 bytes at most); Escape blanks the field and gives an
// empty text. A line end is written afterwards in every case.
void ReadLine(std::string& text);

// One key with spoken echo. key gets the typed byte, or 0 for an extended key; second gets the
// extended key's code, or 32 for a typed byte. F8 speaks the time and waits for another key.
void ReadChoiceKey(std::uint8_t& key, std::uint8_t& second);
