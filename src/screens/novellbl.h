// TNovelLabel: the text label of the option and name-entry screens. A windowless control that
// draws its caption with DrawTextA on its parent form's canvas, like the framework's ordinary
// label, with two additions the game screens rely on: a one-pixel drop shadow (TextShadow) and a
// switch that decides whether a caption change repaints the control (DrawRefresh). The screens
// draw the game picture as their background, so their labels are transparent.
#pragma once
#include <cstdint>
#include <string>

#include "platform/windows/controls.h"
#include "platform/text/text.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TOperation { opInsert, opRemove };

class TNovelLabel : public TControl {
 public:
  // Not transparent, 65 x 17, auto-size on, "&" taken as the accelerator prefix.
  explicit TNovelLabel(TForm* parent);

  // ---- published properties ----
  const std::string& Caption() const { return caption_; }  // CP932
  void SetCaption(const std::string& cp932);
  TColor Color = clBtnFace;  // the background, and the colour of the shadow
  // The font; after changing it call FontChanged (the caption is measured again). Callers may
  // change Font.Color and call Paint to repaint at once.
  TFont Font;
  void FontChanged();
  bool DrawRefresh = false;  // a caption change repaints the control
  bool TextShadow = false;   // draw a shadow offset by (+1, +1) in Color under the text

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool value);
  TControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TControl* value);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool value);
  bool Transparent() const { return !opaque_; }
  void SetTransparent(bool value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);

  // ---- operations ----
  void Paint() override;
  // The text to draw: the caption.
  virtual std::string GetLabelText() const;
  // Draws (or with DT_CALCRECT measures) the label's text in rect, given in the control's
  // coordinates; rect receives the measured size.
  virtual void DoDrawText(TRect& rect, unsigned flags);
  // Fits the bounds to the text when auto-size is on; a right-justified label keeps its right
  // edge.
  virtual void AdjustBounds();
  // The form has finished setting the properties: the bounds are fitted once.
  void Loaded();
  // The owner tells the label that a component goes away; a focus control that goes is
  // forgotten.
  void Notification(TControl* component, TOperation operation);
  // The dialog-character message: when key is the caption's accelerator, the focus control
  // takes the focus. True when handled.
  bool CMDialogChar(char key);

 private:
  std::string caption_;
  TControl* FFocusControl = nullptr;
  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  TTextLayout FLayout = tlTop;
  bool FWordWrap = false;
  bool FShowAccelChar = true;
  bool opaque_ = true;  // the framework's opaque control style
};

// The framework's accelerator test: true when text has a single "&" before key (compared
// without case).
bool IsAccel(char key, const std::string& text);
