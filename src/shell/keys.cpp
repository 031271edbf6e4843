#include "shell/main_form.h"

bool TMainFrm::playerKey(int key, TShiftState shift) { return false; }
