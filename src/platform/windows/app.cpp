// The application object, the message queues and the routing of backend events to forms, and
// the clock and input services.
#include "platform/windows/app.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>

#include "platform/windows/app_internal.h"
#include "platform/backend/audio_output.h"
#include "platform/backend/backend.h"
#include "platform/windows/controls.h"
#include "platform/text/cp932.h"

TApplication* Application = nullptr;

// ---- backends -------------------------------------------------------------------------------
namespace {

class Headless final : public Backend {
 public:
  uint32_t Ticks() override {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  void Delay(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  void LocalTime(SYSTEMTIME* st) override { RealLocalTime(st); }
  bool PollEvent(BackendEvent&) override { return false; }
  bool WaitEvent(BackendEvent&, uint32_t timeoutMs) override {
    Delay(std::min<uint32_t>(timeoutMs, 10));
    return false;
  }
  void Present(const TBitmap&) override {}
  void ShowWindow(bool) override {}
  void SetWindowTitle(const std::string&) override {}
  void SetWindowPosition(int32_t, int32_t) override {}
  void SetWindowBordered(bool) override {}
  bool SetFullScreen(bool) override { return false; }
  int32_t DesktopWidth() override { return 1024; }
  int32_t DesktopHeight() override { return 768; }
  int32_t DesktopBits() override { return 24; }
  TShiftState Modifiers() override { return 0; }
  TShiftState MouseButtons() override { return 0; }
  bool MousePosition(TPoint*) override { return false; }
  void CaptureMouse(bool) override {}
  void StartTextInput(const TRect&) override {}
  void StopTextInput() override {}
};

Backend* gBackend = nullptr;

}  // namespace

void RealLocalTime(SYSTEMTIME* st) {
  using namespace std::chrono;
  auto now = system_clock::now();
  time_t t = system_clock::to_time_t(now);
  tm lt{};
  localtime_r(&t, &lt);
  st->wYear = uint16_t(lt.tm_year + 1900);
  st->wMonth = uint16_t(lt.tm_mon + 1);
  st->wDayOfWeek = uint16_t(lt.tm_wday);
  st->wDay = uint16_t(lt.tm_mday);
  st->wHour = uint16_t(lt.tm_hour);
  st->wMinute = uint16_t(lt.tm_min);
  st->wSecond = uint16_t(lt.tm_sec);
  st->wMilliseconds = uint16_t(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
}

Backend& HeadlessBackend() {
  static Headless headless;
  return headless;
}

void SetBackend(Backend* backend) {
  // The audio layer lets go of the old backend's output while that backend still exists.
  UseAudioOutput(backend ? backend->Audio() : HeadlessBackend().Audio());
  gBackend = backend;
  Gui& g = Gui::Get();
  g.syncValid = false;
  g.windowShown = false;
  g.fullScreen = false;
}

Backend& CurrentBackend() { return gBackend ? *gBackend : HeadlessBackend(); }

// ---- application ----------------------------------------------------------------------------
TApplication::TApplication() : impl_(std::make_unique<Impl>()) {
  if (!Application) Application = this;
  Gui::Get().terminating = false;  // a new application has not been asked to end
}

TApplication::~TApplication() {
  if (Application == this) Application = nullptr;
}

bool TApplication::HasPendingMessages() const {
  if (!impl_->posted.empty() || !impl_->events.empty()) return true;
  std::lock_guard<std::mutex> lock(impl_->threadMutex);
  return !impl_->fromThreads.empty();
}

void TApplication::ProcessMessages() {
  Backend& be = CurrentBackend();
  be.ProcessMessagesStarted();
  Gui& g = Gui::Get();
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(impl_->threadMutex);
      while (!impl_->fromThreads.empty()) {
        impl_->posted.push_back(impl_->fromThreads.front());
        impl_->fromThreads.pop_front();
      }
    }
    if (!impl_->posted.empty()) {
      Impl::Posted p = impl_->posted.front();
      impl_->posted.pop_front();
      if (g.IsLive(p.form)) p.form->Dispatch(p.msg);
      continue;
    }
    BackendEvent ev;
    if (!impl_->events.empty()) {
      ev = std::move(impl_->events.front());
      impl_->events.pop_front();
    } else if (!be.PollEvent(ev)) {
      break;
    }
    g.DispatchEvent(ev);
  }
  g.IdleControls();
  if (g.repaintPending) {
    g.repaintPending = false;
    g.RepaintAll();
  } else if (g.invalidPending) {
    g.RepaintInvalid();
  }
}

void TApplication::Run() {
  while (!terminated_) {
    ProcessMessages();
    if (terminated_) break;
    // Cross-thread messages wake the wait early (Backend::Wake).
    WaitForEvents(500);
  }
}

void TApplication::Terminate() { terminated_ = true; }

void TApplication::PostMessage(TForm* form, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  if (!form) return;
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  impl_->posted.push_back({form, m});
}

void TApplication::PostMessageFromAnyThread(TForm* form, uint32_t msg, uintptr_t wParam,
                                            intptr_t lParam) {
  if (!form) return;
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  {
    std::lock_guard<std::mutex> lock(impl_->threadMutex);
    impl_->fromThreads.push_back({form, m});
  }
  CurrentBackend().Wake();
}

void TApplication::ShowException(const char* what) {
  const char* caption = Title.empty() ? SJ("エラー") : Title.c_str();
  MessageBoxA(MainForm, what ? what : "", caption, MB_OK | MB_ICONERROR);
}

bool Gui::WaitForInput(uint32_t timeoutMs) {
  // A focused control's timed drawing (the caret) must not wait for the next input; at least
  // 1 ms, so that a control that is always due cannot stop the fake clock.
  timeoutMs = std::min(timeoutMs, std::max<uint32_t>(Get().IdleDueInMs(), 1));
  if (!Application) {
    CurrentBackend().Delay(timeoutMs);
    return false;
  }
  if (Application->HasPendingMessages()) return true;
  BackendEvent ev;
  if (!CurrentBackend().WaitEvent(ev, timeoutMs)) return false;
  if (ev.kind != BackendEventKind::kNone) Application->impl_->events.push_back(std::move(ev));
  return true;
}

void WaitForEvents(uint32_t timeoutMs) { Gui::WaitForInput(timeoutMs); }

// ---- event routing --------------------------------------------------------------------------
void Gui::DispatchEvent(const BackendEvent& ev) {
  TForm* main = Main();
  switch (ev.kind) {
    case BackendEventKind::kNone:
      return;
    case BackendEventKind::kMouseDown:
    case BackendEventKind::kMouseUp:
    case BackendEventKind::kMouseMove:
      heldWhile = nullptr;  // the player's mouse again
      RouteMouse(ev);
      return;
    case BackendEventKind::kMouseWheel:
      RouteWheel(ev);
      return;
    case BackendEventKind::kKeyDown:
    case BackendEventKind::kKeyUp:
      RouteKey(ev);
      return;
    case BackendEventKind::kTextInput:
    case BackendEventKind::kTextEditing: {
      if (!boxes.empty() || menu.open >= 0) return;
      TForm* f = KeyTarget();
      if (!f) return;
      TControl* c = FocusedControl(f);
      if (ev.kind == BackendEventKind::kTextEditing) {
        if (c) c->TextEditing(ev.text, ev.x, ev.y);
      } else if (c) {
        c->TextInput(ev.text);
      } else {
        f->TextInput(ev.text);
      }
      return;
    }
    case BackendEventKind::kTerminate: {
      // The system wants the program gone: no box may hold it up, and the close is not asked.
      terminating = true;
      CancelBoxes();
      if (!main) return;
      CloseMenu();
      TMessage m;
      m.Msg = WM_CLOSE;
      main->Dispatch(m);
      return;
    }
    case BackendEventKind::kCloseRequest: {
      // While a modal box is open the window is disabled, as a window with a modal dialog is.
      if (!boxes.empty() || !main) return;
      CloseMenu();
      TMessage m;
      m.Msg = WM_CLOSE;
      main->Dispatch(m);
      return;
    }
    case BackendEventKind::kExpose:
      RepaintAll();
      return;
    case BackendEventKind::kDropFile:
      // Like any input, a drop waits while a box is open.
      if (boxes.empty() && main) main->FileDropped(ev.text);
      return;
    case BackendEventKind::kMoved: {
      if (!main || fullScreen) return;
      main->Left = ev.x;
      main->Top = ev.y;
      syncedPos = TPoint{ev.x, ev.y};
      TMessage m;
      m.Msg = WM_MOVE;
      m.LParam = intptr_t((uint32_t(uint16_t(ev.y)) << 16) | uint16_t(ev.x));
      main->Dispatch(m);
      return;
    }
  }
}

void Gui::RepaintAll() {
  TForm* main = Main();
  if (!main) return;
  // The paint handlers draw on their canvases; the picture is composed once afterwards.
  PaintForm(main);
  for (TForm* c : main->ChildrenInZOrder())
    if (IsLive(c)) PaintForm(c);
  PaintInvalidForms();
  Present();
}

TControl* Gui::FocusedControl(TForm* f) {
  TControl* c = f->active_;
  return c && c->Focused() ? c : nullptr;
}

TForm* Gui::KeyTarget() {
  TForm* main = Main();
  if (!main) return nullptr;
  std::vector<TForm*> kids = main->ChildrenInZOrder();
  return kids.empty() ? main : kids.back();
}

void Gui::RouteKey(const BackendEvent& ev) {
  if (!boxes.empty()) {
    BoxKey(ev);
    return;
  }
  if (MenuKey(ev)) return;
  TForm* f = KeyTarget();
  if (!f) return;
  TControl* c = FocusedControl(f);
  if (ev.kind == BackendEventKind::kKeyUp) {
    // Releases reach both, so that neither sees a key held for ever.
    if (c) c->KeyUp(ev.key, ev.shift);
    if (IsLive(f)) f->KeyUp(ev.key, ev.shift);
    return;
  }
  if (c && c->KeyDown(ev.key, ev.shift)) return;
  if (!IsLive(f)) return;
  const bool tab = ev.key == VK_TAB && !(ev.shift & (ssCtrl | ssAlt));
  if (tab && f->SelectNext(!(ev.shift & ssShift))) return;
  f->KeyDown(ev.key, ev.shift);
}

void Gui::DeliverMouse(TForm* f, const BackendEvent& ev, TPoint window) {
  TPoint o = f->ClientOriginInWindow();
  int32_t x = window.x - o.x, y = window.y - o.y;
  TShiftState shift = ev.shift;
  switch (ev.kind) {
    case BackendEventKind::kMouseDown:
      f->MouseDown(ev.button, shift, x, y);
      break;
    case BackendEventKind::kMouseUp:
      f->MouseUp(ev.button, shift, x, y);
      break;
    default:
      f->MouseMove(shift, x, y);
      break;
  }
}

void Gui::RouteMouse(const BackendEvent& ev) {
  TPoint window = ViewToWindow(TPoint{ev.x, ev.y});
  if (!boxes.empty()) {
    BoxMouse(ev, window);
    return;
  }
  if (menu.open >= 0 || (capture == nullptr && grab == nullptr)) {
    if (MenuMouse(ev, window)) return;
  }
  if (grab) {
    DeliverToGrab(ev, window);
    return;
  }
  if (capture) {
    DeliverMouse(capture, ev, window);
    return;
  }
  TPoint client;
  TForm* f = FormAt(window, &client);
  if (!f) return;
  if (TControl* c = ControlAt(f, client))
    DeliverToControl(c, ev, client);
  else
    DeliverMouse(f, ev, window);
}

void Gui::RouteWheel(const BackendEvent& ev) {
  if (!boxes.empty() || menu.open >= 0 || ev.wheel == 0) return;
  TPoint window = ViewToWindow(TPoint{ev.x, ev.y});
  TForm* f = capture;
  if (!f) f = FormAt(window, nullptr);
  if (!f) f = KeyTarget();
  if (!f || !IsLive(f)) return;
  TPoint o = f->ClientOriginInWindow();
  f->MouseWheel(ev.wheel, ev.shift, window.x - o.x, window.y - o.y);
}

// ---- services -------------------------------------------------------------------------------
uint32_t timeGetTime() { return CurrentBackend().Ticks(); }

void Sleep(uint32_t ms) { CurrentBackend().Delay(ms); }

void GetLocalTime(SYSTEMTIME* st) {
  if (st) CurrentBackend().LocalTime(st);
}

bool GetCursorPos(TPoint* p) {
  if (!p) return false;
  Gui& g = Gui::Get();
  if (g.heldWhile) {
    if (g.heldWhile()) {
      *p = g.heldCursor;
      return true;
    }
    g.heldWhile = nullptr;
  }
  TPoint view;
  if (!CurrentBackend().MousePosition(&view)) return false;
  TPoint w = ViewToWindow(view);
  TForm* main = Gui::Main();
  if (main) {
    w.x += main->Left;
    w.y += main->Top;
  }
  *p = w;
  return true;
}

void SetCursorPos(int32_t x, int32_t y) {
  Gui& g = Gui::Get();
  g.heldWhile = nullptr;
  TPoint window{x, y};
  if (TForm* main = Gui::Main()) {
    window.x -= main->Left;
    window.y -= main->Top;
  }
  BackendEvent ev;
  ev.kind = BackendEventKind::kMouseMove;
  TPoint view = WindowToView(window);
  ev.x = view.x;
  ev.y = view.y;
  CurrentBackend().WarpMouse(view);
  ev.shift = CurrentBackend().Modifiers() | CurrentBackend().MouseButtons();
  if (Application) g.DispatchEvent(ev);
}

void HoldCursorPos(TForm* owner, TPoint screen, std::function<bool()> whileTrue) {
  Gui& g = Gui::Get();
  g.heldOwner = owner;
  g.heldCursor = screen;
  g.heldWhile = std::move(whileTrue);
}

TPoint ScreenToClient(TForm* form, TPoint p) { return form ? form->ScreenToClient(p) : p; }

void SetCapture(TForm* form) {
  Gui& g = Gui::Get();
  if (form && !g.IsLive(form)) return;
  g.capture = form;
  CurrentBackend().CaptureMouse(form != nullptr);
}

void ReleaseCapture() {
  Gui& g = Gui::Get();
  if (!g.capture) return;
  g.capture = nullptr;
  CurrentBackend().CaptureMouse(false);
}

TForm* GetCapture() { return Gui::Get().capture; }

int16_t GetAsyncKeyState(int vk) {
  Backend& be = CurrentBackend();
  TShiftState held = 0;
  switch (vk) {
    case VK_SHIFT:
      held = be.Modifiers() & ssShift;
      break;
    case VK_CONTROL:
      held = be.Modifiers() & ssCtrl;
      break;
    case VK_MENU:
      held = be.Modifiers() & ssAlt;
      break;
    case VK_LBUTTON:
      held = be.MouseButtons() & ssLeft;
      break;
    case VK_RBUTTON:
      held = be.MouseButtons() & ssRight;
      break;
    case VK_MBUTTON:
      held = be.MouseButtons() & ssMiddle;
      break;
    default:
      break;
  }
  return held ? int16_t(0x8000) : 0;
}

int32_t ScreenWidth() {
  TForm* main = Gui::Main();
  if (Gui::Get().fullScreen && main) return main->ClientWidth();
  return CurrentBackend().DesktopWidth();
}

int32_t ScreenHeight() {
  TForm* main = Gui::Main();
  if (Gui::Get().fullScreen && main) return main->ClientHeight();
  return CurrentBackend().DesktopHeight();
}

int32_t ScreenBitsPerPixel() { return CurrentBackend().DesktopBits(); }

bool SetFullScreenDisplay(bool on) {
  Gui& g = Gui::Get();
  if (g.fullScreen == on) return true;
  if (!CurrentBackend().SetFullScreen(on)) return false;
  g.fullScreen = on;
  g.syncValid = false;
  g.repaintPending = true;
  return true;
}

bool IsFullScreenDisplay() { return Gui::Get().fullScreen; }

void SetWindowScale(int scale, bool smooth) {
  Gui& g = Gui::Get();
  CurrentBackend().SetWindowScale(scale, smooth);
  g.repaintPending = true;
}

// ---- scaled windows -------------------------------------------------------------------------
namespace {

// Division rounded towards minus infinity (the points left of or above the view map to
// negative coordinates, never to 0).
int64_t floorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }

}  // namespace

