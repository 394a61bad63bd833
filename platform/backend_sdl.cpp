// The sdl backend: one SDL window per platform window, showing its framebuffer as a texture;
// fonts found through fontconfig and drawn with SDL2_ttf; host keys, mouse and focus posted
// as messages; the host clipboard in UTF-8.
#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "platform/backend.h"
#include "platform/codepage.h"
#include "platform/host.h"
#include "platform/keyboard.h"
#include "platform/trace.h"

namespace platform {

namespace {

struct HostWindow {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  int width = 0, height = 0;  // of the texture: the framebuffer's size when last shown
  Rect dirty;
  SDL_Rect caret{0, 0, 0, 0};  // where the caret was drawn last
  std::string title;
};

std::map<WindowHandle, HostWindow> windows;
Uint32 wakeEvent = 0;  // an SDL event type of our own: another thread posted a message
unsigned lastKeyModifiers = 0;
int caretWidth = 8;  // one cell of the font drawn last; the caret is a cell wide and 2 high

// ---- fonts ----

struct Font {
  TTF_Font* font = nullptr;
  FontMetrics metrics;
  std::map<unsigned char, std::vector<std::uint8_t>> glyphs;  // coverage, cell sized
};
std::map<std::string, Font> fonts;

std::string FontFile(const std::string& face, int weight) {
  std::string pattern = face + ":spacing=mono" + (weight >= 600 ? ":weight=bold" : "");
  FcPattern* asked = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()));
  if (!asked) return "";
  FcConfigSubstitute(nullptr, asked, FcMatchPattern);
  FcDefaultSubstitute(asked);
  FcResult result;
  FcPattern* found = FcFontMatch(nullptr, asked, &result);
  std::string file;
  FcChar8* path = nullptr;
  if (found && FcPatternGetString(found, FC_FILE, 0, &path) == FcResultMatch)
    file = reinterpret_cast<const char*>(path);
  if (found) FcPatternDestroy(found);
  FcPatternDestroy(asked);
  return file;
}

int Advance(TTF_Font* font) {
  int advance = 0;
  TTF_GlyphMetrics32(font, 'M', nullptr, nullptr, nullptr, nullptr, &advance);
  return advance;
}

// The largest size whose cell fits the height asked (and the width, when one is asked).
Font OpenFont(const FontRequest& request) {
  Font f;
  std::string file = FontFile(request.face.empty() ? "monospace" : AnsiToUtf8(request.face),
                              request.weight);
  if (file.empty()) file = FontFile("monospace", request.weight);
  f.font = file.empty() ? nullptr : TTF_OpenFont(file.c_str(), request.height);
  if (!f.font) {
    std::fprintf(stderr, "oralis: no font for \"%s\" (%s)\n", request.face.c_str(), TTF_GetError());
    f.metrics = {std::max(1, request.height / 2), request.height, 0, request.height * 4 / 5, 0};
    return f;
  }
  for (int size = request.height; size > 4; --size) {
    TTF_SetFontSize(f.font, size);
    bool fits = TTF_FontHeight(f.font) <= request.height &&
                (request.width <= 0 || Advance(f.font) <= request.width);
    if (fits) break;
  }
  f.metrics.height = TTF_FontHeight(f.font);
  f.metrics.averageWidth = std::max(1, Advance(f.font));
  f.metrics.ascent = TTF_FontAscent(f.font);
  f.metrics.externalLeading = std::max(0, TTF_FontLineSkip(f.font) - TTF_FontHeight(f.font));
  return f;
}

Font& FontFor(const FontRequest& request) {
  std::string key = request.face + "|" + std::to_string(request.height) + "|" +
                    std::to_string(request.width) + "|" + std::to_string(request.weight);
  auto it = fonts.find(key);
  if (it == fonts.end()) it = fonts.emplace(key, OpenFont(request)).first;
  return it->second;
}

FontMetrics Metrics(const FontRequest& request) { return FontFor(request).metrics; }

Uint32 CodePoint(unsigned char c) {
  std::string utf8 = AnsiToUtf8(std::string(1, static_cast<char>(c)));
  const auto* b = reinterpret_cast<const unsigned char*>(utf8.data());
  if (utf8.size() == 1) return b[0];
  if (utf8.size() == 2) return ((b[0] & 0x1Fu) << 6) | (b[1] & 0x3Fu);
  if (utf8.size() == 3) return ((b[0] & 0x0Fu) << 12) | ((b[1] & 0x3Fu) << 6) | (b[2] & 0x3Fu);
  return '?';
}

