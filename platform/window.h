// Windows, painting and drawing over a pixel surface: the vocabulary a text screen needs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/messages.h"

namespace platform {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
};

struct Rgb {
  std::uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const Rgb&) const = default;
};

struct WindowClass {
  std::string name;
  WindowProc procedure = nullptr;
  Rgb background;  // erases the client area
};

enum class ShowMode { Normal, Maximised };

void RegisterWindowClass(const WindowClass& windowClass);

// Sends MsgCreate to the procedure before returning; width and height are the outer size.
WindowHandle CreateWindow(const std::string& className, const std::string& title, int width,
                          int height);
// Sends MsgDestroy to the procedure, then forgets the window.
void DestroyWindow(WindowHandle window);
bool IsWindow(WindowHandle window);
void ShowWindow(WindowHandle window, ShowMode mode);
void SetWindowTitle(WindowHandle window, const std::string& title);
std::string WindowTitle(WindowHandle window);
// Replaces the procedure; nullptr leaves the window with only the default handling.
void SetWindowProcedure(WindowHandle window, WindowProc procedure);
std::intptr_t DefaultWindowProc(WindowHandle window, unsigned id, std::uintptr_t wparam,
                                std::intptr_t lparam);
WindowHandle ActiveWindow();
WindowHandle FocusWindow();
Rect WindowRect(WindowHandle window);  // outer rectangle in screen pixels
Rect ClientRect(WindowHandle window);  // (0, 0, width, height) of the client area

// Paint requests: an invalid rectangle grows until a paint is served.
void InvalidateRect(WindowHandle window, const Rect* rect, bool erase);
void UpdateWindow(WindowHandle window);  // serves a pending paint at once
// Inside MsgPaint: the rectangle to paint; erases it with the class background when asked.
Rect BeginPaint(WindowHandle window);
void EndPaint(WindowHandle window);

// Fonts: the host matches the face name; metrics always come from the font opened.
using FontHandle = int;
struct FontRequest {
  int height = 0;  // pixels
  int width = 0;   // pixels, 0 for the face's natural width
  int weight = 0;
  std::string face;
};
struct FontMetrics {
  int averageWidth = 0, height = 0, externalLeading = 0, ascent = 0, overhang = 0;
};
FontHandle CreateFont(const FontRequest& request);  // 0 when no font can be made
void DeleteFont(FontHandle font);
FontMetrics MeasureFont(FontHandle font);  // font 0 measures the fixed system font

// Drawing on the client area; pixel coordinates of the client area.
void DrawText(WindowHandle window, FontHandle font, int x, int y, const std::string& bytes,
              Rgb foreground, Rgb background);
void FillRect(WindowHandle window, const Rect& rect, Rgb colour);
void CopyPixels(WindowHandle window, const Rect& source, int destX, int destY);
// A snapshot of the client area, and a stretched copy of part of it over the client area.
using Snapshot = int;
Snapshot TakeSnapshot(WindowHandle window, int width, int height);
void StretchSnapshot(WindowHandle window, Snapshot snapshot, const Rect& source, const Rect& dest);
void FreeSnapshot(Snapshot snapshot);
std::uint32_t PixelAt(WindowHandle window, int x, int y);  // 0xRRGGBB, for tests and dumps

// The caret: one per program.
void CreateCaret(WindowHandle window, int width, int height);
void SetCaretPosition(int x, int y);
void ShowCaret(WindowHandle window);
void DestroyCaret();
bool CaretShown(int& x, int& y);  // where the caret is drawn, when shown

// MsgGetMinMaxInfo carries a pointer to this record in lparam; the procedure fills it in.
struct MinMaxInfo {
  int maxWidth = 0, maxHeight = 0;
  int minTrackWidth = 0, minTrackHeight = 0;
  int maxTrackWidth = 0, maxTrackHeight = 0;
};

enum class Metric { FrameWidth, FrameHeight, CaptionHeight, ScreenWidth, ScreenHeight };
int SystemMetric(Metric metric);
Rect DesktopWorkArea();
// Headless: the screen and work area the font-size rules see (default 1024 x 768, work area
// 1024 x 734).
void SetDesktopSize(int screenWidth, int screenHeight, int workWidth, int workHeight);

}  // namespace platform
