// The console: one window that behaves like an 80 x 25 colour text screen, its keyboard queue,
// the waits every module uses to stay responsive, and a few small services (clipboard, tone,
// date and time).
//
// Columns and rows are 1-based (column 1-80, row 1-25). Texts are bytes in the Windows code
// page 1252. The window is created lazily, at the first output, input or query (EnsureConsole).
//
// Standard streams: std::cout and std::cin are attached to the console when the module starts
// (a static initialiser of OrCrt.cpp swaps their stream buffers; nothing else happens before
// the first use, so the order of start-up across modules doesn't matter). std::cout is unit
// buffered: every << statement hands its bytes (128 at a time) to WriteBytes and then calls
// KeyWaiting. std::cin fills its 128-byte buffer through ReadEchoLine; the line's CR LF is
// handed to the stream as a single '\n', so std::getline(std::cin, s) gives the typed line
// without CR and LF.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/window.h"

// ---- Window and screen ----

struct ScreenDimensions {
  int columns;
  int rows;
};
inline constexpr ScreenDimensions ScreenSize{80, 25};

// Creates the window on first use: reads the settings of sections "VIDEO" and "BRAILLE" of
// ORALIS.INI, shows the window and applies the Braille mode.
void EnsureConsole();

// Colour 0-15; nothing happens while the colours are locked ("CORESFIXAS").
void SetForeground(int colour);
void SetBackground(int colour);

// What is stored on the screen at a 1-based position (column 1-80, row 1-25).
char ScreenCharAt(int column, int row);
std::uint8_t ScreenAttrAt(int column, int row);

// Ends the program normally with the current exit code (0); never returns.
[[noreturn]] void CloseConsole();

// The console window (platform::NoWindow until EnsureConsole has created it).
platform::WindowHandle ConsoleWindow();

// The attribute of everything written from now on: low four bits the foreground colour index,
// high four bits the background. Callers save it and restore it by assigning the saved byte.
std::uint8_t& TextAttribute();

// The colour a colour index 0-15 is drawn in (colour map, then the fixed 16-colour palette;
// a map value above 15 is black).
platform::Rgb ConsoleColour(int index);

// Finished wave-output blocks: while `on`, the window hands every MsgWaveDone to `routine`
// (window, the message's wparam = the device, lparam = the block's header) and counts it as
// handled; while off, the message gets the default handling.
using WaveDoneRoutine = void (*)(platform::WindowHandle window, std::uintptr_t device,
                                 std::intptr_t header);
struct WaveDoneHookState {
  bool on = false;
  WaveDoneRoutine routine = nullptr;
};
WaveDoneHookState& WaveDoneHook();

// The settings as read from ORALIS.INI by EnsureConsole.
struct VideoSettings {
  std::array<std::uint8_t, 16> colourMap{};  // colour index -> palette entry
  bool coloursLocked = false;                // "CORESFIXAS"
  bool scrollByCopy = false;                 // "LENTO"
  bool startMaximised = false;               // "CANTOTELA"
  std::uint8_t textAttribute = 0x07;         // "CORFUNDO" * 16 + "CORLETRA"
  int brailleMode = 0;                       // section "BRAILLE", "MODO"
  int magnifyFactor = 2;                     // "AMPLIF", 1-7
  std::string fontFace;                      // "FONTE"
  int fontWidth = 0, fontHeight = 0;         // pixels, "LARGURALETRA" / "ALTURALETRA"
};
// Reads them now (the work area decides the default font size).
VideoSettings ReadVideoSettings();
// The settings in use (the defaults before the window exists).
const VideoSettings& CurrentVideoSettings();

// Mouse messages (MsgMouseMove, MsgRButtonDown, MsgRButtonUp) carry the client position in
// lparam: x in the low 16 bits, y in the next 16 (signed).
inline std::intptr_t MousePosition(int x, int y) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                    static_cast<std::uint32_t>(x & 0xFFFF));
}

// ---- Text output and input ----

// Draws bytes at the cursor: 7 beeps, 8 moves left and blanks, 10 starts a new line, 13 goes
// to column 1, 32-255 are stored and drawn; other bytes (tab included) are ignored.
void WriteBytes(const char* bytes, std::size_t count);
inline void WriteBytes(const std::string& text) { WriteBytes(text.data(), text.size()); }

// Reads one line with echo into buffer: at most size - 2 typed bytes, then CR LF. Returns the
// count of bytes stored, CR LF included.
std::size_t ReadEchoLine(char* buffer, std::size_t size);

// Each coordinate clamped into 1-80 and 1-25.
void MoveCursor(int column, int row);
// 81 right after a character was written into column 80.
int CursorColumn();
int CursorRow();
// Blanks from the cursor to column 80 in the current TextAttribute; the cursor stays.
void ClearToLineEnd();

// ---- Keys and waiting ----

// True when a key code is queued; creates the console and processes pending messages first.
bool KeyWaiting();
// The next byte of the key queue, waiting (with the caret shown) for one if needed. Extended
// keys come as 0 then a code.
std::uint8_t ReadKeyCode();
// Processes every pending message of the thread without waiting.
void PumpMessages();
// Sleeps the whole interval without processing messages, then processes pending messages.
void PauseMs(std::uint16_t milliseconds);

// ---- Small services ----

// Places the text (up to its first zero byte) on the clipboard; does nothing when busy.
void CopyToClipboard(const std::string& text);
// Copies the clipboard's text into buffer, zero-terminated, at most size - 1 bytes. Size 0 or a
// busy clipboard leave the buffer unchanged; no text on the clipboard gives an empty text.
void PasteFromClipboard(char* buffer, std::size_t size);

// 0 off, 1 plain chords, 2 chords with number and capital signs (above 2 becomes 1); sounds
// the mode's tones.
void SetBrailleMode(int mode);
int BrailleMode();

// A looping square wave of frequency 1-11025 Hz, through the simple sound service.
void PlayTone(int frequency);
void StopTone();
// The looping tone's wave image: 44-byte header, then 8-bit mono samples at 11,025 per second.
std::vector<std::uint8_t> MakeToneBuffer(int frequency);

// Weekday 0 is Sunday; hundredths are the milliseconds divided by 10.
void GetDateParts(std::uint16_t& year, std::uint16_t& month, std::uint16_t& day,
                  std::uint16_t& weekday);
void GetTimeParts(std::uint16_t& hour, std::uint16_t& minute, std::uint16_t& second,
                  std::uint16_t& hundredths);