// The ink of one character as 0-255 per pixel of its cell.
const std::vector<std::uint8_t>& Glyph(Font& f, unsigned char c) {
  auto it = f.glyphs.find(c);
  if (it != f.glyphs.end()) return it->second;
  int w = f.metrics.averageWidth, h = f.metrics.height;
  std::vector<std::uint8_t> ink(static_cast<std::size_t>(w * h), 0);
  Uint32 cp = CodePoint(c);
  if (f.font && cp > ' ' && !(cp >= 0x7F && cp < 0xA0)) {
    if (!TTF_GlyphIsProvided32(f.font, cp)) cp = '?';
    SDL_Surface* s = TTF_RenderGlyph32_Shaded(f.font, cp, {255, 255, 255, 255}, {0, 0, 0, 255});
    if (s && s->format->BytesPerPixel == 1 && s->format->palette) {
      for (int y = 0; y < std::min(h, s->h); ++y)
        for (int x = 0; x < std::min(w, s->w); ++x) {
          Uint8 index = static_cast<Uint8*>(s->pixels)[y * s->pitch + x];
          ink[static_cast<std::size_t>(y * w + x)] = s->format->palette->colors[index].r;
        }
    }
    SDL_FreeSurface(s);
  }
  return f.glyphs.emplace(c, std::move(ink)).first->second;
}

std::uint32_t Mix(Rgb fg, Rgb bg, unsigned ink) {
  auto channel = [ink](unsigned f, unsigned b) { return (f * ink + b * (255 - ink) + 127) / 255; };
  return (channel(fg.red, bg.red) << 16) | (channel(fg.green, bg.green) << 8) |
         channel(fg.blue, bg.blue);
}

void DrawGlyphs(std::uint32_t* pixels, int stride, int height, const FontRequest& request, int x,
                int y, const std::string& bytes, Rgb fg, Rgb bg) {
  Font& f = FontFor(request);
  int w = f.metrics.averageWidth, h = f.metrics.height;
  caretWidth = w;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::vector<std::uint8_t>& ink = Glyph(f, static_cast<unsigned char>(bytes[i]));
    int left = x + static_cast<int>(i) * w;
    for (int py = std::max(0, -y); py < h && y + py < height; ++py)
      for (int px = std::max(0, -left); px < w && left + px < stride; ++px)
        pixels[(y + py) * stride + left + px] = Mix(fg, bg, ink[static_cast<std::size_t>(py * w + px)]);
  }
}

// ---- showing the framebuffer ----

HostWindow* Find(WindowHandle handle) {
  auto it = windows.find(handle);
  return it == windows.end() ? nullptr : &it->second;
}

WindowHandle HandleOf(Uint32 sdlId) {
  for (auto& [handle, w] : windows)
    if (SDL_GetWindowID(w.window) == sdlId) return handle;
  return NoWindow;
}

Rect Union(const Rect& a, const Rect& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

int FrameWidth() { return 2 * SystemMetric(Metric::FrameWidth); }
int FrameHeight() { return 2 * SystemMetric(Metric::FrameHeight) + SystemMetric(Metric::CaptionHeight); }

// The window follows the framebuffer's size, within the limits the procedure gives.
void FollowSize(WindowHandle handle, HostWindow& w, int width, int height) {
  if (w.texture) SDL_DestroyTexture(w.texture);
  w.texture = SDL_CreateTexture(w.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                std::max(1, width), std::max(1, height));
  w.width = width;
  w.height = height;
  MinMaxInfo limits;
  limits.maxWidth = limits.maxTrackWidth = SystemMetric(Metric::ScreenWidth);
  limits.maxHeight = limits.maxTrackHeight = DesktopWorkArea().Height();
  SendMessage(handle, MsgGetMinMaxInfo, 0, reinterpret_cast<std::intptr_t>(&limits));
  if (limits.minTrackWidth > 0 && limits.minTrackHeight > 0)
    SDL_SetWindowMinimumSize(w.window, std::max(1, limits.minTrackWidth - FrameWidth()),
                             std::max(1, limits.minTrackHeight - FrameHeight()));
  SDL_SetWindowMaximumSize(w.window, std::max(1, limits.maxTrackWidth - FrameWidth()),
                           std::max(1, limits.maxTrackHeight - FrameHeight()));
  SDL_SetWindowSize(w.window, std::max(1, width), std::max(1, height));
  w.dirty = {0, 0, width, height};
}

void Upload(HostWindow& w, const std::vector<std::uint32_t>& pixels, Rect r) {
  r = {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, w.width), std::min(r.bottom, w.height)};
  if (r.Empty()) return;
  SDL_Rect area{r.left, r.top, r.Width(), r.Height()};
  SDL_UpdateTexture(w.texture, &area, &pixels[static_cast<std::size_t>(r.top * w.width + r.left)],
                    w.width * 4);
}

