#include "platform/window.h"

#include <algorithm>
#include <map>

#include "platform/backend_internal.h"
#include "platform/keyboard.h"

namespace platform {

namespace {

constexpr int FrameSize = 4;       // pixels of the sizing border
constexpr int CaptionSize = 20;    // pixels of the title bar

struct Window {
  std::string className;
  std::string title;
  WindowProc procedure = nullptr;
  Rgb background;
  Rect outer;
  int clientWidth = 0, clientHeight = 0;
  std::vector<std::uint32_t> pixels;
  Rect invalid;
  bool erase = false;
  bool painting = false;
};

std::map<std::string, WindowClass> classes;
std::map<WindowHandle, Window> windows;
WindowHandle nextHandle = 1;
WindowHandle focused = NoWindow;

std::map<FontHandle, FontRequest> fonts;
FontHandle nextFont = 1;

std::map<Snapshot, std::pair<int, std::vector<std::uint32_t>>> snapshots;  // width, pixels
Snapshot nextSnapshot = 1;

Rect screen{0, 0, 1024, 768};
Rect workArea{0, 0, 1024, 734};

struct Caret {
  WindowHandle window = NoWindow;
  int x = 0, y = 0, width = 0, height = 0;
  bool shown = false;
} caret;

Window* Find(WindowHandle handle) {
  auto it = windows.find(handle);
  return it == windows.end() ? nullptr : &it->second;
}

std::uint32_t Pack(Rgb c) { return (c.red << 16) | (c.green << 8) | c.blue; }

Rect Clip(const Window& w, Rect r) {
  r.left = std::max(r.left, 0);
  r.top = std::max(r.top, 0);
  r.right = std::min(r.right, w.clientWidth);
  r.bottom = std::min(r.bottom, w.clientHeight);
  return r;
}

Rect Union(const Rect& a, const Rect& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

void Fill(Window& w, const Rect& area, std::uint32_t colour) {
  Rect r = Clip(w, area);
  for (int y = r.top; y < r.bottom; ++y)
    std::fill_n(w.pixels.begin() + y * w.clientWidth + r.left, std::max(0, r.Width()), colour);
}

void Resize(WindowHandle handle, Window& w, int width, int height) {
  w.outer.right = w.outer.left + width;
  w.outer.bottom = w.outer.top + height;
  w.clientWidth = std::max(0, width - 2 * FrameSize);
  w.clientHeight = std::max(0, height - 2 * FrameSize - CaptionSize);
  w.pixels.assign(static_cast<std::size_t>(w.clientWidth) * w.clientHeight, Pack(w.background));
  InvalidateRect(handle, nullptr, true);
}

}  // namespace

bool TakePaintMessage(WindowHandle filter, Message& message, bool remove) {
  (void)remove;  // a paint stays pending until the window is validated
  for (auto& [handle, w] : windows) {
    if (filter != NoWindow && filter != handle) continue;
    if (w.invalid.Empty() || w.painting) continue;
    message = Message{handle, MsgPaint, 0, 0, 0};
    return true;
  }
  return false;
}

void RegisterWindowClass(const WindowClass& windowClass) { classes[windowClass.name] = windowClass; }

WindowHandle CreateWindow(const std::string& className, const std::string& title, int width,
                          int height) {
  auto c = classes.find(className);
  if (c == classes.end()) return NoWindow;
  WindowHandle handle = nextHandle++;
  Window& w = windows[handle];
  w.className = className;
  w.title = title;
  w.procedure = c->second.procedure;
  w.background = c->second.background;
  w.outer = {0, 0, 0, 0};
  Resize(handle, w, width, height);
  Ops().windowCreated(handle, title, width, height);
  SendMessage(handle, MsgCreate);
  return handle;
}

void DestroyWindow(WindowHandle handle) {
  if (!Find(handle)) return;
  SendMessage(handle, MsgDestroy);
  if (caret.window == handle) DestroyCaret();
  Ops().windowDestroyed(handle);
  windows.erase(handle);
  if (focused == handle) focused = NoWindow;
}

bool IsWindow(WindowHandle handle) { return Find(handle) != nullptr; }

void ShowWindow(WindowHandle handle, ShowMode mode) {
  Window* w = Find(handle);
  if (!w) return;
  if (mode == ShowMode::Maximised) {
    MinMaxInfo limits;
    limits.maxWidth = limits.maxTrackWidth = screen.Width();
    limits.maxHeight = limits.maxTrackHeight = workArea.Height();
    SendMessage(handle, MsgGetMinMaxInfo, 0, reinterpret_cast<std::intptr_t>(&limits));
    w = Find(handle);
    w->outer.left = w->outer.top = 0;
    Resize(handle, *w, std::min(limits.maxWidth, limits.maxTrackWidth),
           std::min(limits.maxHeight, limits.maxTrackHeight));
  }
  if (focused != handle) {
    WindowHandle previous = focused;
    focused = handle;
    if (previous != NoWindow) SendMessage(previous, MsgKillFocus);
    SendMessage(handle, MsgSetFocus);
  }
}

void SetWindowTitle(WindowHandle handle, const std::string& title) {
  if (Window* w = Find(handle)) w->title = title;
}

std::string WindowTitle(WindowHandle handle) {
  Window* w = Find(handle);
  return w ? w->title : std::string();
}

void SetWindowProcedure(WindowHandle handle, WindowProc procedure) {
  if (Window* w = Find(handle)) w->procedure = procedure;
}

std::intptr_t SendMessage(WindowHandle handle, unsigned id, std::uintptr_t wparam,
                          std::intptr_t lparam) {
  Window* w = Find(handle);
  if (!w) return 0;
  if (w->procedure) return w->procedure(handle, id, wparam, lparam);
  return DefaultWindowProc(handle, id, wparam, lparam);
}

std::intptr_t DefaultWindowProc(WindowHandle handle, unsigned id, std::uintptr_t wparam,
                                std::intptr_t) {
  switch (id) {
    case MsgClose:
      DestroyWindow(handle);
      return 0;
    case MsgPaint:
      BeginPaint(handle);
      EndPaint(handle);
      return 0;
    case MsgSysKeyDown:
      if (wparam == VkF1 + 3 && (CurrentModifiers() & ModAlt)) PostMessage(handle, MsgClose);
      return 0;
    default:
      return 0;
  }
}

WindowHandle ActiveWindow() { return focused; }
WindowHandle FocusWindow() { return focused; }

Rect WindowRect(WindowHandle handle) {
  Window* w = Find(handle);
  return w ? w->outer : Rect{};
}

Rect ClientRect(WindowHandle handle) {
  Window* w = Find(handle);
  return w ? Rect{0, 0, w->clientWidth, w->clientHeight} : Rect{};
}

void InvalidateRect(WindowHandle handle, const Rect* rect, bool erase) {
  Window* w = Find(handle);
  if (!w) return;
  Rect whole{0, 0, w->clientWidth, w->clientHeight};
  Rect r = Clip(*w, rect ? *rect : whole);
  if (r.Empty()) return;
  w->invalid = Union(w->invalid, r);
  w->erase = w->erase || erase;
}

void UpdateWindow(WindowHandle handle) {
  Window* w = Find(handle);
  if (w && !w->invalid.Empty() && !w->painting) SendMessage(handle, MsgPaint);
}

Rect BeginPaint(WindowHandle handle) {
  Window* w = Find(handle);
  if (!w) return {};
  Rect r = w->invalid;
  w->invalid = {};
  w->painting = true;
  if (w->erase) Fill(*w, r, Pack(w->background));
  w->erase = false;
  return r;
}

void EndPaint(WindowHandle handle) {
  if (Window* w = Find(handle)) {
    w->painting = false;
    Ops().present(handle, {0, 0, w->clientWidth, w->clientHeight});
  }
}

FontHandle CreateFont(const FontRequest& request) {
  if (request.height <= 0) return 0;
  fonts[nextFont] = request;
  return nextFont++;
}

void DeleteFont(FontHandle font) { fonts.erase(font); }

namespace {
const FontRequest& FontOf(FontHandle font) {
  static const FontRequest systemFont{16, 8, 0, "fixed"};
  auto it = fonts.find(font);
  return it == fonts.end() ? systemFont : it->second;
}
}  // namespace

FontMetrics MeasureFont(FontHandle font) { return Ops().fontMetrics(FontOf(font)); }

void DrawText(WindowHandle handle, FontHandle font, int x, int y, const std::string& bytes,
              Rgb foreground, Rgb background) {
  Window* w = Find(handle);
  if (!w || bytes.empty()) return;
  const FontRequest& f = FontOf(font);
  Ops().drawGlyphs(w->pixels.data(), w->clientWidth, w->clientHeight, f, x, y, bytes, foreground,
                   background);
  FontMetrics m = Ops().fontMetrics(f);
  Ops().present(handle, {x, y, x + m.averageWidth * static_cast<int>(bytes.size()), y + m.height});
}

void FillRect(WindowHandle handle, const Rect& rect, Rgb colour) {
  Window* w = Find(handle);
  if (!w) return;
  Fill(*w, rect, Pack(colour));
  Ops().present(handle, rect);
}

void CopyPixels(WindowHandle handle, const Rect& source, int destX, int destY) {
  Window* w = Find(handle);
  if (!w) return;
  Rect s = Clip(*w, source);
  if (s.Empty()) return;
  std::vector<std::uint32_t> copy(w->pixels);
  for (int y = s.top; y < s.bottom; ++y) {
    int ty = destY + (y - source.top);
    if (ty < 0 || ty >= w->clientHeight) continue;
    for (int x = s.left; x < s.right; ++x) {
      int tx = destX + (x - source.left);
      if (tx >= 0 && tx < w->clientWidth)
        w->pixels[ty * w->clientWidth + tx] = copy[y * w->clientWidth + x];
    }
  }
  Ops().present(handle, {0, 0, w->clientWidth, w->clientHeight});
}

Snapshot TakeSnapshot(WindowHandle handle, int width, int height) {
  Window* w = Find(handle);
  if (!w || width <= 0 || height <= 0) return 0;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0);
  for (int y = 0; y < std::min(height, w->clientHeight); ++y)
    for (int x = 0; x < std::min(width, w->clientWidth); ++x)
      pixels[y * width + x] = w->pixels[y * w->clientWidth + x];
  snapshots[nextSnapshot] = {width, std::move(pixels)};
  return nextSnapshot++;
}

void StretchSnapshot(WindowHandle handle, Snapshot snapshot, const Rect& source, const Rect& dest) {
  Window* w = Find(handle);
  auto it = snapshots.find(snapshot);
  if (!w || it == snapshots.end() || source.Empty() || dest.Empty()) return;
  const auto& [width, pixels] = it->second;
  int height = static_cast<int>(pixels.size()) / width;
  Rect d = Clip(*w, dest);
  for (int y = d.top; y < d.bottom; ++y) {
    int sy = source.top + (y - dest.top) * source.Height() / dest.Height();
    for (int x = d.left; x < d.right; ++x) {
      int sx = source.left + (x - dest.left) * source.Width() / dest.Width();
      bool inside = sx >= 0 && sy >= 0 && sx < width && sy < height;
      w->pixels[y * w->clientWidth + x] = inside ? pixels[sy * width + sx] : 0;
    }
  }
  Ops().present(handle, d);
}

void FreeSnapshot(Snapshot snapshot) { snapshots.erase(snapshot); }

std::uint32_t PixelAt(WindowHandle handle, int x, int y) {
  Window* w = Find(handle);
  if (!w || x < 0 || y < 0 || x >= w->clientWidth || y >= w->clientHeight) return 0;
  return w->pixels[y * w->clientWidth + x];
}

const std::vector<std::uint32_t>& Framebuffer(WindowHandle handle, int& width, int& height) {
  static const std::vector<std::uint32_t> none;
  Window* w = Find(handle);
  width = w ? w->clientWidth : 0;
  height = w ? w->clientHeight : 0;
  return w ? w->pixels : none;
}

void CreateCaret(WindowHandle handle, int width, int height) {
  caret = Caret{handle, caret.x, caret.y, width, height, false};
}

void SetCaretPosition(int x, int y) {
  caret.x = x;
  caret.y = y;
}

void ShowCaret(WindowHandle handle) {
  if (caret.window == handle) caret.shown = true;
}

void DestroyCaret() { caret = Caret{}; }

bool CaretShown(int& x, int& y) {
  x = caret.x;
  y = caret.y;
  return caret.shown;
}

int SystemMetric(Metric metric) {
  switch (metric) {
    case Metric::FrameWidth:
    case Metric::FrameHeight:
      return FrameSize;
    case Metric::CaptionHeight:
      return CaptionSize;
    case Metric::ScreenWidth:
      return screen.Width();
    case Metric::ScreenHeight:
      return screen.Height();
  }
  return 0;
}

Rect DesktopWorkArea() { return workArea; }

void SetDesktopSize(int screenWidth, int screenHeight, int workWidth, int workHeight) {
  screen = {0, 0, screenWidth, screenHeight};
  workArea = {0, 0, workWidth, workHeight};
}

}  // namespace platform
