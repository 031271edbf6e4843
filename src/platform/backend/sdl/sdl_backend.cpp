#include "platform/backend/sdl/sdl_backend.h"

#include <SDL.h>
#include <errno.h>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <semaphore.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/windows/app_internal.h"
#include "platform/pictures/bitmap.h"
#include "platform/text/cp932.h"
#include "platform/backend/input_script.h"
#include "platform/backend/sdl/sdl_gamepad.h"

namespace {

constexpr uint32_t kQuitGraceMs = 10000;
constexpr uint32_t kQuitRepeatMs = 1000;

// Set by SIGTERM, SIGINT and SIGHUP; the event functions turn it into one kTerminate. SDL's own
// handlers would make these a close request, which asks the player and so keeps a session
// that is ending (or a plain kill) waiting.
volatile sig_atomic_t g_terminateSignal = 0;
// Posted by Wake and by the signal handler (sem_post may be called from one) to end a wait that
// SDL cannot end itself: see SdlBackend::WaitEvent.
sem_t g_wakeSem;
bool g_wakeSemReady = false;

void onTerminateSignal(int) {
  g_terminateSignal = 1;
  if (g_wakeSemReady) sem_post(&g_wakeSem);
}

void installTerminateHandlers() {
  struct sigaction sa {};
  sa.sa_handler = onTerminateSignal;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}

// The smallest rectangle holding both.
SDL_Rect rectUnion(const SDL_Rect& a, const SDL_Rect& b) {
  const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  const int x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
  return SDL_Rect{x0, y0, x1 - x0, y1 - y0};
}

// The 32-bit formats the pictures are converted to by the program itself: one byte more per
// pixel, in the order the renderer or the window keeps (so that SDL converts nothing).
bool isConvertibleFormat(uint32_t f) {
  return f == SDL_PIXELFORMAT_RGB888 || f == SDL_PIXELFORMAT_ARGB8888 ||
         f == SDL_PIXELFORMAT_BGR888 || f == SDL_PIXELFORMAT_ABGR8888;
}

#if defined(__x86_64__) && SDL_BYTEORDER == SDL_LIL_ENDIAN
// Four pixels per shuffle; returns how many pixels it converted (the rest is left to the caller,
// as a load of 16 bytes needs six pixels of the row left).
__attribute__((target("ssse3"))) int32_t convertRowSsse3(const uint8_t* s, uint32_t* d,
                                                        int32_t n) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
  int32_t i = 0;
  for (; n - i >= 6; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + size_t(i) * 3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i),
                     _mm_or_si128(_mm_shuffle_epi8(v, spread), alpha));
  }
  return i;
}
#endif

// Converts n pixels of blue, green, red bytes to one of the convertible formats (packed 32-bit
// values, alpha, if any, opaque).
void convertRow(const uint8_t* s, uint32_t* d, int32_t n, uint32_t format) {
  const bool rgb = format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888;
  int32_t i = 0;
#if defined(__x86_64__) && SDL_BYTEORDER == SDL_LIL_ENDIAN
  static const bool ssse3 = (__builtin_cpu_init(), __builtin_cpu_supports("ssse3"));
  if (rgb && ssse3) {
    i = convertRowSsse3(s, d, n);
    s += size_t(i) * 3;
  }
#endif
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
  if (rgb) {
    // Four pixels from three 32-bit loads: on a little-endian machine the bytes blue, green,
    // red are already the low three bytes of a packed 0xAARRGGBB value.
    for (; i + 4 <= n; i += 4, s += 12) {
      uint32_t w0, w1, w2;
      std::memcpy(&w0, s, 4);
      std::memcpy(&w1, s + 4, 4);
      std::memcpy(&w2, s + 8, 4);
      d[i] = w0 | 0xFF000000u;
      d[i + 1] = (w0 >> 24 | w1 << 8) | 0xFF000000u;
      d[i + 2] = (w1 >> 16 | w2 << 16) | 0xFF000000u;
      d[i + 3] = w2 >> 8 | 0xFF000000u;
    }
  }
#endif
  if (rgb) {
    for (; i < n; ++i, s += 3)
      d[i] = 0xFF000000u | uint32_t(s[2]) << 16 | uint32_t(s[1]) << 8 | uint32_t(s[0]);
  } else {
    for (; i < n; ++i, s += 3)
      d[i] = 0xFF000000u | uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | uint32_t(s[2]);
  }
}

