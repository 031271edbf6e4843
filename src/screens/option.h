// TfrmOption: the option screen, a frameless child form over the play area. It edits a copy of
// the player's options and copies it back when the player confirms.
#pragma once
#include "platform/app.h"
#include "shell/save_data.h"

class TfrmOption : public TForm {
 public:
  // Created hidden, as a child of the main form, covering its client area.
  explicit TfrmOption(TForm* owner);
  ~TfrmOption() override;

  TOptionData OptionCopy{};  // the options being edited
  bool HoverActive = true;   // a selectable label is shown in the hover colour

  // Sets the label colours from OptionCopy and repaints them.
  void RefreshColours();
};
