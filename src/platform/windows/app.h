// platform/windows: the application and its message loop, forms and controls, the menu bar,
// message boxes and the compositor that builds the window picture.
//
// Application, forms, messages, menus, message boxes, clock and input: the part of the platform
// that stands where user32, winmm's clock and the framework's forms stood.
//
// Single-threaded. All waiting is done by the callers' polling loops; ProcessMessages drains the
// backend's events and the posted messages and dispatches each, one at a time, in order, and may
// be re-entered from a handler. Where a caller would otherwise spin, it calls WaitForEvents.
//
// Coordinate systems:
//   screen  - what GetCursorPos reports and form Left/Top of the main form use.
//   window  - the composed window picture: (0, 0) is the top-left of the menu bar (of the client
//             area when the main form has no menu); the main form's client area starts at
//             (0, kMenuBarHeight).
//   client  - a form's client area; a child form's client area lies at (Left, Top) of its
//             parent's client area.
//   view    - the picture the backend shows. In a window it is the window picture. In full
//             screen the view is the main form's client size (the desktop shows it scaled) and
//             shows the window picture from row -Top on (clamped to the menu bar's height): with
//             Top = ClientHeight - Height the bar lies above the screen, with Top = 0 the whole
//             picture moves down by the bar's height and the bar is visible.
// screen = window + (Left, Top) of the main form in both modes.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/pictures/bitmap.h"
#include "platform/types.h"

class Backend;
class TControl;

// ---- messages -------------------------------------------------------------------------------
constexpr uint32_t WM_MOVE = 0x0003;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_APP = 0x8000;
constexpr uint32_t MM_MCINOTIFY = 0x03B9;

struct TMessage {
  uint32_t Msg = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
};

// ---- input ----------------------------------------------------------------------------------
enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32;

// Virtual key codes (the Windows values) for the keys the program looks at.
constexpr int VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10,
              VK_CONTROL = 0x11, VK_MENU = 0x12, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
              VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_DELETE = 0x2E,
              VK_HOME = 0x24, VK_END = 0x23, VK_F10 = 0x79;
constexpr int VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_MBUTTON = 0x04, VK_PRIOR = 0x21,
              VK_NEXT = 0x22, VK_INSERT = 0x2D, VK_F1 = 0x70, VK_F12 = 0x7B;
// Letters and digits use their upper-case ASCII codes ('A' = 0x41, '0' = 0x30).

// ---- menus ----------------------------------------------------------------------------------
class TMenuItem {
 public:
  TMenuItem(std::string caption, std::function<void()> onClick = {});
  std::string Caption;  // CP932; "&" marks the access key
  bool Checked = false;
  bool Enabled = true;
  std::function<void()> OnClick;
  std::vector<std::unique_ptr<TMenuItem>> Items;
  TMenuItem* Add(std::string caption, std::function<void()> onClick = {});
  // The access key letter (upper case) or 0.
  char AccessKey() const;
  // A caption of "-" is a separator line in a drop-down.
  bool IsSeparator() const { return Caption == "-"; }
};

class TMainMenu {
 public:
  std::vector<std::unique_ptr<TMenuItem>> Items;
  TMenuItem* Add(std::string caption);
  // A short mark (CP932) drawn at the right end of the bar, outside the form's client area;
  // empty draws none. A change shows at once.
  void SetStatusText(const std::string& cp932);
  const std::string& StatusText() const { return statusText_; }

 private:
  std::string statusText_;
};

// Height in pixels of the menu bar the layer draws above a main form's client area.
constexpr int32_t kMenuBarHeight = 20;

// ---- forms ----------------------------------------------------------------------------------
enum TBorderStyle { bsNone, bsSingle };

// A form: the main window (no parent) or a frameless child form placed over its parent's client
// area. Each has a persistent canvas: a 24-bit image of its client area. What is drawn on a
// canvas appears on the window the next time the window picture is presented (Present, which
// DrawToScreen-like operations call at once).
class TForm {
 public:
  explicit TForm(TForm* parent = nullptr);
  virtual ~TForm();
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;

  TForm* Parent() const { return parent_; }
  void SetParent(TForm* parent);  // re-parents a form as a child of another

