// Helpers of the configuration reader.
#pragma once
#include <cstddef>
#include <cstdint>

// "FRAMEPOS": x from the digits of the first comma-separated field, y from those of the second;
// every byte other than '0'-'9' is dropped (signs too), a missing field gives 0.
void ParseFramePos(const char* value, int32_t* x, int32_t* y);

// EndsWithBackslash, with the other path rules the author tools share.
#include "scenario/game_paths.h"