// The caret: the pixels under it inverted, drawn on the texture only.
SDL_Rect DrawCaret(WindowHandle handle, HostWindow& w, const std::vector<std::uint32_t>& pixels) {
  int x = 0, y = 0;
  if (!CaretShown(x, y) || FocusWindow() != handle) return {0, 0, 0, 0};
  SDL_Rect c{std::max(0, x), std::max(0, y), caretWidth, 2};
  c.w = std::min(c.w, w.width - c.x);
  c.h = std::min(c.h, w.height - c.y);
  if (c.w <= 0 || c.h <= 0) return {0, 0, 0, 0};
  std::vector<std::uint32_t> inverted;
  for (int py = c.y; py < c.y + c.h; ++py)
    for (int px = c.x; px < c.x + c.w; ++px)
      inverted.push_back(pixels[static_cast<std::size_t>(py * w.width + px)] ^ 0xFFFFFFu);
  SDL_UpdateTexture(w.texture, &c, inverted.data(), c.w * 4);
  return c;
}

void Show(WindowHandle handle, HostWindow& w, bool force) {
  int width = 0, height = 0;
  const std::vector<std::uint32_t>& pixels = Framebuffer(handle, width, height);
  std::string title = WindowTitle(handle);
  if (title != w.title) SDL_SetWindowTitle(w.window, AnsiToUtf8(w.title = title).c_str());
  if (width != w.width || height != w.height || !w.texture) FollowSize(handle, w, width, height);
  int cx = 0, cy = 0;
  bool caretOn = CaretShown(cx, cy) && FocusWindow() == handle;
  bool caretMoved = caretOn != (w.caret.w > 0) || (caretOn && (cx != w.caret.x || cy != w.caret.y));
  if (w.dirty.Empty() && !caretMoved && !force) return;
  Upload(w, pixels, Union(w.dirty, {w.caret.x, w.caret.y, w.caret.x + w.caret.w, w.caret.y + w.caret.h}));
  w.dirty = {};
  w.caret = DrawCaret(handle, w, pixels);
  SDL_SetRenderDrawColor(w.renderer, 0, 0, 0, 255);
  SDL_RenderClear(w.renderer);
  SDL_Rect whole{0, 0, w.width, w.height};
  SDL_RenderCopy(w.renderer, w.texture, nullptr, &whole);
  SDL_RenderPresent(w.renderer);
}

void ShowAll() {
  // Show may send MsgGetMinMaxInfo, and the procedure may make or destroy windows.
  std::vector<WindowHandle> handles;
  for (auto& entry : windows) handles.push_back(entry.first);
  for (WindowHandle handle : handles)
    if (HostWindow* w = Find(handle)) Show(handle, *w, false);
}

void Present(WindowHandle handle, const Rect& changed) {
  if (HostWindow* w = Find(handle)) w->dirty = Union(w->dirty, changed);
}

void WindowCreated(WindowHandle handle, const std::string& title, int width, int height) {
  HostWindow w;
  w.title = title;
  w.window = SDL_CreateWindow(AnsiToUtf8(title).c_str(), SDL_WINDOWPOS_UNDEFINED,
                              SDL_WINDOWPOS_UNDEFINED, std::max(1, width - FrameWidth()),
                              std::max(1, height - FrameHeight()), SDL_WINDOW_RESIZABLE);
  if (w.window) w.renderer = SDL_CreateRenderer(w.window, -1, 0);
  if (w.window && !w.renderer) w.renderer = SDL_CreateRenderer(w.window, -1, SDL_RENDERER_SOFTWARE);
  if (!w.renderer) {
    ReportFatal(std::string("the window cannot be made: ") + SDL_GetError());
    ExitProgram(2);
  }
  windows[handle] = w;
}

void WindowDestroyed(WindowHandle handle) {
  HostWindow* w = Find(handle);
  if (!w) return;
  if (w->texture) SDL_DestroyTexture(w->texture);
  SDL_DestroyRenderer(w->renderer);
  SDL_DestroyWindow(w->window);
  windows.erase(handle);
}

