// TfrmInput: the name entry screen, a frameless child form over the play area. "#SETCHARNAME"
// opens it with one or two captions and pre-filled names; "ＯＫ" (or Enter in a field) stores
// the names in the save record's CharNames, where "$1".."$8" and a save find them.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/windows/app.h"
#include "platform/text/edit.h"
#include "screens/novellbl.h"

class TfrmInput : public TForm {
 public:
  // Created hidden, as a child of the main form, covering its client area.
  explicit TfrmInput(TForm* owner);
  ~TfrmInput() override;

  std::unique_ptr<TNovelLabel> nlvlCharaName1, nlvlCharaName2, nlvlIDOK;
  std::unique_ptr<TEdit> edtCharaName1, edtCharaName2;

  bool HoverActive = false;     // "ＯＫ" is shown in the hover colour
  int32_t FirstNameIndex = 0;   // CharNames entry that receives the first name
  int32_t SecondNameIndex = 0;  // CharNames entry that receives the second name

  // Prepares the captions, the pre-filled texts and the receiving entries before the form is
  // shown; an empty text2 asks for one name only. Every opening starts from the designed layout.
  void setupNames(int32_t firstIndex, const char* caption1, const char* text1, int32_t secondIndex,
                  const char* caption2, const char* text2);
  // Shows the form with the first field focused (its text selected).
  void showForInput();

  // Event handlers.
  void FormPaint();
  // Sender is "ＯＫ", or null for the form itself.
  void FormMouseMove(TControl* Sender);
  void nlvlIDOKClick(TControl* Sender);

  // The form's own events.
  void Paint() override { FormPaint(); }
  void MouseMove(TShiftState, int32_t, int32_t) override { FormMouseMove(nullptr); }
  // Enter in a field (no composition open: the field keeps it then) acts as "ＯＫ".
  void KeyDown(int key, TShiftState shift) override;
};