ViewScaling ViewScaling::Make(int32_t viewW, int32_t viewH, int32_t winW, int32_t winH,
                              int32_t outW, int32_t outH, bool wholeFactor) {
  ViewScaling s;
  if (viewW <= 0 || viewH <= 0 || winW <= 0 || winH <= 0 || outW <= 0 || outH <= 0) return s;
  s.viewW = viewW;
  s.viewH = viewH;
  s.winW = winW;
  s.winH = winH;
  s.outW = outW;
  s.outH = outH;
  int64_t w = 0, h = 0;
  const int32_t whole = std::min(outW / viewW, outH / viewH);
  if (wholeFactor && whole >= 1) {
    w = int64_t(viewW) * whole;
    h = int64_t(viewH) * whole;
  } else if (int64_t(outW) * viewH <= int64_t(outH) * viewW) {
    // The width limits: the view fills it, the height follows.
    w = outW;
    h = std::max<int64_t>(1, int64_t(outW) * viewH / viewW);
  } else {
    h = outH;
    w = std::max<int64_t>(1, int64_t(outH) * viewW / viewH);
  }
  const int32_t x = int32_t((outW - w) / 2), y = int32_t((outH - h) / 2);
  s.placed = Rect(x, y, x + int32_t(w), y + int32_t(h));
  return s;
}