// ---- host events ----

unsigned Modifiers(Uint16 mod) {
  unsigned modifiers = 0;
  if (mod & KMOD_SHIFT) modifiers |= ModShift;
  if (mod & KMOD_CTRL) modifiers |= ModCtrl;
  if (mod & KMOD_ALT) modifiers |= ModAlt;
  return modifiers;
}

// The keypad without Num Lock moves; with it its digits come as text.
unsigned Pad(bool numLock, unsigned vk) { return numLock ? 0 : vk; }

unsigned VirtualKey(const SDL_Keysym& key) {
  SDL_Keycode k = key.sym;
  if (k >= SDLK_a && k <= SDLK_z) return VkA + static_cast<unsigned>(k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return Vk0 + static_cast<unsigned>(k - SDLK_0);
  if (k >= SDLK_F1 && k <= SDLK_F12) return VkF1 + static_cast<unsigned>(k - SDLK_F1);
  bool numLock = key.mod & KMOD_NUM;
  switch (k) {
    case SDLK_RETURN: case SDLK_KP_ENTER: return VkReturn;
    case SDLK_ESCAPE: return VkEscape;
    case SDLK_BACKSPACE: return VkBack;
    case SDLK_TAB: return VkTab;
    case SDLK_SPACE: return VkSpace;
    case SDLK_PAGEUP: return VkPrior;
    case SDLK_PAGEDOWN: return VkNext;
    case SDLK_END: return VkEnd;
    case SDLK_HOME: return VkHome;
    case SDLK_LEFT: return VkLeft;
    case SDLK_UP: return VkUp;
    case SDLK_RIGHT: return VkRight;
    case SDLK_DOWN: return VkDown;
    case SDLK_INSERT: return VkInsert;
    case SDLK_DELETE: return VkDelete;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VkShift;
    case SDLK_LCTRL: case SDLK_RCTRL: return VkControl;
    case SDLK_LALT: case SDLK_RALT: return VkMenu;
    case SDLK_PAUSE:  // Ctrl+Pause is Break
      if (key.mod & KMOD_CTRL) return VkCancel;
      return 0;
    case SDLK_CANCEL: return VkCancel;
    case SDLK_KP_7: return Pad(numLock, VkHome);
    case SDLK_KP_8: return Pad(numLock, VkUp);
    case SDLK_KP_9: return Pad(numLock, VkPrior);
    case SDLK_KP_4: return Pad(numLock, VkLeft);
    case SDLK_KP_6: return Pad(numLock, VkRight);
    case SDLK_KP_1: return Pad(numLock, VkEnd);
    case SDLK_KP_2: return Pad(numLock, VkDown);
    case SDLK_KP_3: return Pad(numLock, VkNext);
    case SDLK_KP_0: return Pad(numLock, VkInsert);
    case SDLK_KP_PERIOD: return Pad(numLock, VkDelete);
    default: return 0;
  }
}

void KeyEvent(const SDL_KeyboardEvent& e) {
  WindowHandle target = HandleOf(e.windowID);
  if (target == NoWindow) target = FocusWindow();
  unsigned modifiers = Modifiers(e.keysym.mod);
  lastKeyModifiers = modifiers;
  unsigned vk = VirtualKey(e.keysym);
  if (vk == 0) return;
  bool down = e.type == SDL_KEYDOWN;
  PostHostKey(target, vk, modifiers, down, down ? KeyDownCharacter(vk, modifiers) : -1);
}

// Text typed: its characters, unless Ctrl or Alt is held (those come from the key-down).
void TextEvent(const SDL_TextInputEvent& e) {
  if (lastKeyModifiers & (ModCtrl | ModAlt)) return;
  WindowHandle target = HandleOf(e.windowID);
  if (target == NoWindow) target = FocusWindow();
  for (unsigned char c : Utf8ToAnsi(e.text))
    if (c >= ' ') PostKeyMessage(target, MsgChar, c, lastKeyModifiers);
}

std::intptr_t Point(int x, int y) {
  return static_cast<std::intptr_t>((x & 0xFFFF) | ((y & 0xFFFF) << 16));
}

void WindowEvent(const SDL_WindowEvent& e) {
  WindowHandle handle = HandleOf(e.windowID);
  if (handle == NoWindow) return;
  switch (e.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED: PostMessage(handle, MsgSetFocus); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: PostMessage(handle, MsgKillFocus); break;
    case SDL_WINDOWEVENT_CLOSE: PostMessage(handle, MsgClose); break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      if (HostWindow* w = Find(handle)) Show(handle, *w, true);
      break;
    default: break;
  }
}

void Handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN: case SDL_KEYUP: KeyEvent(e.key); break;
    case SDL_TEXTINPUT: TextEvent(e.text); break;
    case SDL_MOUSEMOTION:
      PostMessage(HandleOf(e.motion.windowID), MsgMouseMove, 0, Point(e.motion.x, e.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN: case SDL_MOUSEBUTTONUP:
      if (e.button.button == SDL_BUTTON_RIGHT)
        PostMessage(HandleOf(e.button.windowID),
                    e.type == SDL_MOUSEBUTTONDOWN ? MsgRButtonDown : MsgRButtonUp, 0,
                    Point(e.button.x, e.button.y));
      break;
    case SDL_WINDOWEVENT: WindowEvent(e.window); break;
    case SDL_QUIT:  // a signal to end: the window is closed, as from its close box
      if (FocusWindow() != NoWindow) PostMessage(FocusWindow(), MsgClose);
      else PostQuitMessage(0);
      break;
    default: break;
  }
}

void PollEvents() {
  ShowAll();
  SDL_Event e;
  while (SDL_PollEvent(&e)) Handle(e);
}

// Another thread's post must end SDL_WaitEvent: a watcher waits for the post when asked and
// answers with an SDL event.
// Never destroyed: the watcher may be waiting on them when the program ends.
std::mutex& watchLock = *new std::mutex;
std::condition_variable& watchSignal = *new std::condition_variable;
bool watchAsked = false;

void WatchPosts() {
  for (;;) {
    {
      std::unique_lock<std::mutex> hold(watchLock);
      watchSignal.wait(hold, [] { return watchAsked; });
      watchAsked = false;
    }
    WaitForPost(3600 * 1000);
    SDL_Event wake{};
    wake.type = wakeEvent;
    SDL_PushEvent(&wake);
  }
}

void WaitEvents() {
  ShowAll();
  {
    std::lock_guard<std::mutex> hold(watchLock);
    watchAsked = true;
  }
  watchSignal.notify_one();
  SDL_Event e;
  if (SDL_WaitEvent(&e)) Handle(e);
  while (SDL_PollEvent(&e)) Handle(e);
}

void Sleep(unsigned ms) {
  ShowAll();
  HostSleep(ms);
}

// ---- clipboard and message box ----

bool SetClipboard(const std::string& ansi) {
  Trace("clipboard", ansi);
  return SDL_SetClipboardText(AnsiToUtf8(ansi).c_str()) == 0;
}

std::optional<std::string> GetClipboard() {
  if (!SDL_HasClipboardText()) return std::string();
  char* text = SDL_GetClipboardText();
  if (!text) return std::nullopt;
  std::string ansi = Utf8ToAnsi(text);
  SDL_free(text);
  return ansi;
}

void MessageBox(const std::string& text, const std::string& caption) {
  Trace("message-box", text);
  SDL_Window* owner = windows.empty() ? nullptr : windows.begin()->second.window;
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, AnsiToUtf8(caption).c_str(),
                               AnsiToUtf8(text).c_str(), owner) != 0)
    std::fprintf(stderr, "%s\n", AnsiToUtf8(text).c_str());
}

const BackendOps SdlOps = {
    PollEvents,    WaitEvents,      HostMilliseconds, HostNow,      Sleep,        Metrics,
    DrawGlyphs,    Present,         WindowCreated,    WindowDestroyed, SetClipboard, GetClipboard,
    HostPlayLoop,  HostStopSounds,  HostBeep,         MessageBox,
};

}  // namespace

const BackendOps* StartSdlBackend() {
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return nullptr;
  if (TTF_Init() != 0 || !FcInit()) {
    SDL_Quit();
    return nullptr;
  }
  SDL_Rect screen, work;
  if (SDL_GetDisplayBounds(0, &screen) == 0 && SDL_GetDisplayUsableBounds(0, &work) == 0)
    SetDesktopSize(screen.w, screen.h, work.w, work.h);
  wakeEvent = SDL_RegisterEvents(1);
  SDL_StartTextInput();
  std::thread(WatchPosts).detach();
  // At the end the watcher must leave the message queue's wait, which is destroyed then.
  std::atexit([] { PostMessage(NoWindow, 0); });
  return &SdlOps;
}

}  // namespace platform
