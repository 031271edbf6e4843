#include "shell/main_form.h"

bool TMainFrm::modeKey(int key, TShiftState shift) { return false; }
