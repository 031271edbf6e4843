// Random CP932 text drawn with DrawTextA at random sizes, rectangles and flags: the measured
// rectangle is never negative, the line starts fall inside the text on character boundaries and
// grow, drawing into a small picture (rectangles partly or wholly outside it) stays inside the
// picture, and drawing returns the height that measuring gives.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/text/cp932.h"
#include "platform/text/text.h"
#include "support/fuzz_setup.h"

namespace {

constexpr unsigned kFlags[] = {DT_CENTER, DT_RIGHT,     DT_VCENTER, DT_BOTTOM,
                               DT_WORDBREAK, DT_SINGLELINE, DT_EXPANDTABS, DT_NOPREFIX};

// A character boundary as the text drawing decodes the text (a lead byte whose pair CP932 does
// not map is a character of its own).
bool onBoundary(const std::string& s, size_t at) {
  size_t i = 0;
  while (i < at) i += DecodeCp932Char(s.data(), s.size(), i, nullptr);
  return i == at;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  unsigned format = 0;
  for (int i = 0; i < 8; ++i)
    if (data[0] & (1u << i)) format |= kFlags[i];
  const int32_t left = int8_t(data[1]), top = int8_t(data[2]);
  const int32_t width = data[3] * 3, height = data[4];
  static const char* const kFaces[] = {"", FontMSGothic(), FontMSPGothic(), "no such face"};
  TFont font;
  font.Name = kFaces[data[5] & 3];
  font.Height = (data[5] & 4) ? (data[5] >> 3) + 1 : -((data[5] >> 3) + 1);
  font.Bold = (data[5] & 0x80) != 0;
  // The text holds whatever the input holds, NUL bytes included; half of the inputs pass their
  // length, the others stop at the first NUL.
  const std::string text(reinterpret_cast<const char*>(data + 6), size - 6);
  const int32_t count = (data[2] & 1) ? int32_t(text.size()) : -1;
  const std::string drawn = count < 0 ? std::string(text.c_str()) : text;

  TRect measure{left, top, left + width, top + height};
  const int32_t measured = DrawTextA(nullptr, font, text.c_str(), count, &measure,
                                     format | DT_CALCRECT);
  FuzzCheck(measured >= 0);
  if (count != 0) FuzzCheck(measure.Right >= measure.Left && measure.Bottom >= measure.Top);

  const std::vector<int32_t> starts = DrawTextLineStarts(font, text.c_str(), count, width, format);
  for (size_t i = 0; i < starts.size(); ++i) {
    FuzzCheck(starts[i] >= 0 && size_t(starts[i]) <= drawn.size());
    FuzzCheck(i == 0 || starts[i] > starts[i - 1]);
    FuzzCheck(onBoundary(drawn, size_t(starts[i])));
  }

  static TBitmap picture(96, 64);
  TRect at{left, top, left + width, top + height};
  const int32_t painted = DrawTextA(&picture, font, text.c_str(), count, &at, format);
  FuzzCheck(painted >= 0);
  if (!(format & (DT_VCENTER | DT_BOTTOM))) FuzzCheck(painted == measured);
  return 0;
}
