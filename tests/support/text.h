// Text for tests: CP932 forms of UTF-8 literals and the fonts the text tests draw with.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text/text.h"

// UTF-8 to CP932 for test literals that are not the program's own texts; the test fails when a
// character has no CP932 form.
std::string Cp932(std::string_view utf8);

// White "ＭＳ ゴシック" of the given pixel height; -27 is the message window's.
TFont WhiteGothic(int32_t height = -27);
