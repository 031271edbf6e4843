// TfrmOption: the option screen, a frameless child form over the play area. It edits a copy of
// the player's options (text speed, animated transitions, darkened message window) and copies it
// back into the game state only when the player confirms with "決定". Its background is the play
// area's current, darkened picture; its labels are drawn over it.
#pragma once
#include <memory>

#include "platform/windows/app.h"
#include "screens/novellbl.h"
#include "shell/save_data.h"

class TfrmOption : public TForm {
 public:
  // Created hidden, as a child of the main form, covering its client area.
  explicit TfrmOption(TForm* owner);
  ~TfrmOption() override;

  TOptionData OptionCopy{};  // the options being edited
  bool HoverActive = true;   // a selectable label is shown in the hover colour

  // Headings, the speed scale, and the nine selectable labels.
  std::unique_ptr<TNovelLabel> nlvlDispSpeed, nlvlDispFade, nlvlTextBk, nlvlDispSpeedTop;
  std::unique_ptr<TNovelLabel> nlvlDispSpeed1, nlvlDispSpeed2, nlvlDispSpeed3;
  std::unique_ptr<TNovelLabel> nlvlDispFadeYes, nlvlDispFadeNo, nlvlTextBkYes, nlvlTextBkNo;
  std::unique_ptr<TNovelLabel> nlvlIDYES, nlvlIDCANCEL;

  // Sets the label colours from OptionCopy and repaints the selectable labels at once.
  void RefreshColours();

  // Event handlers.
  void FormPaint();
  void nlvlSelecterClick(TControl* Sender);
  void nlvlIDYESClick(TControl* Sender);
  void nlvlIDCANCELClick(TControl* Sender);
  // Sender is the label under the mouse, or null for the form itself.
  void FormMouseMove(TControl* Sender);
  void FormMouseDown(TMouseButton Button);

  // The form's own events.
  void Paint() override { FormPaint(); }
  void MouseDown(TMouseButton button, TShiftState, int32_t, int32_t) override {
    FormMouseDown(button);
  }
  void MouseMove(TShiftState, int32_t, int32_t) override { FormMouseMove(nullptr); }
  // Keys as the mouse: Enter and Space click the label under the pointer, Escape and Backspace
  // are a right press, the arrows move the pointer onto the next selectable label.
  void KeyDown(int key, TShiftState shift) override;

  // The nine selectable labels in painting order: speed 1-3, fade yes/no, text background
  // yes/no, decide, cancel.
  TNovelLabel* const* Selectable() const { return selectable_; }

 private:
  TNovelLabel* selectable_[9] = {};
  // The selectable label under the pointer, or -1.
  int labelAtPointer() const;
};
