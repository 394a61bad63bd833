// What the sdl and tty backends share: real time, the posting of host keys, the SDL audio
// subsystem and the simple sound. Only platform/ includes this.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/backend_internal.h"

namespace platform {

// The backends; nullptr when the host can't give one (no display, no terminal).
const BackendOps* StartSdlBackend();
const BackendOps* StartTtyBackend();

std::uint64_t HostMilliseconds();  // since the program started
DateTime HostNow();                // local time
void HostSleep(unsigned milliseconds);

// Posts a key-down (with its character, if it gives one) or a key-up to window. Alt with a
// key other than a letter or digit, and F10, go as system keys, as the host keyboard does.
// character is -1 for none.
void PostHostKey(WindowHandle window, unsigned virtualKey, unsigned modifiers, bool down,
                 int character);
// The character a key-down makes by itself: Enter 13, Backspace 8, Tab 9, Escape 27 and
// Ctrl+letter 1-26; -1 for keys whose character comes as text, and for Alt combinations.
int KeyDownCharacter(unsigned virtualKey, unsigned modifiers);

// True when sound goes to SDL audio: ORALIS_AUDIO is not null and the subsystem started. The
// first failure writes one line on standard error; from then on sound only keeps time.
bool SdlAudioReady();
void SdlAudioFailed(const std::string& why);

void HostPlayLoop(const std::vector<std::uint8_t>& waveImage, int frequency);
void HostStopSounds();
void HostBeep();

}  // namespace platform
