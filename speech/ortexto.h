// Text speaking: free text read aloud by the external engine, or cut into runs of numbers,
// words and other characters for the recordings and the internal synthesizer. Also the
// telephone tones and opening documents, which the line editor offers.
#pragma once
#include <string>

void SpeakText(const std::string& text);
// The sound and pause of the punctuation mark at the start of rest.
void SpeakPunctuation(const std::string& rest);
// Pauses in steps of 50 ms while no key is waiting.
void PauseUnlessKey(int milliseconds);
// a-z and the codes 224-255 to capitals.
std::string UpperText(const std::string& text);
void PlayDtmfDigits(const std::string& text);
// A document, a program or a web address, through the shell (at most 255 characters).
void OpenDocument(const std::string& target);

bool IsWordChar(unsigned char c);
bool IsLetterChar(unsigned char c);
