// TEdit: a single-line edit control that behaves as a Windows edit box does. It paints on its
// parent form's canvas (a sunken border, the background colour, the text scrolled so that the
// caret stays visible, the selection inverted and a blinking caret while focused) and takes
// keys, typed text, the input method's composition and the mouse while it has the focus.
//
// Text is CP932. Positions and MaxLength count bytes and always fall on character boundaries: a
// two-byte character that does not fit whole is refused, as a Windows edit refuses it.
// Typed and pasted text is cut at MaxLength; SetText is not (as WM_SETTEXT is not).
//
// Keys: Left/Right by character, Home/End, with Shift they select; Backspace and Delete remove
// the selection or one character; Ctrl+A selects all; Ctrl+C/X/V (and Ctrl+Insert, Shift+Delete,
// Shift+Insert) use the desktop clipboard. Enter, Escape and Tab are not taken (the form acts on
// them), except while a composition is open: then every key belongs to the input method and
// the edit takes it without acting on it.
//
// Text input is on while the edit has the focus, with the candidate window placed at the caret.
// An open composition is drawn underlined at the caret and is not part of Text() until the
// input method commits it; when it starts it replaces the selection.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/pictures/bitmap.h"
#include "platform/windows/controls.h"
#include "platform/text/text.h"

class TEdit : public TControl {
 public:
  explicit TEdit(TForm* parent);
  ~TEdit() override;
  bool Windowed() const override { return true; }

  TFont Font;              // "ＭＳ Ｐゴシック", height -12, black
  TColor Color = clWhite;  // background
  int32_t MaxLength = 0;   // in bytes; 0 = the Windows default limit of 32767
  bool AutoSelect = true;  // the whole text is selected when the focus arrives

  const std::string& Text() const { return text_; }  // CP932
  // Replaces all text; the caret goes to the end.
  void SetText(const std::string& cp932);
  int32_t SelStart() const;
  int32_t SelLength() const;
  // Selects length bytes from start (clamped to the text, moved back to character
  // boundaries); the caret goes to the end of the range.
  void SetSel(int32_t start, int32_t length);
  void SelectAll();
  bool Composing() const { return !compose_.empty(); }
  std::function<void(TEdit*)> OnChange;

  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void MouseMove(TShiftState shift, int32_t x, int32_t y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
  void DoEnter() override;
  void DoExit() override;
  bool KeyDown(int key, TShiftState shift) override;
  void TextInput(const std::string& utf8) override;
  void TextEditing(const std::string& utf8, int32_t cursor, int32_t length) override;
  void Idle() override;
  uint32_t IdleDueInMs() const override;

  // Half a period of the caret's blink, in milliseconds.
  static constexpr uint32_t kCaretBlinkMs = 530;

 private:
  int32_t limit() const;
  // Byte offset of the character boundary before / after pos.
  size_t prevChar(size_t pos) const;
  size_t nextChar(size_t pos) const;
  size_t selFrom() const { return std::min(anchor_, caret_); }
  size_t selTo() const { return std::max(anchor_, caret_); }
  // Replaces the selection with cp932 (control characters dropped, cut at the limit). False
  // when nothing could be inserted and nothing was selected.
  bool insert(const std::string& cp932);
  void replaceSelection(const std::string& cp932);
  void moveCaret(size_t pos, bool extend);
  void copy() const;
  // The composition in CP932, and the pixel offsets of its caret and selected part in it.
  std::string composition(int32_t* caretPx, int32_t* selFromPx, int32_t* selToPx) const;
  // The text area inside the border, in the control's coordinates.
  TRect textArea() const;
  // Scrolls so that the caret is visible and moves the candidate window to it.
  void layout();
  size_t posFromX(int32_t x) const;
  // The caret shows and the blink starts over (every edit and move).
  void resetCaret();

  std::string text_;
  size_t anchor_ = 0, caret_ = 0;  // the selection runs between them; caret_ is where typing goes
  std::string compose_;            // UTF-8
  int32_t composeCursor_ = 0, composeLength_ = 0;
  int32_t scroll_ = 0;  // pixels of text scrolled out on the left
  bool caretOn_ = true;
  uint32_t blinkAt_ = 0;
  bool dragging_ = false;
  bool textInputOn_ = false;
  TRect imeRect_;
  TBitmap scratch_;  // the text area is drawn here and copied clipped onto the canvas
};