  // Position: for the main form the window's top-left on the screen; for a child, relative to
  // the parent's client area. Width/Height include the menu bar of a main form.
  int32_t Left = 0, Top = 0;
  int32_t ClientWidth() const { return canvas_.Width(); }
  int32_t ClientHeight() const { return canvas_.Height(); }
  void SetClientSize(int32_t w, int32_t h);
  int32_t Width() const;
  int32_t Height() const;
  void SetBounds(int32_t left, int32_t top, int32_t w, int32_t h);  // client size w x h for a child
  void CenterOnScreen();  // "position screen-centre"

  std::string Caption;  // CP932
  void SetCaption(const std::string& cp932);
  TBorderStyle BorderStyle = bsSingle;
  void SetBorderStyle(TBorderStyle bs);

  TMainMenu* Menu() { return menu_.get(); }
  TMainMenu* CreateMenu();

  bool Visible() const { return visible_; }
  void Show();
  void Hide();

  // The writable canvas counts as changed, so that the next present shows it.
  TBitmap& Canvas() {
    canvasWritten_ = true;
    return canvas_;
  }
  const TBitmap& Canvas() const { return canvas_; }
  // Copies the w x h rectangle of src at (sx, sy) onto the canvas at (x, y), clipped to both,
  // and presents the window picture unless neither this copy nor anything else changed it since
  // the last present. Screens that redraw the same picture every frame then cost no more than
  // a comparison.
  void CopyToCanvasAndPresent(int32_t x, int32_t y, int32_t w, int32_t h, const TBitmap& src,
                              int32_t sx, int32_t sy);

  // Composes the window picture (menu bar, main canvas, visible children, open drop-down, modal
  // box) and presents it on the backend at once.
  void Present();

  // Converts a point on the screen to this form's client coordinates.
  TPoint ScreenToClient(TPoint p) const;
  TPoint ClientToScreen(TPoint p) const;

  // Asks to close: for the main form runs CloseQuery, and when it allows, hides the window and
  // terminates the application.
  void Close();

  // ---- events, overridden by the program's forms ----
  virtual void Paint() {}  // repaint the client canvas (window expose)
  virtual void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {}
  virtual void MouseMove(TShiftState shift, int32_t x, int32_t y) {}
  virtual void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {}
  // The wheel turned by delta notches (positive: up). It goes to the form under the pointer
  // (to the one holding the capture while there is one; to the key target when the pointer is
  // over no form), never to a control, and not while a message box or a drop-down is open.
  virtual void MouseWheel(int delta, TShiftState shift, int32_t x, int32_t y) {}
  // Keys go to the topmost visible child form, else to the main form (the menu bar and a modal
  // box take theirs first, the form's focused control the ones it takes, see controls.h).
  // TextInput gets committed text only while no control of the form has the focus.
  virtual void KeyDown(int key, TShiftState shift) {}
  virtual void KeyUp(int key, TShiftState shift) {}
  virtual void TextInput(const std::string& utf8) {}
  // A file or folder dropped on the window (UTF-8 path); it goes to the main form.
  virtual void FileDropped(const std::string& utf8Path) {}
  virtual void CloseQuery(bool& canClose) { canClose = true; }
  // The message dispatch: receives posted messages, WM_CLOSE and WM_MOVE. The default handles
  // WM_CLOSE by calling Close().
  virtual void Dispatch(TMessage& msg);

  // ---- controls (controls.h) ----
  // The form's controls in creation order.
  const std::vector<TControl*>& Controls() const { return controls_; }
  // The control that has the focus while the form is visible, or gets it when the form is
  // shown; null when none.
  TControl* ActiveControl() const { return active_; }
  // Chooses the control that gets the focus: at once on a visible form (as SetFocus), at the
  // next Show on a hidden one. False when c is not a windowed, visible, enabled control of
  // this form.
  bool SetActiveControl(TControl* c);
  // Moves the focus to the next (or previous) windowed control that can take it, in TabOrder
  // (creation order among equal TabOrders), wrapping. False when none can take it.
  bool SelectNext(bool forward);
  // Asks for a repaint of this form (its Paint, then its controls) at the end of the current
  // or next message processing.
  void Invalidate();