int vkFromSdl(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + int(k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + int(k - SDLK_0);
  if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + int(k - SDLK_F1);
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return '1' + int(k - SDLK_KP_1);
  switch (k) {
    case SDLK_KP_0: return '0';
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    default: return 0;
  }
}

TShiftState modsFromSdl(uint16_t m) {
  TShiftState s = 0;
  if (m & KMOD_SHIFT) s |= ssShift;
  if (m & KMOD_ALT) s |= ssAlt;
  if (m & KMOD_CTRL) s |= ssCtrl;
  return s;
}

class SdlBackend final : public Backend {
 public:
  ~SdlBackend() override;
  bool Init();
  bool LoadScript(const char* path);
  bool StartRecording(const char* path);
  void SetCheckpoint(ScriptCheckpoint check) { checkpoint_ = std::move(check); }
  bool Quitting() const { return quitting_; }
  SDL_Window* Window() const { return window_; }
  TPoint WindowPointToView(int32_t x, int32_t y) const { return windowToView(x, y); }

  uint32_t Ticks() override { return SDL_GetTicks(); }
  void Delay(uint32_t ms) override { SDL_Delay(ms); }
  void LocalTime(SYSTEMTIME* st) override { RealLocalTime(st); }
  bool PollEvent(BackendEvent& ev) override;
  bool WaitEvent(BackendEvent& ev, uint32_t timeoutMs) override;
  void Wake() override;
  void Present(const TBitmap& picture) override;
  void ShowWindow(bool visible) override;
  void SetWindowTitle(const std::string& cp932) override;
  void SetWindowPosition(int32_t x, int32_t y) override;
  void SetWindowBordered(bool bordered) override;
  bool SetFullScreen(bool on) override;
  void SetWindowScale(int scale, bool smooth) override;
  int32_t DesktopWidth() override { return desktop_.w; }
  int32_t DesktopHeight() override { return desktop_.h; }
  int32_t DesktopBits() override { return desktopBits_; }
  TShiftState Modifiers() override;
  TShiftState MouseButtons() override;
  bool MousePosition(TPoint* view) override;
  void WarpMouse(TPoint view) override;
  void CaptureMouse(bool on) override { SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE); }
  void StartTextInput(const TRect& viewRect) override;
  void StopTextInput() override { SDL_StopTextInput(); }
  std::string GetClipboardText() override;
  void SetClipboardText(const std::string& utf8) override;
  bool MessageBoxOpened(const MessageBoxRequest& req, int* answer) override;
  bool MessageBoxIdle(int* answer) override;

 private:
  bool translate(const SDL_Event& e, BackendEvent& ev);
  bool takeScript(BackendEvent& ev);
  bool pollEvent(BackendEvent& ev);
  bool waitEvent(BackendEvent& ev, uint32_t timeoutMs);
  void record(const BackendEvent& ev);
  bool takeTerminate(BackendEvent& ev);
  uint64_t scriptNow();
  TPoint windowToView(int32_t x, int32_t y) const;
  TPoint viewToWindow(int32_t x, int32_t y) const;
  void updateMapping();
  // Whether to draw with an accelerated renderer (false: into the window's surface).
  bool wantRenderer() const;
  // Drops a renderer that draws with a software OpenGL (no GPU behind it).
  void dropSoftwareGl();
  // Sizes the window for a picture of pw x ph at the chosen scale, and places it.
  void sizeWindow(int32_t pw, int32_t ph);
  // Moves the window so that the picture's centre lies where a window of the picture's own
  // size at the form's position would have it (the game places its window by that size).
  void placeWindow();
  // How far the window's top-left lies up and left of the form's position.
  TPoint windowInset() const;
  uint32_t textureFormat() const;
  // Brings rectangle r of the texture up to date with the same rectangle of picture.
  void upload(const TBitmap& picture, const SDL_Rect& r);
  // Shows the picture whose rectangle `changed` differs from the one on the screen (the whole
  // picture when `whole`) with the renderer, or on the window's surface. False when nothing
  // could be shown.
  bool presentWithRenderer(const TBitmap& picture, SDL_Rect changed, bool whole);
  bool presentOnSurface(const TBitmap& picture, SDL_Rect changed, bool whole);

  // Waits until Wake, a termination signal or the timeout, whichever comes first.
  void sleepUntilWoken(uint32_t ms);

  bool videoUp_ = false;
  // A video driver with no window system (dummy, offscreen) gets no input of its own: SDL can
  // only poll its event queue for what other threads push, every millisecond, so a wait sleeps
  // on g_wakeSem instead.
  bool quietDriver_ = false;
  SDL_Window* window_ = nullptr;
  // An accelerated renderer with a streaming texture; without one, pictures are converted
  // straight into the window's surface (SDL's software framebuffer), and only the changed
  // rectangle is updated on the screen.
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  uint32_t texFormat_ = SDL_PIXELFORMAT_BGR24;
  int32_t texW_ = 0, texH_ = 0;
  SDL_Surface* surface_ = nullptr;  // the window's surface the last picture went to
  int surfaceW_ = 0, surfaceH_ = 0;
  SDL_Surface* stage_ = nullptr;  // the picture at its own size, when the window scales it
  int32_t picW_ = 0, picH_ = 0;   // the size of the picture on the screen
  bool fullScreen_ = false;
  // The player's window scale (0: fit the work area) and filtering, and the picture size the
  // window was last sized for (a new size or a new scale sizes it again).
  int scale_ = 1;
  bool smooth_ = false;
  int32_t sizedW_ = 0, sizedH_ = 0;
  bool resizeWanted_ = false;
  // Window units per picture pixel at scale 1 beyond what SDL does itself: X11 has no HiDPI
  // scaling of its own, so a desktop scaled by GDK_SCALE gets whole-factor windows.
  int unitScale_ = 1;
  // The form's position as the layer set it (the window's top-left at the picture's own size).
  TPoint formPos_{0, 0};
  bool formPosSet_ = false;
  SDL_DisplayMode desktop_{};
  int32_t desktopBits_ = 24;
  uint32_t wakeEvent_ = 0;
  // The image last shown and its generation then: the compositor tells which parts of the next
  // one differ from it (PresentChanges). shown_ keeps a copy of an image that is not the
  // compositor's own, for screenshots.
  const TBitmap* lastImage_ = nullptr;
  uint64_t lastGeneration_ = 0;
  TBitmap shown_;
  // The window needs the picture again although it has not changed (exposed, resized, switched
  // to or from full screen).
  bool stale_ = true;
  // View <-> window points, and where the view is drawn in the window's drawable.
  ViewScaling mapping_;

  bool scripted_ = false;
  bool scriptStarted_ = false;
  uint32_t scriptT0_ = 0;
  InputScript script_;
  std::string scriptName_;
  ScriptCheckpoint checkpoint_;
  ScriptRecorder recorder_;
  bool quitting_ = false;
  uint32_t quitAt_ = 0, lastQuitClose_ = 0;
  bool wasShown_ = false;
  bool terminateSent_ = false;
};

