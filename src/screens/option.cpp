#include "screens/option.h"

TfrmOption::TfrmOption(TForm* owner) : TForm(owner) {
  SetBorderStyle(bsNone);
  SetClientSize(640, 480);
}

TfrmOption::~TfrmOption() = default;
