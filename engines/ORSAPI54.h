// The system voices of engine type 54: the type-5 driver over the newer voice class, with
// state of its own.
#pragma once
#include <string>

bool Sapi54Start(int voice, int speed, int pitch);
void Sapi54Close();
void Sapi54Speak(const std::string& text);
bool Sapi54Busy(bool queueOnly);
void Sapi54Stop();