SdlBackend::~SdlBackend() {
  if (stage_) SDL_FreeSurface(stage_);
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  SdlGamepadStop();
  if (videoUp_) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

bool SdlBackend::Init() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  installTerminateHandlers();
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
#ifdef SDL_HINT_IME_SUPPORT_EXTENDED_TEXT
  // A composition longer than SDL_TEXTEDITING's 32 bytes (ten kana) comes whole, as
  // SDL_TEXTEDITING_EXT, instead of cut.
  SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
#endif
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "miravel: cannot start SDL video: %s\n", SDL_GetError());
    return false;
  }
  videoUp_ = true;
  SdlGamepadStart();  // without it the program plays with mouse and keyboard alone
  if (SDL_GetDesktopDisplayMode(0, &desktop_) != 0) {
    desktop_.w = 1024;
    desktop_.h = 768;
    desktop_.format = SDL_PIXELFORMAT_RGB888;
  }
  desktopBits_ = int32_t(SDL_BITSPERPIXEL(desktop_.format));
  if (desktopBits_ <= 0) desktopBits_ = 24;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && std::strcmp(driver, "x11") == 0)
    if (const char* gdk = std::getenv("GDK_SCALE"); gdk && *gdk >= '2' && *gdk <= '4' && !gdk[1])
      unitScale_ = *gdk - '0';
  window_ = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             640 * unitScale_, (480 + kMenuBarHeight) * unitScale_,
                             SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!window_) {
    std::fprintf(stderr, "miravel: cannot open a window: %s\n", SDL_GetError());
    return false;
  }
  if (wantRenderer()) {
    const char* asked = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    renderer_ = SDL_CreateRenderer(window_, -1, asked && *asked ? 0 : SDL_RENDERER_ACCELERATED);
    dropSoftwareGl();
  }
  // The window's surface is then SDL's own framebuffer (shared memory under X11), never a
  // texture of a renderer SDL would make for it.
  if (!renderer_) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (!renderer_ && !SDL_GetWindowSurface(window_)) {
    std::fprintf(stderr, "miravel: cannot draw in the window: %s\n", SDL_GetError());
    return false;
  }
  quietDriver_ =
      driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
  if (!g_wakeSemReady && sem_init(&g_wakeSem, 0, 0) == 0) g_wakeSemReady = true;
  if (!g_wakeSemReady) quietDriver_ = false;
  wakeEvent_ = SDL_RegisterEvents(1);
  // SDL turns text input on with the window; it stays off until an edit wants it.
  SDL_StopTextInput();
  return true;
}

bool SdlBackend::LoadScript(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "miravel: cannot read the autoplay script %s\n", path);
    return false;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  std::vector<ScriptEntry> entries;
  std::string error;
  if (!ParseInputScript(ss.str(), entries, &error)) {
    std::fprintf(stderr, "miravel: autoplay script %s: %s\n", path, error.c_str());
    return false;
  }
  for (auto& e : entries) script_.Add(std::move(e));
  scripted_ = true;
  scriptName_ = path;
  return true;
}

bool SdlBackend::StartRecording(const char* path) {
  if (recorder_.Open(path)) return true;
  std::fprintf(stderr, "miravel: cannot write the recording %s: %s\n", path, std::strerror(errno));
  return false;
}

// ---- renderer choice ------------------------------------------------------------------------
bool SdlBackend::wantRenderer() const {
  // A renderer named in SDL_RENDER_DRIVER is taken as asked.
  if (const char* asked = SDL_GetHint(SDL_HINT_RENDER_DRIVER); asked && *asked) return true;
  // Without a GPU (no render node) an accelerated renderer is OpenGL drawn by the CPU: tens of
  // megabytes of libraries and a whole-window copy per present, where the window's surface
  // takes only the rows that changed.
  for (int node = 128; node < 136; ++node) {
    const std::string path = "/dev/dri/renderD" + std::to_string(node);
    if (access(path.c_str(), F_OK) == 0) return true;
  }
  return false;
}

void SdlBackend::dropSoftwareGl() {
  if (!renderer_) return;
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer_, &info) != 0 || !info.name ||
      std::strncmp(info.name, "opengl", 6) != 0)
    return;
  using GetString = const unsigned char* (*)(unsigned);
  auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned kGlRenderer = 0x1F01;
  const unsigned char* name = getString ? getString(kGlRenderer) : nullptr;
  if (!name) return;
  const std::string gl(reinterpret_cast<const char*>(name));
  for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
    if (gl.find(soft) != std::string::npos) {
      SDL_DestroyRenderer(renderer_);
      renderer_ = nullptr;
      return;
    }
}

// ---- mapping --------------------------------------------------------------------------------
void SdlBackend::updateMapping() {
  if (picW_ <= 0 || picH_ <= 0) return;
  int ww = 0, wh = 0, ow = 0, oh = 0;
  SDL_GetWindowSize(window_, &ww, &wh);
  if (renderer_)
    SDL_GetRendererOutputSize(renderer_, &ow, &oh);
  else
    SDL_GetWindowSizeInPixels(window_, &ow, &oh);
  mapping_ = ViewScaling::Make(picW_, picH_, ww, wh, ow, oh, !fullScreen_ && !smooth_);
}

TPoint SdlBackend::windowToView(int32_t x, int32_t y) const {
  return mapping_.ToView(TPoint{x, y});
}

TPoint SdlBackend::viewToWindow(int32_t x, int32_t y) const {
  return mapping_.ToWindow(TPoint{x, y});
}

