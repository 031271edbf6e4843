#include "screens/input.h"

TfrmInput::TfrmInput(TForm* owner) : TForm(owner) {
  SetBorderStyle(bsNone);
  SetClientSize(640, 480);
}

TfrmInput::~TfrmInput() = default;
