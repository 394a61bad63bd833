#include "engines/orengine.h"

#include "console/OrCrt.h"
#include "engines/ORSAPI54.h"
#include "engines/orSapi5.h"
#include "engines/orsapi4.h"
#include "platform/trace.h"

int SpeechEngineType = 4;

namespace {

// The drivers of this build, by the type that selects them; 4 stands for every other type.
const EngineDriver sapi4{Sapi4Start, Sapi4Close, Sapi4Speak, Sapi4Busy, Sapi4Stop};
const EngineDriver sapi5{Sapi5Start, Sapi5Close, Sapi5Speak, Sapi5Busy, Sapi5Stop};
const EngineDriver sapi54{Sapi54Start, Sapi54Close, Sapi54Speak, Sapi54Busy, Sapi54Stop};
const EngineDriver* tesselDriver = nullptr;
const EngineDriver* sapi4Driver = &sapi4;
const EngineDriver* sapi5Driver = &sapi5;
const EngineDriver* sapi54Driver = &sapi54;

const EngineDriver*& Slot(int type) {
  switch (type) {
    case 3: return tesselDriver;
    case 5: return sapi5Driver;
    case 54: return sapi54Driver;
    default: return sapi4Driver;
  }
}

const EngineDriver* Current() { return Slot(SpeechEngineType); }

}  // namespace

const EngineDriver* EngineDriverFor(int type) { return Slot(type); }

void SetEngineDriver(int type, const EngineDriver* driver) { Slot(type) = driver; }

bool EngineStart(int voice, int speed, int pitch, int type) {
  SpeechEngineType = type;
  const EngineDriver* driver = Current();
  bool ready = driver && driver->start(voice, speed, pitch);
  platform::Trace("engine-start " + std::to_string(type) + (ready ? " ok" : " fail"));
  // Return only once the fresh engine has nothing queued.
  while (ready && EngineBusy(true)) PauseMs(50);
  return ready;
}

void EngineClose() {
  if (const EngineDriver* driver = Current()) driver->close();
}

void EngineSpeak(const std::string& text) {
  platform::Trace("engine-speak", text);
  if (const EngineDriver* driver = Current()) driver->speak(text);
}

bool EngineBusy(bool queueOnly) {
  PumpMessages();
  const EngineDriver* driver = Current();
  return driver && driver->busy(queueOnly);
}

void EngineStop() {
  platform::Trace("engine-stop");
  if (const EngineDriver* driver = Current()) driver->stop();
}