// ---- window size ----------------------------------------------------------------------------
void SdlBackend::sizeWindow(int32_t pw, int32_t ph) {
  int32_t w = pw * std::max(scale_, 1) * unitScale_, h = ph * std::max(scale_, 1) * unitScale_;
  if (scale_ == 0) {
    // The largest window the work area holds with its frame: by a whole factor while the
    // pixels stay sharp (a larger window would only add bars), by any factor when smooth.
    int display = SDL_GetWindowDisplayIndex(window_);
    SDL_Rect area{0, 0, desktop_.w, desktop_.h};
    SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &area);
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) != 0)
      top = left = bottom = right = 0;
    const int32_t aw = std::max(1, area.w - left - right);
    const int32_t ah = std::max(1, area.h - top - bottom);
    const ViewScaling fit = ViewScaling::Make(pw, ph, aw, ah, aw, ah, !smooth_);
    w = fit.placed.Right - fit.placed.Left;
    h = fit.placed.Bottom - fit.placed.Top;
  }
  int ww = 0, wh = 0;
  SDL_GetWindowSize(window_, &ww, &wh);
  if (ww != w || wh != h) SDL_SetWindowSize(window_, w, h);
  sizedW_ = pw;
  sizedH_ = ph;
  resizeWanted_ = false;
  if (formPosSet_) placeWindow();
}

TPoint SdlBackend::windowInset() const {
  if (picW_ <= 0 || picH_ <= 0) return TPoint{0, 0};
  int ww = 0, wh = 0;
  SDL_GetWindowSize(window_, &ww, &wh);
  return TPoint{(ww - picW_) / 2, (wh - picH_) / 2};
}

void SdlBackend::placeWindow() {
  const TPoint inset = windowInset();
  int32_t x = formPos_.x - inset.x, y = formPos_.y - inset.y;
  if (inset.x != 0 || inset.y != 0) {
    // A window larger than the picture keeps its title bar on the work area.
    int display = SDL_GetWindowDisplayIndex(window_);
    SDL_Rect area{0, 0, desktop_.w, desktop_.h};
    SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &area);
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) != 0) top = left = 0;
    x = std::max(x, area.x + left);
    y = std::max(y, area.y + top);
  }
  SDL_SetWindowPosition(window_, x, y);
}

// ---- events ---------------------------------------------------------------------------------
uint64_t SdlBackend::scriptNow() {
  if (!scriptStarted_) {
    scriptStarted_ = true;
    scriptT0_ = SDL_GetTicks();
  }
  return uint64_t(uint32_t(SDL_GetTicks() - scriptT0_));
}

bool SdlBackend::takeScript(BackendEvent& ev) {
  if (!scripted_) return false;
  uint64_t now = scriptNow();
  if (quitting_) {
    uint32_t t = SDL_GetTicks();
    if (t - quitAt_ > kQuitGraceMs) {
      std::fprintf(stderr, "miravel: autoplay quit did not end the program; exiting\n");
      std::fflush(nullptr);
      std::_Exit(3);
    }
    // A close request dropped while a box was open is made again.
    if (t - lastQuitClose_ >= kQuitRepeatMs) {
      lastQuitClose_ = t;
      ev = BackendEvent{};
      ev.kind = BackendEventKind::kCloseRequest;
      return true;
    }
  }
  ScriptEntry e;
  while (script_.TakeDue(now, e)) {
    if (e.kind == ScriptEntry::kShot) {
      // The picture on the screen: the compositor's own while it has not changed since.
      const bool composed = lastImage_ && IsComposedImage(lastImage_) &&
                            lastImage_->Generation() == lastGeneration_;
      const TBitmap& shot = composed ? *lastImage_ : shown_;
      if (!WriteScriptShot(e.text, shot))
        std::fprintf(stderr, "miravel: cannot write the screenshot %s\n", e.text.c_str());
      continue;
    }
    if (e.kind == ScriptEntry::kExpectState || e.kind == ScriptEntry::kExpectText) {
      RunScriptCheckpoint(e, checkpoint_, scriptName_);
      continue;
    }
    if (e.kind == ScriptEntry::kQuit) {
      quitting_ = true;
      quitAt_ = lastQuitClose_ = SDL_GetTicks();
      ev = BackendEvent{};
      ev.kind = BackendEventKind::kCloseRequest;
      return true;
    }
    if (InputScript::ToEvent(e, Modifiers(), ev)) return true;
  }
  return false;
}

