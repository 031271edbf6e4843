// TfrmInput: the name entry screen, a frameless child form over the play area. It asks for one
// or two character names and stores them in the save record's CharNames on "ＯＫ".
#pragma once
#include <cstdint>

#include "platform/app.h"

class TfrmInput : public TForm {
 public:
  // Created hidden, as a child of the main form, covering its client area.
  explicit TfrmInput(TForm* owner);
  ~TfrmInput() override;

  bool HoverActive = false;     // "ＯＫ" is shown in the hover colour
  int32_t FirstNameIndex = 0;   // CharNames entry that receives the first name
  int32_t SecondNameIndex = 0;  // CharNames entry that receives the second name

  // Prepares the captions, the pre-filled texts and the receiving entries before the form is
  // shown; an empty text2 asks for one name only.
  void setupNames(int32_t firstIndex, const char* caption1, const char* text1, int32_t secondIndex,
                  const char* caption2, const char* text2);
};
