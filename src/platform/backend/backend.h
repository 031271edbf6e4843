// The interface between the platform layer (app.h) and what stands behind it: the SDL backend
// of the real program (sdl_backend.h) or the fake backend of the tests (fake_backend.h).
//
// A backend is dumb: it shows pictures, reports raw input and keeps time. Everything Windows-like
// (forms, routing, the menu bar, message boxes, posted messages) is done above it, once, for both.
//
// Coordinates. A backend sees only the "view": the picture handed to Present, with (0, 0) at its
// top-left. Mouse events and the mouse position are reported in view coordinates (they may lie
// outside the view while the mouse is captured). The layer maps them to the window picture and to
// form client coordinates (ViewToWindow and friends in app.h).
#pragma once
#include <cstdint>
#include <string>

#include "platform/windows/app.h"
#include "platform/pictures/bitmap.h"
#include "platform/types.h"

enum class BackendEventKind {
  kNone,          // nothing to dispatch (a wake-up); WaitEvent may return it
  kMouseDown,
  kMouseUp,
  kMouseMove,
  kKeyDown,
  kKeyUp,
  kTextInput,     // committed text (UTF-8)
  kTextEditing,   // the input method's open composition: text (UTF-8, empty when it ends),
                  // x = caret position and y = length of its selected part, in characters
  kCloseRequest,  // the window's close command
  kTerminate,     // the system asks the program to end (SIGTERM, SIGINT, SIGHUP): no question
  kExpose,        // the window must be painted again
  kMoved,         // the window moved to (x, y) on the screen
  kDropFile,      // a file or folder was dropped on the window: text (UTF-8 path)
};

struct BackendEvent {
  BackendEventKind kind = BackendEventKind::kNone;
  int32_t x = 0, y = 0;          // view coordinates (mouse) or screen position (kMoved)
  TMouseButton button = mbLeft;  // mouse down/up
  int key = 0;                   // VK_ code (key down/up)
  // ssShift / ssAlt / ssCtrl held at the event; for mouse events also ssLeft / ssRight /
  // ssMiddle as they were once the event happened (a press includes its button).
  TShiftState shift = 0;
  std::string text;              // UTF-8 (text input, composition)
};

// What the layer tells a backend about a message box it is about to show.
struct MessageBoxRequest {
  std::string text, caption;  // CP932
  unsigned flags = 0;
  int defaultAnswer = IDOK;  // the first button
  int cancelAnswer = IDOK;   // what Esc gives
};

class Backend {
 public:
  virtual ~Backend() = default;

  // ---- clock ----
  virtual uint32_t Ticks() = 0;  // milliseconds, wrapping at 32 bits
  virtual void Delay(uint32_t ms) = 0;
  virtual void LocalTime(SYSTEMTIME* st) = 0;

  // ---- events ----
  // Takes the next event if one is ready.
  virtual bool PollEvent(BackendEvent& ev) = 0;
  // Waits at most timeoutMs for an event. Returns false when none came. May return true with
  // a kNone event (a wake-up by Wake).
  virtual bool WaitEvent(BackendEvent& ev, uint32_t timeoutMs) = 0;
  // Thread-safe: makes a pending or the next WaitEvent return soon.
  virtual void Wake() {}
  // Called at the start of every TApplication::ProcessMessages (the fake's test hook).
  virtual void ProcessMessagesStarted() {}

  // ---- window ----
  // Shows the picture at once: the view's size is the picture's size.
  virtual void Present(const TBitmap& picture) = 0;
  // A present that was skipped because the picture on the screen would not change. The fake
  // backend counts it as a frame, so that tests see every copy the engine made to the screen.
  virtual void PresentUnchanged() {}
  virtual void ShowWindow(bool visible) = 0;
  virtual void SetWindowTitle(const std::string& cp932) = 0;
  virtual void SetWindowPosition(int32_t x, int32_t y) = 0;
  virtual void SetWindowBordered(bool bordered) = 0;
  // Borderless desktop full screen with the view scaled to fit, aspect kept. The desktop mode
  // is never changed. Returns false when the backend cannot do it; nothing changes then.
  virtual bool SetFullScreen(bool on) = 0;

  // ---- display ----
  virtual int32_t DesktopWidth() = 0;
  virtual int32_t DesktopHeight() = 0;
  virtual int32_t DesktopBits() = 0;

  // ---- input state ----
  virtual TShiftState Modifiers() = 0;      // ssShift / ssAlt / ssCtrl held now
  virtual TShiftState MouseButtons() = 0;   // ssLeft / ssRight / ssMiddle held now
  virtual bool MousePosition(TPoint* view) = 0;
  virtual void CaptureMouse(bool on) = 0;
  virtual void StartTextInput(const TRect& viewRect) = 0;
  virtual void StopTextInput() = 0;

  // ---- clipboard (UTF-8 text) ----
  virtual std::string GetClipboardText() { return {}; }
  virtual void SetClipboardText(const std::string& utf8) {}

  // ---- message boxes ----
  // Called when a box opens. A backend that answers boxes itself (scripted answers) returns true
  // with *answer set; the box is then shown once and closed with that answer.
  virtual bool MessageBoxOpened(const MessageBoxRequest& req, int* answer) { return false; }
  // Called while a box waits and a wait for input ended without any. Returning true closes the
  // box with *answer.
  virtual bool MessageBoxIdle(int* answer) { return false; }
  // Called when a box closes, while it is still on the last presented picture.
  virtual void MessageBoxClosed(int answer) {}
};

// The local time of the machine (for backends with a real clock).
void RealLocalTime(SYSTEMTIME* st);

// A backend with a real clock and no window: what CurrentBackend() gives before any other is
// installed, so that clock functions work in plain unit tests and tools.
Backend& HeadlessBackend();
