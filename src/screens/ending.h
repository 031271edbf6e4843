// TfrmEnding: the ending screen, a frameless child form over the play area that plays the
// ending roll described by an ending file "mscsNN.esf".
#pragma once
#include "platform/app.h"

class TfrmEnding : public TForm {
 public:
  // Created hidden, as a child of the main form, covering its client area.
  explicit TfrmEnding(TForm* owner);
  ~TfrmEnding() override;

  bool FirstPaint = false;  // set when shown: the next paint runs the shrink animation
  bool AbortRoll = false;   // set by the main form when the program closes; ends the roll
  TBitmap RollPicture;      // the picture currently shown (a JPEG background also lands here)

  // Reads ending file number n and prepares the roll.
  void LoadEndingFile(int n);
};
