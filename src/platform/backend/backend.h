// platform/backend: the seam between the platform layer and the host it runs on.
//
// The interface between the platform layer (app.h) and what stands behind it: the SDL backend
// of the real program (sdl_backend.h) or the fake backend of the tests (fake_backend.h). Every
// host service the layer uses goes through it:
//  - the clock (ticks, delays, local time);
//  - input events and input state, the clipboard;
//  - the window: presenting pictures, title, position, full screen, the desktop's size;
//  - message boxes (a backend may answer them);
//  - audio output: music, the WAV channel, the device volumes (AudioOutput, audio_output.h);
//  - file writes: the primitives of the atomic rewrite (create, write, flush, rename);
//  - BMP decoding.
// A test swaps the whole host by installing one object.
//
// A backend is dumb: it shows pictures, reports raw input, keeps time, makes sound and writes
// bytes. Everything Windows-like (forms, routing, the menu bar, message boxes, posted messages,
// the media player and its notices, atomic rewrites) is done above it, once, for all of them.
//
// Host services. Audio output, file writes and BMP decoding have the host's real service as
// their default, so the headless backend and the SDL backend share them: the SDL_mixer output,
// silent when no device opens (sdl/sdl_audio.cpp), POSIX file writes (host_files.cpp) and SDL's
// BMP loader (sdl/sdl_bmp.cpp). The fake backend replaces the audio output and the file writes.
//
// Coordinates. A backend sees only the "view": the picture handed to Present, with (0, 0) at its
// top-left. Mouse events and the mouse position are reported in view coordinates (they may lie
// outside the view while the mouse is captured). The layer maps them to the window picture and to
// form client coordinates (ViewToWindow and friends in app.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/windows/app.h"
#include "platform/pictures/bitmap.h"
#include "platform/types.h"

class AudioOutput;

enum class BackendEventKind {
  kNone,          // nothing to dispatch (a wake-up); WaitEvent may return it
  kMouseDown,
  kMouseUp,
  kMouseMove,
  kMouseWheel,    // the wheel turned by `wheel` notches (positive: up, away from the player);
                  // x, y = the pointer
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
  int32_t wheel = 0;             // notches (wheel)
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
  // The window's size for the view (not in full screen): `scale` times the view (1-3), or the
  // largest size that fits the desktop's work area (0); `smooth` filters the scaled picture
  // linearly instead of by nearest pixels. Mouse coordinates stay in view coordinates.
  virtual void SetWindowScale(int scale, bool smooth) {}

  // ---- display ----
  virtual int32_t DesktopWidth() = 0;
  virtual int32_t DesktopHeight() = 0;
  virtual int32_t DesktopBits() = 0;

  // ---- input state ----
  virtual TShiftState Modifiers() = 0;      // ssShift / ssAlt / ssCtrl held now
  virtual TShiftState MouseButtons() = 0;   // ssLeft / ssRight / ssMiddle held now
  virtual bool MousePosition(TPoint* view) = 0;
  // Moves the pointer to a view point (the layer's SetCursorPos). The move event the layer sends
  // itself; a host that reports one of its own sends the same position again. Default: nothing.
  virtual void WarpMouse(TPoint view) {}
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

  // ---- audio output ----
  // Default: the host's output (SDL_mixer; silent when no device opens), one for every backend
  // that keeps it, so that switching between them leaves the music alone.
  virtual AudioOutput& Audio();

  // ---- file writes ----
  // The steps of the atomic rewrite (WriteWholeFileAtomic), each of which may fail on its own.
  // Defaults: POSIX calls. On failure errno tells why.
  // Creates a new file for writing (0666 less the umask); fails when the name exists (EEXIST).
  // Returns the descriptor, or -1.
  virtual int FileCreate(const std::string& nativePath);
  // Writes all bytes (short writes and interruptions are retried).
  virtual bool FileWrite(int fd, const void* data, size_t size);
  // Puts the written bytes on the disk.
  virtual bool FileFlush(int fd);
  // Replaces `to` with `from` in one step.
  virtual bool FileRename(const std::string& from, const std::string& to);

  // ---- pictures ----
  // Decodes a BMP file whose header the layer checked into picture, which the caller made with
  // the file's width and height. False when the decoder refuses the file or reads another size.
  // Default: SDL's loader.
  virtual bool DecodeBmp(const uint8_t* data, size_t size, TBitmap& picture);
};

// The local time of the machine (for backends with a real clock).
void RealLocalTime(SYSTEMTIME* st);

// A backend with a real clock, no window and the host's services (audio, files, BMP decoding):
// what CurrentBackend() gives before any other is installed, so that plain unit tests and tools
// work.
Backend& HeadlessBackend();
