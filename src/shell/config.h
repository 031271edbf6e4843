// Helpers of the configuration reader.
#pragma once
#include <cstddef>
#include <cstdint>

// "FRAMEPOS": x from the digits of the first comma-separated field, y from those of the second;
// every byte other than '0'-'9' is dropped (signs too), a missing field gives 0.
void ParseFramePos(const char* value, int32_t* x, int32_t* y);

// True when the zero-terminated CP932 string ends in a backslash character (not in the trail
// byte 0x5C of a two-byte character).
bool EndsWithBackslash(const char* s);