TPoint ViewScaling::ToView(TPoint window) const {
  if (!Valid()) return window;
  const int64_t pw = placed.Right - placed.Left, ph = placed.Bottom - placed.Top;
  // The point's centre in drawable pixels is (2p + 1) * out / (2 * win); the view pixel under
  // a drawable position q is (q - placed) * view / placed size, rounded down.
  auto axis = [](int64_t p, int64_t win, int64_t out, int64_t at, int64_t size, int64_t view) {
    return floorDiv(((2 * p + 1) * out - 2 * at * win) * view, 2 * win * size);
  };
  return TPoint{int32_t(axis(window.x, winW, outW, placed.Left, pw, viewW)),
                int32_t(axis(window.y, winH, outH, placed.Top, ph, viewH))};
}

TPoint ViewScaling::ToWindow(TPoint view) const {
  if (!Valid()) return view;
  const int64_t pw = placed.Right - placed.Left, ph = placed.Bottom - placed.Top;
  // The corner lies at n / d window units; the first point whose centre is not before it.
  auto axis = [](int64_t v, int64_t win, int64_t out, int64_t at, int64_t size, int64_t view) {
    const int64_t n = (at * view + v * size) * win, d = view * out;
    return ceilDiv(2 * n - d, 2 * d);
  };
  return TPoint{int32_t(axis(view.x, winW, outW, placed.Left, pw, viewW)),
                int32_t(axis(view.y, winH, outH, placed.Top, ph, viewH))};
}

