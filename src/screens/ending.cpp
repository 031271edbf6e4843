#include "screens/ending.h"

TfrmEnding::TfrmEnding(TForm* owner) : TForm(owner) {
  SetBorderStyle(bsNone);
  SetClientSize(640, 480);
}

TfrmEnding::~TfrmEnding() = default;
