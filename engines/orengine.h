// Engine selection: the type number of the external speech engine and the five operations,
// routed to the driver of the current type.
#pragma once
#include <string>

// 3 the Portuguese text-to-speech engine, 5 and 54 the newer system voices, anything else the
// older system voices (4 by default).
extern int SpeechEngineType;

bool EngineStart(int voice, int speed, int pitch, int type);
void EngineClose();
void EngineSpeak(const std::string& text);
bool EngineBusy(bool queueOnly);
void EngineStop();

// What each driver provides; its start takes no type.
struct EngineDriver {
  bool (*start)(int voice, int speed, int pitch);
  void (*close)();
  void (*speak)(const std::string& text);
  bool (*busy)(bool queueOnly);
  void (*stop)();
};

// The driver that serves a type (3, 5, 54, or any other for the older voices); nullptr when
// that driver is not part of this build, whose start then fails.
const EngineDriver* EngineDriverFor(int type);
// Replaces the driver of a type (tests).
void SetEngineDriver(int type, const EngineDriver* driver);