bool SdlBackend::translate(const SDL_Event& e, BackendEvent& ev) {
  ev = BackendEvent{};
  switch (e.type) {
    case SDL_QUIT:
      ev.kind = BackendEventKind::kCloseRequest;
      return true;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          ev.kind = BackendEventKind::kCloseRequest;
          return true;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          updateMapping();
          stale_ = true;
          ev.kind = BackendEventKind::kExpose;
          return true;
        case SDL_WINDOWEVENT_MOVED:
          if (fullScreen_) return false;
          ev.kind = BackendEventKind::kMoved;
          ev.x = e.window.data1 + windowInset().x;
          ev.y = e.window.data2 + windowInset().y;
          return true;
        default:
          return false;
      }
    case SDL_RENDER_DEVICE_RESET:
      // The texture is gone with the device: the next present makes and fills a new one.
      if (texture_) SDL_DestroyTexture(texture_);
      texture_ = nullptr;
      texW_ = texH_ = 0;
      stale_ = true;
      ev.kind = BackendEventKind::kExpose;
      return true;
    case SDL_RENDER_TARGETS_RESET:
      stale_ = true;
      ev.kind = BackendEventKind::kExpose;
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (e.button.button == SDL_BUTTON_LEFT)
        ev.button = mbLeft;
      else if (e.button.button == SDL_BUTTON_RIGHT)
        ev.button = mbRight;
      else if (e.button.button == SDL_BUTTON_MIDDLE)
        ev.button = mbMiddle;
      else
        return false;
      ev.kind = e.type == SDL_MOUSEBUTTONDOWN ? BackendEventKind::kMouseDown
                                              : BackendEventKind::kMouseUp;
      TPoint v = windowToView(e.button.x, e.button.y);
      ev.x = v.x;
      ev.y = v.y;
      TShiftState bit = ev.button == mbLeft ? ssLeft : ev.button == mbRight ? ssRight : ssMiddle;
      ev.shift = Modifiers() | MouseButtons();
      ev.shift = e.type == SDL_MOUSEBUTTONDOWN ? (ev.shift | bit) : (ev.shift & ~bit);
      return true;
    }
    case SDL_MOUSEMOTION: {
      if (scripted_) return false;  // the script owns the pointer
      ev.kind = BackendEventKind::kMouseMove;
      TPoint v = windowToView(e.motion.x, e.motion.y);
      ev.x = v.x;
      ev.y = v.y;
      ev.shift = Modifiers();
      if (e.motion.state & SDL_BUTTON_LMASK) ev.shift |= ssLeft;
      if (e.motion.state & SDL_BUTTON_RMASK) ev.shift |= ssRight;
      if (e.motion.state & SDL_BUTTON_MMASK) ev.shift |= ssMiddle;
      return true;
    }
    case SDL_MOUSEWHEEL: {
      if (e.wheel.which == SDL_TOUCH_MOUSEID) return false;
      int32_t notches = e.wheel.y;
      if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      if (notches == 0) return false;
      TPoint v;
      if (!MousePosition(&v)) return false;
      ev.kind = BackendEventKind::kMouseWheel;
      ev.wheel = notches;
      ev.x = v.x;
      ev.y = v.y;
      ev.shift = Modifiers() | MouseButtons();
      return true;
    }
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      return SdlGamepadEvent(e, ev);
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      int vk = vkFromSdl(e.key.keysym.sym);
      if (vk == 0) return false;
      ev.kind = e.type == SDL_KEYDOWN ? BackendEventKind::kKeyDown : BackendEventKind::kKeyUp;
      ev.key = vk;
      ev.shift = modsFromSdl(e.key.keysym.mod);
      return true;
    }
    case SDL_TEXTINPUT:
      ev.kind = BackendEventKind::kTextInput;
      ev.text = e.text.text;
      return true;
    case SDL_DROPFILE:
      // The path is SDL_malloc'ed for this event and is ours to free.
      ev.kind = BackendEventKind::kDropFile;
      ev.text = e.drop.file ? e.drop.file : "";
      SDL_free(e.drop.file);
      return !ev.text.empty();
    case SDL_TEXTEDITING:
      ev.kind = BackendEventKind::kTextEditing;
      ev.text = e.edit.text;
      ev.x = e.edit.start;
      ev.y = e.edit.length;
      return true;
#if SDL_VERSION_ATLEAST(2, 0, 22)
    case SDL_TEXTEDITING_EXT:
      // The text is SDL_malloc'ed for this event and is ours to free.
      ev.kind = BackendEventKind::kTextEditing;
      ev.text = e.editExt.text ? e.editExt.text : "";
      ev.x = e.editExt.start;
      ev.y = e.editExt.length;
      SDL_free(e.editExt.text);
      return true;
#endif
    default:
      if (e.type == wakeEvent_) {
        ev.kind = BackendEventKind::kNone;
        return true;
      }
      return false;
  }
}

bool SdlBackend::takeTerminate(BackendEvent& ev) {
  if (!g_terminateSignal || terminateSent_) return false;
  terminateSent_ = true;
  ev = BackendEvent{};
  ev.kind = BackendEventKind::kTerminate;
  return true;
}

// The input that reached the program, whether the player's or the script's, goes to the
// recording as it is handed over.
void SdlBackend::record(const BackendEvent& ev) {
  if (!recorder_.IsOpen() || ev.kind == BackendEventKind::kNone) return;
  const TPoint origin = MainClientToView(TPoint{0, 0});
  recorder_.Record(scriptNow(), ev, TPoint{ev.x - origin.x, ev.y - origin.y});
}

bool SdlBackend::PollEvent(BackendEvent& ev) {
  if (!pollEvent(ev)) return false;
  record(ev);
  return true;
}

bool SdlBackend::WaitEvent(BackendEvent& ev, uint32_t timeoutMs) {
  if (!waitEvent(ev, timeoutMs)) return false;
  record(ev);
  return true;
}

bool SdlBackend::pollEvent(BackendEvent& ev) {
  if (takeTerminate(ev)) return true;
  if (takeScript(ev)) return true;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (translate(e, ev) && ev.kind != BackendEventKind::kNone) return true;
  }
  return false;
}

bool SdlBackend::waitEvent(BackendEvent& ev, uint32_t timeoutMs) {
  uint32_t start = SDL_GetTicks();
  for (;;) {
    if (takeTerminate(ev)) return true;
    if (takeScript(ev)) return true;
    uint32_t spent = SDL_GetTicks() - start;
    if (spent >= timeoutMs) return false;
    uint32_t wait = timeoutMs - spent;
    if (scripted_) {
      uint64_t next = script_.NextTime(), now = scriptNow();
      if (next != UINT64_MAX) wait = uint32_t(std::min<uint64_t>(wait, next > now ? next - now : 0));
      if (quitting_) wait = std::min<uint32_t>(wait, kQuitRepeatMs);
    }
    SDL_Event e;
    if (quietDriver_) {
      // What Wake and the signal handler posted so far is answered by this look at the queue.
      while (sem_trywait(&g_wakeSem) == 0) {
      }
      bool got = false;
      while (!got && SDL_PollEvent(&e)) got = translate(e, ev);
      if (got) return true;
      sleepUntilWoken(wait);
      continue;
    }
    if (SDL_WaitEventTimeout(&e, int(wait)) && translate(e, ev)) return true;
  }
}

