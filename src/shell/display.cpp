#include "shell/main_form.h"

bool TMainFrm::displayKey(int key, TShiftState shift) { return false; }