TRect ViewScaling::ToOutput(const TRect& r) const {
  if (!Valid()) return r;
  const int64_t pw = placed.Right - placed.Left, ph = placed.Bottom - placed.Top;
  return Rect(placed.Left + int32_t(floorDiv(int64_t(r.Left) * pw, viewW)),
              placed.Top + int32_t(floorDiv(int64_t(r.Top) * ph, viewH)),
              placed.Left + int32_t(ceilDiv(int64_t(r.Right) * pw, viewW)),
              placed.Top + int32_t(ceilDiv(int64_t(r.Bottom) * ph, viewH)));
}

void StartTextInput(TForm* form, const TRect& clientRect) {
  Gui& g = Gui::Get();
  TRect r = clientRect;
  if (form) {
    TPoint o = form->ClientOriginInWindow();
    r = Rect(r.Left + o.x, r.Top + o.y, r.Right + o.x, r.Bottom + o.y);
  }
  TPoint a = WindowToView(TPoint{r.Left, r.Top});
  TPoint b = WindowToView(TPoint{r.Right, r.Bottom});
  g.textInputForm = form;
  CurrentBackend().StartTextInput(Rect(a.x, a.y, b.x, b.y));
}

void StopTextInput() {
  Gui::Get().textInputForm = nullptr;
  CurrentBackend().StopTextInput();
}

std::string GetClipboardText() {
  return Utf8ToCp932Dropping(CurrentBackend().GetClipboardText());
}

void SetClipboardText(const std::string& cp932) {
  CurrentBackend().SetClipboardText(Cp932ToUtf8(cp932));
}

int OpenMenuIndex() { return Gui::Get().menu.open; }
int HighlightedMenuItem() { return Gui::Get().menu.highlight; }
int OpenMessageBoxCount() { return int(Gui::Get().boxes.size()); }

bool TerminationRequested() { return Gui::Get().terminating; }