  // Child forms in creation order; ChildrenInZOrder lists the visible ones bottom to top (a form
  // shown later lies above one shown earlier).
  const std::vector<TForm*>& Children() const { return children_; }
  std::vector<TForm*> ChildrenInZOrder() const;
  // The height of the menu bar this form draws: kMenuBarHeight for a main form with a menu.
  int32_t MenuBarHeight() const;
  // This form's client origin in window coordinates (main form: (0, MenuBarHeight())).
  TPoint ClientOriginInWindow() const;

 private:
  friend class TApplication;
  friend class TControl;
  friend struct Gui;
  TForm* parent_ = nullptr;
  std::vector<TControl*> controls_;
  TControl* active_ = nullptr;
  bool invalid_ = false;  // Invalidate asked for a repaint
  void focusTo(TControl* c);  // on a visible form: DoExit of the old control, DoEnter of c
  std::vector<TControl*> tabOrder() const;  // the controls that can take the focus
  void enterFirstControl();  // the form was shown: its active control gets the focus
  std::vector<TForm*> children_;
  std::unique_ptr<TMainMenu> menu_;
  TBitmap canvas_;
  bool canvasWritten_ = true;  // changed since the window picture was last presented
  // The last CopyToCanvasAndPresent: its source and clipped placement, and the written-rows
  // serials of both images right after it. While they still hold, only rows written since can
  // differ between the two.
  struct CanvasCopy {
    const TBitmap* src = nullptr;
    int64_t x = 0, y = 0, w = 0, h = 0, sx = 0, sy = 0;
    uint64_t srcSerial = 0, canvasSerial = 0;
  } lastCopy_;
  TBitmap::WrittenRows copySrcRows_, copyCanvasRows_;  // kept to reuse their storage
  bool visible_ = false;
  uint64_t showOrder_ = 0;
};

// ---- message boxes --------------------------------------------------------------------------
constexpr unsigned MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_YESNO = 0x4, MB_ICONERROR = 0x10,
                   MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40,
                   MB_SYSTEMMODAL = 0x1000;
constexpr int IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7;

// Modal message box drawn inside the window: keeps painting and posted messages going but gives
// input only to the box. Enter takes the default (first) button, Esc the Cancel/No button (OK in
// an OK box). text and caption are CP932; a null caption gives "エラー". Returns IDOK, IDCANCEL,
// IDYES or IDNO. While it waits it sleeps in the backend (short timeouts), never spinning.
// Buttons are MB_OK, MB_OKCANCEL or MB_YESNO (other button codes show OK).
int MessageBoxA(TForm* owner, const char* text, const char* caption, unsigned flags);

// True once the system has asked the program to end (a termination signal). Every open box has
// then been answered with its cancel button and the main form got WM_CLOSE; a close handler
// should end without asking.
bool TerminationRequested();

// ---- application ----------------------------------------------------------------------------
class TApplication {
 public:
  TApplication();
  ~TApplication();

  std::string Title;  // CP932
  TForm* MainForm = nullptr;

  // Drains the backend's events and the posted messages, dispatching each one at a time in
  // order (posted messages before input, as Windows does). Re-entrant: an item is taken off its
  // queue before it is dispatched, so a handler that calls ProcessMessages again sees only the
  // items after it. Ends with a repaint when a form was shown or hidden.
  void ProcessMessages();
  // True when a posted message or an event taken by WaitForEvents is waiting.
  bool HasPendingMessages() const;
  // Runs the message loop until Terminate, waiting for events when there is nothing to do.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

  void PostMessage(TForm* form, uint32_t msg, uintptr_t wParam, intptr_t lParam);
  // Thread-safe: may be called from a library thread (audio completion); the message is
  // dispatched on the main thread by the next ProcessMessages.
  void PostMessageFromAnyThread(TForm* form, uint32_t msg, uintptr_t wParam, intptr_t lParam);

  // Shows an exception's text in an error box (the program entry's last resort).
  void ShowException(const char* what);

 private:
  friend struct Gui;
  bool terminated_ = false;
  struct Impl;
  std::unique_ptr<Impl> impl_;
  friend class TForm;
  friend int MessageBoxA(TForm*, const char*, const char*, unsigned);
};

extern TApplication* Application;