void SdlBackend::sleepUntilWoken(uint32_t ms) {
  timespec until;
  clock_gettime(CLOCK_MONOTONIC, &until);
  until.tv_sec += time_t(ms / 1000);
  until.tv_nsec += long(ms % 1000) * 1000000L;
  if (until.tv_nsec >= 1000000000L) {
    until.tv_sec += 1;
    until.tv_nsec -= 1000000000L;
  }
  while (sem_clockwait(&g_wakeSem, CLOCK_MONOTONIC, &until) != 0 && errno == EINTR &&
         !g_terminateSignal) {
  }
}

void SdlBackend::Wake() {
  SDL_Event e{};
  e.type = wakeEvent_;
  SDL_PushEvent(&e);
  if (quietDriver_) sem_post(&g_wakeSem);
}

// ---- window ---------------------------------------------------------------------------------
uint32_t SdlBackend::textureFormat() const {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer_, &info) != 0) return SDL_PIXELFORMAT_BGR24;
  auto offered = [&](uint32_t f) {
    for (uint32_t i = 0; i < info.num_texture_formats; ++i)
      if (info.texture_formats[i] == f) return true;
    return false;
  };
  // The window's own format first: the renderer draws into it.
  const uint32_t window = SDL_GetWindowPixelFormat(window_);
  if (isConvertibleFormat(window) && offered(window)) return window;
  for (uint32_t i = 0; i < info.num_texture_formats; ++i)
    if (isConvertibleFormat(info.texture_formats[i])) return info.texture_formats[i];
  return SDL_PIXELFORMAT_BGR24;  // SDL converts
}

void SdlBackend::upload(const TBitmap& picture, const SDL_Rect& r) {
  const uint8_t* src = picture.ScanLine(r.y) + size_t(r.x) * 3;
  const size_t stride = size_t(picture.Stride());
  if (texFormat_ != SDL_PIXELFORMAT_BGR24) {
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, &r, &pixels, &pitch) == 0) {
      auto* dst = static_cast<uint8_t*>(pixels);
      for (int y = 0; y < r.h; ++y)
        convertRow(src + size_t(y) * stride, reinterpret_cast<uint32_t*>(dst + size_t(y) * pitch),
                   r.w, texFormat_);
      SDL_UnlockTexture(texture_);
      return;
    }
  }
  SDL_UpdateTexture(texture_, &r, src, int(stride));
}

void SdlBackend::Present(const TBitmap& picture) {
  if (picture.Empty()) return;
  const int32_t pw = picture.Width(), ph = picture.Height();
  // The menus and the click wait copy the same picture to the screen every frame, and most
  // screens change only a part of it (the text, the roll's strip). The compositor tells which
  // parts changed: only their rectangle is converted and shown again, and an unchanged picture
  // stops here.
  SDL_Rect changed{0, 0, pw, ph};
  bool whole = stale_ || pw != picW_ || ph != picH_;
  const std::vector<TRect>* parts =
      whole ? nullptr : PresentChanges(picture, lastImage_, lastGeneration_);
  if (!parts) {
    whole = true;
  } else {
    bool any = false;
    for (const TRect& part : *parts) {
      const int x0 = std::max(part.Left, 0), y0 = std::max(part.Top, 0);
      const int x1 = std::min(part.Right, pw), y1 = std::min(part.Bottom, ph);
      if (x0 >= x1 || y0 >= y1) continue;
      const SDL_Rect r{x0, y0, x1 - x0, y1 - y0};
      changed = any ? rectUnion(changed, r) : r;
      any = true;
    }
    if (!any) {
      lastImage_ = &picture;
      lastGeneration_ = picture.Generation();
      return;
    }
  }
  lastImage_ = nullptr;
  picW_ = pw;
  picH_ = ph;
  // A picture of a new size, or a new scale, sizes the window; a size the player dragged the
  // window to stays, with the picture scaled into it.
  if (!fullScreen_ && (pw != sizedW_ || ph != sizedH_ || resizeWanted_)) {
    sizeWindow(pw, ph);
    whole = true;
  }
  updateMapping();
  if (whole) changed = SDL_Rect{0, 0, pw, ph};
  const bool shown = renderer_ ? presentWithRenderer(picture, changed, whole)
                               : presentOnSurface(picture, changed, whole);
  if (!shown) {
    picW_ = picH_ = 0;  // the next picture is shown whole
    return;
  }
  stale_ = false;
  lastImage_ = &picture;
  lastGeneration_ = picture.Generation();
  if (!IsComposedImage(&picture)) shown_ = picture;
}

