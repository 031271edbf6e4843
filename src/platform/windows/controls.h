// Controls: the framework's controls that live on a form. A graphic control (TControl itself)
// has no window of its own and paints on its parent form's canvas; a windowed control
// (Windowed() true, e.g. TEdit in edit.h) can take the keyboard focus.
//
// Routing. A form's mouse events go to the topmost visible, enabled control under the pointer
// (windowed controls lie above graphic ones, later-created above earlier), in the control's own
// coordinates; without one they go to the form's own handlers. A control that takes a left
// press keeps the mouse until the release, and the release inside the control is a Click().
// Keys and text go to the focused control of the form that gets keys (the topmost visible child
// form, see app.h); what the control does not take (KeyDown false) goes on to the form, except
// Tab and Shift+Tab, which the layer uses to move the focus between the windowed controls of the
// form in TabOrder.
//
// Painting. A form's repaint (a window expose, a form shown or hidden, Invalidate) calls the
// form's Paint and then, in creation order, the Paint of each visible control: graphic controls
// first, then windowed ones, so a form that paints its whole background never covers them.
// Controls may also be painted at once by calling Paint directly.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/windows/app.h"
#include "platform/types.h"

class TControl {
 public:
  // Registers with parent (which must outlive it, or it is destroyed first).
  explicit TControl(TForm* parent);
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  TForm* Parent() const { return parent_; }
  // The parent form's canvas, on which the control paints.
  TBitmap& Canvas();

  int32_t Left = 0, Top = 0, Width = 0, Height = 0;  // in the parent's client coordinates
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  TRect ClientRect() const { return Rect(0, 0, Width, Height); }
  TRect BoundsRect() const { return Rect(Left, Top, Left + Width, Top + Height); }

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e);

  // Asks for a repaint of the parent form (its Paint, then its controls) at the next message
  // processing.
  void Invalidate();
  virtual void Paint() {}

  // Mouse, in the control's client coordinates. The defaults call the On... handlers.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  virtual void MouseMove(TShiftState shift, int32_t x, int32_t y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
  virtual void Click();
  std::function<void(TControl* sender)> OnClick;
  std::function<void(TControl* sender, TMouseButton, TShiftState, int32_t x, int32_t y)>
      OnMouseDown;
  std::function<void(TControl* sender, TShiftState, int32_t x, int32_t y)> OnMouseMove;

  // ---- focus (windowed controls) ----
  virtual bool Windowed() const { return false; }
  int TabOrder = 0;
  // Visible, enabled, windowed, on a visible form.
  bool CanFocus() const;
  bool Focused() const;
  // Makes this the focused control of its form; false when it cannot take the focus.
  bool SetFocus();
  // The focus arrives (also when the form is shown with this control focused) or leaves.
  virtual void DoEnter() {}
  virtual void DoExit() {}
  // Keys and text while focused. KeyDown returns true when the control took the key.
  virtual bool KeyDown(int key, TShiftState shift) { return false; }
  virtual void KeyUp(int key, TShiftState shift) {}
  virtual void TextInput(const std::string& utf8) {}
  // The input method's composition (UTF-8; empty when it ends). cursor is the caret position
  // in characters inside it, length the length of the selected part (0 for none).
  virtual void TextEditing(const std::string& utf8, int32_t cursor, int32_t length) {}
  // Called at every message processing while focused, for time-driven drawing (the caret).
  virtual void Idle() {}
  // The longest the control may wait before Idle must run again (UINT32_MAX: no need).
  virtual uint32_t IdleDueInMs() const { return UINT32_MAX; }

 private:
  friend class TForm;
  friend struct Gui;
  // Hidden or disabled: gives up the focus (DoExit) and the mouse.
  void loseFocusAndMouse();
  TForm* parent_ = nullptr;
  bool visible_ = true;
  bool enabled_ = true;
};