// ---- backend selection ----------------------------------------------------------------------
// The program installs the SDL backend at start (InstallSdlBackend, sdl_backend.h); tests install
// a FakeBackend (fake_backend.h). Before either, a headless backend with the real clock serves.
// SetBackend(nullptr) goes back to it.
void SetBackend(Backend* backend);
Backend& CurrentBackend();

// ---- idle -----------------------------------------------------------------------------------
// Waits up to timeoutMs for input or a posted message and returns early when one arrives (it is
// dispatched by the next ProcessMessages, not here). Returns at once when something is already
// waiting. Loops that would otherwise spin on ProcessMessages call this instead; the fake
// backend advances its virtual clock to the next scripted event or by the timeout.
void WaitForEvents(uint32_t timeoutMs);

// ---- text input -----------------------------------------------------------------------------
// Text input (and the input method) is off at start. An edit control turns it on while it has
// the focus; clientRect (in form's client coordinates) places the candidate window. Calling it
// again while text input is on only moves that place (an open composition stays open).
void StartTextInput(TForm* form, const TRect& clientRect);
void StopTextInput();

// ---- clipboard ------------------------------------------------------------------------------
// The desktop clipboard's text as CP932: characters that CP932 cannot hold are dropped. Empty
// when the clipboard holds no text.
std::string GetClipboardText();
void SetClipboardText(const std::string& cp932);

// ---- coordinates ----------------------------------------------------------------------------
// Conversions between the coordinate systems described at the top of this file, for the
// current main form and display mode.
TPoint ViewToWindow(TPoint view);
TPoint WindowToView(TPoint window);
TPoint MainClientToView(TPoint client);
// Rows of the window picture hidden above the view (0 in a window).
int32_t ViewOffset();

// ---- menu geometry (for input scripts and tests) --------------------------------------------
// Rectangle of a top-level menu caption and of an item of its drop-down, in window coordinates.
// False when there is no such item.
bool MenuBarItemRect(size_t menuIndex, TRect* r);
bool MenuDropDownItemRect(size_t menuIndex, size_t itemIndex, TRect* r);
// The open drop-down (-1 when none) and its highlighted item (-1 when none).
int OpenMenuIndex();
int HighlightedMenuItem();
// Number of message boxes open (nested boxes stack), and the rectangle of a button of the
// innermost one in window coordinates (false when there is no such button).
int OpenMessageBoxCount();
bool MessageBoxButtonRect(size_t button, TRect* r);

// ---- clock, input and display services ------------------------------------------------------
uint32_t timeGetTime();  // milliseconds, wrapping at 32 bits
void Sleep(uint32_t ms);
void GetLocalTime(SYSTEMTIME* st);
bool GetCursorPos(TPoint* p);  // screen coordinates
// Places the pointer at a screen point, as if the mouse had moved there: the backend moves the
// pointer when it can and the move event is routed at once, so hover rules run as for the mouse.
void SetCursorPos(int32_t x, int32_t y);
// Makes GetCursorPos report a screen point, without moving the pointer or sending an event, for
// as long as whileTrue() holds, no mouse event arrived and owner lives: a click the program makes
// on a point of its own while the pointer stays where the player left it.
void HoldCursorPos(TForm* owner, TPoint screen, std::function<bool()> whileTrue);
TPoint ScreenToClient(TForm* form, TPoint p);
void SetCapture(TForm* form);
void ReleaseCapture();
TForm* GetCapture();
// Bit 15 set while the key is held (VK_SHIFT is the one the program asks for).
int16_t GetAsyncKeyState(int vk);

// The screen (the desktop); its mode is never changed by the program.
int32_t ScreenWidth();
int32_t ScreenHeight();
int32_t ScreenBitsPerPixel();
// Full screen: borderless desktop full screen with the window picture scaled to fit, aspect
// kept. Returns false when the backend cannot do it.
// While full screen is on, ScreenWidth/ScreenHeight report the main form's client size (the
// program sees the screen "switched" to its picture size) and the bits stay the desktop's.
bool SetFullScreenDisplay(bool on);
bool IsFullScreenDisplay();
// The window's size in a window (not full screen): the window picture `scale` times (1-3), or
// at the largest size that fits the desktop's work area (0). `smooth` filters the scaled picture
// smoothly (else every pixel stays sharp). The game sees its own picture size whatever it is.
void SetWindowScale(int scale, bool smooth);