bool SdlBackend::presentWithRenderer(const TBitmap& picture, SDL_Rect changed, bool whole) {
  const int32_t pw = picture.Width(), ph = picture.Height();
  if (!texture_ || texW_ != pw || texH_ != ph) {
    if (texture_) SDL_DestroyTexture(texture_);
    texW_ = texH_ = 0;
    texFormat_ = textureFormat();
    texture_ = SDL_CreateTexture(renderer_, texFormat_, SDL_TEXTUREACCESS_STREAMING, pw, ph);
    if (!texture_ && texFormat_ != SDL_PIXELFORMAT_BGR24) {
      texFormat_ = SDL_PIXELFORMAT_BGR24;
      texture_ = SDL_CreateTexture(renderer_, texFormat_, SDL_TEXTUREACCESS_STREAMING, pw, ph);
    }
    if (!texture_) return false;
    // The picture is opaque: the alpha byte of a 32-bit format must not blend.
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    texW_ = pw;
    texH_ = ph;
    whole = true;
  }
  upload(picture, whole ? SDL_Rect{0, 0, pw, ph} : changed);
  SDL_SetTextureScaleMode(texture_, smooth_ ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
  int ow = 0, oh = 0;
  SDL_GetRendererOutputSize(renderer_, &ow, &oh);
  const TRect& p = mapping_.placed;
  SDL_Rect dst{p.Left, p.Top, p.Right - p.Left, p.Bottom - p.Top};
  if (!mapping_.Valid()) dst = SDL_Rect{0, 0, ow, oh};
  // Black bars only where the picture leaves room for them.
  if (dst.w != ow || dst.h != oh) {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
  }
  SDL_RenderCopy(renderer_, texture_, nullptr, &dst);
  SDL_RenderPresent(renderer_);
  return true;
}

bool SdlBackend::presentOnSurface(const TBitmap& picture, SDL_Rect changed, bool whole) {
  const int32_t pw = picture.Width(), ph = picture.Height();
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface) return false;
  // A new surface (the window was resized) holds nothing of the last picture.
  if (surface != surface_ || surface->w != surfaceW_ || surface->h != surfaceH_) whole = true;
  surface_ = surface;
  surfaceW_ = surface->w;
  surfaceH_ = surface->h;
  auto convertInto = [&](SDL_Surface* target, const SDL_Rect& r) {
    if (SDL_MUSTLOCK(target) && SDL_LockSurface(target) != 0) return false;
    const size_t stride = size_t(picture.Stride());
    const uint8_t* src = picture.ScanLine(r.y) + size_t(r.x) * 3;
    auto* dst = static_cast<uint8_t*>(target->pixels) + size_t(r.y) * size_t(target->pitch) +
                size_t(r.x) * 4;
    for (int y = 0; y < r.h; ++y)
      convertRow(src + size_t(y) * stride,
                 reinterpret_cast<uint32_t*>(dst + size_t(y) * size_t(target->pitch)), r.w,
                 target->format->format);
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    return true;
  };
  // The surface has the drawable's size: the mapping is made from it.
  int ww = 0, wh = 0;
  SDL_GetWindowSize(window_, &ww, &wh);
  mapping_ = ViewScaling::Make(pw, ph, ww, wh, surface->w, surface->h, !fullScreen_ && !smooth_);
  const TRect& p = mapping_.placed;
  const SDL_Rect placed{p.Left, p.Top, p.Right - p.Left, p.Bottom - p.Top};
  const SDL_Rect all{0, 0, pw, ph};
  const uint32_t format = surface->format->format;
  if (placed.w == pw && placed.h == ph && placed.x == 0 && placed.y == 0 &&
      isConvertibleFormat(format)) {
    // The window shows the picture at its own size: it goes straight into the surface.
    const SDL_Rect r = whole ? all : changed;
    if (!convertInto(surface, r)) return false;
    return SDL_UpdateWindowSurfaceRects(window_, &r, 1) == 0;
  }
  // Scaled or in another format: the picture at its own size first, in the surface's format
  // when it is one of ours (so that the scaling converts nothing).
  const uint32_t stageFormat = isConvertibleFormat(format) ? format : uint32_t(SDL_PIXELFORMAT_RGB888);
  if (!stage_ || stage_->w != pw || stage_->h != ph || stage_->format->format != stageFormat) {
    if (stage_) SDL_FreeSurface(stage_);
    stage_ = SDL_CreateRGBSurfaceWithFormat(0, pw, ph, 32, stageFormat);
    if (!stage_) return false;
    whole = true;
  }
  if (!convertInto(stage_, whole ? all : changed)) return false;
  // By a whole factor with sharp pixels, the changed part alone is scaled and shown: each of its
  // pixels becomes the same block as in the whole picture. Any other scaling samples the
  // picture at positions that depend on the whole, so all of it is drawn again.
  const bool wholeFactor = placed.w % pw == 0 && placed.h % ph == 0 &&
                           placed.w / pw == placed.h / ph && !smooth_;
  if (!wholeFactor) whole = true;
  const bool linear = smooth_ && stageFormat == format;
  if (whole) {
    if (placed.w != surface->w || placed.h != surface->h)
      SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    SDL_Rect dst = placed;
    const int drawn = linear ? SDL_SoftStretchLinear(stage_, nullptr, surface, &dst)
                             : SDL_BlitScaled(stage_, nullptr, surface, &dst);
    if (drawn != 0) return false;
    return SDL_UpdateWindowSurface(window_) == 0;
  }
  const TRect out = mapping_.ToOutput(
      Rect(changed.x, changed.y, changed.x + changed.w, changed.y + changed.h));
  SDL_Rect src = changed;
  SDL_Rect dst{out.Left, out.Top, out.Right - out.Left, out.Bottom - out.Top};
  const SDL_Rect shown = dst;
  if (SDL_BlitScaled(stage_, &src, surface, &dst) != 0) return false;
  return SDL_UpdateWindowSurfaceRects(window_, &shown, 1) == 0;
}

void SdlBackend::ShowWindow(bool visible) {
  if (visible) {
    SDL_ShowWindow(window_);
    if (!wasShown_) SDL_RaiseWindow(window_);
    wasShown_ = true;
  } else {
    SDL_HideWindow(window_);
  }
}

void SdlBackend::SetWindowTitle(const std::string& cp932) {
  SDL_SetWindowTitle(window_, Cp932ToUtf8(cp932).c_str());
}

void SdlBackend::SetWindowPosition(int32_t x, int32_t y) {
  formPos_ = TPoint{x, y};
  formPosSet_ = true;
  if (!fullScreen_) placeWindow();
}

void SdlBackend::SetWindowScale(int scale, bool smooth) {
  scale_ = std::clamp(scale, 0, 3);
  smooth_ = smooth;
  resizeWanted_ = true;
  stale_ = true;
  // The window takes its new size with the next picture (its size is the picture's times
  // the scale); in full screen it does when full screen ends.
}

