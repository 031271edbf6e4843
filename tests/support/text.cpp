#include "support/text.h"

#include <gtest/gtest.h>

#include "platform/text/cp932.h"

std::string Cp932(std::string_view utf8) {
  std::string out;
  if (!Utf8ToCp932(utf8, out)) ADD_FAILURE() << "no CP932 form: " << utf8;
  return out;
}

TFont WhiteGothic(int32_t height) {
  TFont f;
  f.Name = FontMSGothic();
  f.Height = height;
  f.Color = clWhite;
  return f;
}
