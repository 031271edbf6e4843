// Application, forms, messages, menus, message boxes, clock and input: the part of the platform
// that stands where user32, winmm's clock and the framework's forms stood.
//
// Single-threaded. All waiting is done by the callers' polling loops; ProcessMessages drains the
// backend's events and the posted messages and dispatches each, one at a time, in order, and may
// be re-entered from a handler.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/types.h"

class Backend;

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
};

class TMainMenu {
 public:
  std::vector<std::unique_ptr<TMenuItem>> Items;
  TMenuItem* Add(std::string caption);
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

  TBitmap& Canvas() { return canvas_; }
  const TBitmap& Canvas() const { return canvas_; }

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
  virtual void KeyDown(int key, TShiftState shift) {}
  virtual void TextInput(const std::string& utf8) {}
  virtual void CloseQuery(bool& canClose) { canClose = true; }
  // The message dispatch: receives posted messages, WM_CLOSE and WM_MOVE. The default handles
  // WM_CLOSE by calling Close().
  virtual void Dispatch(TMessage& msg);

  // Child forms in z-order (later shown above earlier).
  const std::vector<TForm*>& Children() const { return children_; }

 private:
  friend class TApplication;
  TForm* parent_ = nullptr;
  std::vector<TForm*> children_;
  std::unique_ptr<TMainMenu> menu_;
  TBitmap canvas_;
  bool visible_ = false;
  uint64_t showOrder_ = 0;
};

// ---- message boxes --------------------------------------------------------------------------
constexpr unsigned MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_YESNO = 0x4, MB_ICONERROR = 0x10,
                   MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40,
                   MB_SYSTEMMODAL = 0x1000;
constexpr int IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7;

// Modal message box drawn inside the window: keeps painting and posted messages going but gives
// input only to the box. Enter takes the default (first) button, Esc the Cancel/No button.
// text and caption are CP932. Returns IDOK, IDCANCEL, IDYES or IDNO.
int MessageBoxA(TForm* owner, const char* text, const char* caption, unsigned flags);

// ---- application ----------------------------------------------------------------------------
class TApplication {
 public:
  TApplication();
  ~TApplication();

  std::string Title;  // CP932
  TForm* MainForm = nullptr;

  // Drains the backend's events and the posted messages, dispatching each one at a time in
  // order. Re-entrant.
  void ProcessMessages();
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
  bool terminated_ = false;
  struct Impl;
  std::unique_ptr<Impl> impl_;
  friend class TForm;
  friend int MessageBoxA(TForm*, const char*, const char*, unsigned);
};

extern TApplication* Application;

// ---- backend selection ----------------------------------------------------------------------
// The program installs the SDL backend at start; tests install a FakeBackend (fake_backend.h).
void SetBackend(Backend* backend);
Backend& CurrentBackend();

// ---- clock, input and display services ------------------------------------------------------
uint32_t timeGetTime();  // milliseconds, wrapping at 32 bits
void Sleep(uint32_t ms);
void GetLocalTime(SYSTEMTIME* st);
bool GetCursorPos(TPoint* p);  // screen coordinates
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
bool SetFullScreenDisplay(bool on);
bool IsFullScreenDisplay();