void SdlBackend::SetWindowBordered(bool bordered) {
  SDL_SetWindowBordered(window_, bordered ? SDL_TRUE : SDL_FALSE);
}

bool SdlBackend::SetFullScreen(bool on) {
  if (SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return false;
  fullScreen_ = on;
  updateMapping();
  stale_ = true;
  return true;
}

// ---- input state ----------------------------------------------------------------------------
TShiftState SdlBackend::Modifiers() {
  TShiftState m = modsFromSdl(uint16_t(SDL_GetModState()));
  if (scripted_) {
    script_.ApplyState(scriptNow());
    if (script_.shift) m |= ssShift;
  }
  return m;
}

TShiftState SdlBackend::MouseButtons() {
  uint32_t b = SDL_GetMouseState(nullptr, nullptr);
  TShiftState s = 0;
  if (b & SDL_BUTTON_LMASK) s |= ssLeft;
  if (b & SDL_BUTTON_RMASK) s |= ssRight;
  if (b & SDL_BUTTON_MMASK) s |= ssMiddle;
  if (scripted_) {
    script_.ApplyState(scriptNow());
    s |= script_.buttons;
  }
  return s;
}

void SdlBackend::WarpMouse(TPoint view) {
  if (scripted_) {
    script_.ApplyState(scriptNow());
    script_.cursor = view;
    return;
  }
  const TPoint w = viewToWindow(view.x, view.y);
  SDL_WarpMouseInWindow(window_, w.x, w.y);
}

bool SdlBackend::MousePosition(TPoint* view) {
  if (scripted_) {
    script_.ApplyState(scriptNow());
    *view = script_.cursor;
    return true;
  }
  int x = 0, y = 0;
  if (SDL_GetMouseFocus() == window_) {
    SDL_GetMouseState(&x, &y);
  } else {
    int gx = 0, gy = 0, wx = 0, wy = 0;
    SDL_GetGlobalMouseState(&gx, &gy);
    SDL_GetWindowPosition(window_, &wx, &wy);
    x = gx - wx;
    y = gy - wy;
  }
  *view = windowToView(x, y);
  return true;
}

void SdlBackend::StartTextInput(const TRect& viewRect) {
  TPoint a = viewToWindow(viewRect.Left, viewRect.Top);
  TPoint b = viewToWindow(viewRect.Right, viewRect.Bottom);
  SDL_Rect r{a.x, a.y, std::max(1, b.x - a.x), std::max(1, b.y - a.y)};
  // Starting again would reset the input method and lose an open composition: while text
  // input is on, only the place of the candidate window moves.
  if (!SDL_IsTextInputActive()) SDL_StartTextInput();
  SDL_SetTextInputRect(&r);
}

std::string SdlBackend::GetClipboardText() {
  if (!SDL_HasClipboardText()) return {};
  char* text = SDL_GetClipboardText();
  std::string out = text ? text : "";
  SDL_free(text);
  return out;
}

void SdlBackend::SetClipboardText(const std::string& utf8) {
  SDL_SetClipboardText(utf8.c_str());
}

bool SdlBackend::MessageBoxOpened(const MessageBoxRequest& req, int* answer) {
  if (!quitting_) return false;
  *answer = req.defaultAnswer;
  return true;
}

bool SdlBackend::MessageBoxIdle(int* answer) {
  (void)answer;
  return false;
}

std::unique_ptr<SdlBackend> gSdl;

}  // namespace

bool InstallSdlBackend(const char* autoplayScript, const char* recordFile,
                       ScriptCheckpoint checkpoint) {
  auto be = std::make_unique<SdlBackend>();
  if (!be->Init()) return false;
  if (autoplayScript && !be->LoadScript(autoplayScript)) return false;
  if (recordFile && !be->StartRecording(recordFile)) return false;
  be->SetCheckpoint(std::move(checkpoint));
  if (gSdl) UninstallSdlBackend();
  gSdl = std::move(be);
  SetBackend(gSdl.get());
  return true;
}

void UninstallSdlBackend() {
  if (!gSdl) return;
  if (&CurrentBackend() == gSdl.get()) SetBackend(nullptr);
  gSdl.reset();
}

bool SdlAutoplayQuitting() { return gSdl && gSdl->Quitting(); }

bool SdlTextInputActive() { return SDL_IsTextInputActive(); }

namespace {
// The first window's surface when it has no renderer; null otherwise.
SDL_Surface* windowSurface() {
  for (Uint32 id = 1; id < 1000; ++id)
    if (SDL_Window* w = SDL_GetWindowFromID(id))
      return SDL_GetRenderer(w) ? nullptr : SDL_GetWindowSurface(w);
  return nullptr;
}
}  // namespace

bool SdlWindowSurfaceSize(int32_t* width, int32_t* height) {
  const SDL_Surface* s = windowSurface();
  if (!s) return false;
  *width = s->w;
  *height = s->h;
  return true;
}

TColor SdlWindowSurfacePixel(int32_t x, int32_t y) {
  const SDL_Surface* s = windowSurface();
  if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h) return clBlack;
  Uint32 v = 0;
  std::memcpy(&v, static_cast<const uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch) + x * 4, 4);
  Uint8 r = 0, g = 0, b = 0;
  SDL_GetRGB(v, s->format, &r, &g, &b);
  return RGB(r, g, b);
}

void SdlResizeWindow(int32_t width, int32_t height) {
  if (gSdl) SDL_SetWindowSize(gSdl->Window(), width, height);
}

TPoint SdlWindowPointToView(int32_t x, int32_t y) {
  return gSdl ? gSdl->WindowPointToView(x, y) : TPoint{x, y};
}
