// The services that only forward to the backend in use.
#include "platform/backend_internal.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/sound.h"

namespace platform {

namespace {
bool clipboardBusy = false;
}

std::uint64_t Milliseconds() { return Ops().milliseconds(); }
DateTime Now() { return Ops().now(); }
void Sleep(unsigned milliseconds) { Ops().sleep(milliseconds); }

void PlayLoopingSound(const std::vector<std::uint8_t>& waveImage, int frequency) {
  Ops().playLoop(waveImage, frequency);
}
void StopSounds() { Ops().stopSounds(); }
void Beep() { Ops().beep(); }

bool SetClipboardText(const std::string& text) { return !clipboardBusy && Ops().setClipboard(text); }
std::optional<std::string> GetClipboardText() {
  if (clipboardBusy) return std::nullopt;
  return Ops().getClipboard();
}
void SetClipboardBusy(bool busy) { clipboardBusy = busy; }

void ShowMessageBox(const std::string& text, const std::string& caption) {
  Ops().messageBox(text, caption);
}

}  // namespace platform
