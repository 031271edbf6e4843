// Where DrawTextA breaks lines with DT_WORDBREAK, with the message font (ＭＳ ゴシック, -27 pixels):
// each text is laid out in a rectangle as wide as a given text plus a few pixels, or as the
// message window's text area, and the lines must start where the expected lines start.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text/cp932.h"
#include "platform/text/text.h"
#include "support/text.h"

namespace {

constexpr int32_t kWindowTextWidth = 600;  // the message window's text area
const char kSpeaker[] = "【ミラ】　";         // a speaker's name drawn before the text

enum WidthKind { kFit, kWindow, kWindowAfterSpeaker };

struct BreakCase {
  const char* name;
  const char* text;  // UTF-8
  WidthKind kind;
  const char* fit;  // kFit: the rectangle is as wide as this text plus delta
  int32_t delta;
  const char* lines;  // the expected lines, separated by "|"
};

const BreakCase kCases[] = {
    {"run of closing marks moves as one", "あいう。。。", kFit, "あいう", 0, "あい|う。。。"},
    {"closing after closing", "あいうえ」。", kFit, "あいうえ", 0, "あいう|え」。"},
    {"the demo's comma", "さあ、どこへ行こう？", kFit, "さあ", 0, "さ|あ、|どこ|へ行|こ|う？"},
    {"break between two-byte and letters both ways", "あHelloあ", kFit, "あHell", 0,
     "あ|Hello|あ"},
    {"letters then two-byte", "あHelloあ", kFit, "あHello", 0, "あHello|あ"},
    {"opening bracket after letters", "Hello「あ」", kFit, "Hello「", 0, "Hello|「あ」"},
    {"closing mark after letters stays", "Hello。", kFit, "Hell", 0, "Hello。"},
    {"half-width katakana", "ｱｲｳｴｵ", kFit, "ｱｲｳ", 0, "ｱｲｳ|ｴｵ"},
    {"half-width voiced marks stay", "ｶﾞｷﾞｸﾞ", kFit, "ｶﾞｷ", 0, "ｶﾞ|ｷﾞ|ｸﾞ"},
    {"two-byte letters of other scripts", "ΑΒΓΔ", kFit, "ΑΒΓ", 0, "ΑΒΓ|Δ"},
    {"word moves down with its blank", "aaa bbb ccc", kFit, "aaa bbb", 0, "aaa |bbb ccc"},
    {"word and blank fit", "aaa bbb ccc", kFit, "aaa bbb ", 0, "aaa bbb |ccc"},
    {"blanks stay at the end", "aaa   bbb", kFit, "aaa", 0, "aaa   |bbb"},
    {"long word is not broken", "abcdefghij klm", kFit, "abc", 0, "abcdefghij |klm"},
    {"a kana and its mark wider than the line", "あ。い", kFit, "", 5, "あ。|い"},
    {"each break form is one break", "ab\r\ncd\ref\ngh\n\rij", kFit, "abcdefghij", 0,
     "ab|cd|ef|gh|ij"},
    {"empty lines", "ab\r\n\r\ncd\n\n", kFit, "abcd", 0, "ab||cd|"},
    {"full window", "一二三四五六七八九十一二三四五六七八九十一二。", kWindow, "", 0,
     "一二三四五六七八九十一二三四五六七八九十一|二。"},
    {"demo line after the speaker", "三回鳴ったら、おでかけの合図。さあ、ソラ、どこへ行こう？",
     kWindowAfterSpeaker, "", 0, "三回鳴ったら、おでかけの合図。さ|あ、ソラ、どこへ行こう？"},
};

// The byte offsets of the expected lines in the CP932 text: each line follows the previous one,
// after the CR, LF, CR LF or LF CR that ends it.
std::vector<int32_t> expectedStarts(const std::string& text, const std::string& linesUtf8) {
  std::vector<int32_t> starts;
  size_t p = 0;
  std::stringstream in(linesUtf8);
  std::string line;
  bool first = true;
  auto next = [&](std::string& out) {
    if (linesUtf8.empty() || (!first && in.eof())) return false;
    std::getline(in, out, '|');
    return true;
  };
  while (next(line)) {
    if (!first && p < text.size() && (text[p] == '\r' || text[p] == '\n')) {
      const char other = text[p] == '\r' ? '\n' : '\r';
      ++p;
      if (p < text.size() && text[p] == other) ++p;
    }
    first = false;
    const std::string sj = Cp932(line);
    EXPECT_EQ(text.compare(p, sj.size(), sj), 0) << "the table's line \"" << line << "\"";
    starts.push_back(int32_t(p));
    p += sj.size();
  }
  return starts;
}

int32_t widthOf(const BreakCase& c, const TFont& font) {
  switch (c.kind) {
    case kWindow:
      return kWindowTextWidth;
    case kWindowAfterSpeaker:
      return kWindowTextWidth - TextWidth(font, Cp932(kSpeaker).c_str());
    case kFit:
      break;
  }
  return TextWidth(font, Cp932(c.fit).c_str()) + c.delta;
}

TEST(TextBreak, LinesStartWhereExpected) {
  const TFont font = WhiteGothic();
  const int32_t lh = TextHeight(font);
  for (const BreakCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string text = Cp932(c.text);
    const int32_t width = widthOf(c, font);
    const std::vector<int32_t> want = expectedStarts(text, c.lines);
    EXPECT_EQ(DrawTextLineStarts(font, text.c_str(), -1, width, DT_WORDBREAK | DT_NOPREFIX), want);
    TRect r{10, 10, 10 + width, 200};
    EXPECT_EQ(DrawTextA(nullptr, font, text.c_str(), -1, &r, DT_WORDBREAK | DT_CALCRECT),
              lh * int32_t(want.size()));
  }
}

// The characters no line may start with, and those no line may end with.
const char kNoStart[] =
    "。、，．・：；？！）］｝」』】〕〉》’”ーゝゞヽヾ々ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ"
    "｡､｣ｰｧｨｩｪｫｬｭｮｯ";
const char kNoEnd[] = "（［｛「『【〔〈《‘“";

std::vector<std::string> sjChars(const char* utf8) {
  const std::string s = Cp932(utf8);
  std::vector<std::string> out;
  for (size_t i = 0; i < s.size();) {
    const size_t n = IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    out.push_back(s.substr(i, n));
    i += n;
  }
  return out;
}

TEST(TextBreak, NoLineStartsWithAClosingMarkOrEndsWithAnOpeningOne) {
  const TFont font = WhiteGothic();
  const int32_t w = TextWidth(font, Cp932("あいう").c_str());
  const std::string a = Cp932("あ"), i = Cp932("い"), u = Cp932("う");
  // "あいう" fits: a following closing mark takes "う" down with it.
  for (const std::string& mark : sjChars(kNoStart)) {
    const std::string text = a + i + u + mark;
    EXPECT_EQ(DrawTextLineStarts(font, text.c_str(), -1, w, DT_WORDBREAK),
              (std::vector<int32_t>{0, 4}))
        << Cp932ToUtf8(mark);
  }
  // "あい" and an opening bracket fit: the bracket goes down to stay with "う".
  for (const std::string& mark : sjChars(kNoEnd)) {
    const std::string text = a + i + mark + u;
    const int32_t fit = TextWidth(font, (a + i + mark).c_str());
    EXPECT_EQ(DrawTextLineStarts(font, text.c_str(), -1, fit, DT_WORDBREAK),
              (std::vector<int32_t>{0, 4}))
        << Cp932ToUtf8(mark);
  }
}

// Every story line of the demo, with names in place, in the message window with and without a
// speaker's name before it.
TEST(TextBreak, DemoTextNeverStartsALineWithAClosingMark) {
  const TFont font = WhiteGothic();
  std::ifstream in(std::string(MIRAVEL_SOURCE_DIR) + "/demo/scenario.txt");
  ASSERT_TRUE(in.good());
  const std::vector<std::string> noStart = sjChars(kNoStart), noEnd = sjChars(kNoEnd);
  const int32_t widths[] = {kWindowTextWidth,
                            kWindowTextWidth - TextWidth(font, Cp932(kSpeaker).c_str())};
  std::string utf8;
  int checked = 0;
  while (std::getline(in, utf8)) {
    if (utf8.empty() || utf8[0] == '#' || utf8[0] == ';' || utf8[0] == '\t') continue;
    for (size_t p; (p = utf8.find("$1")) != std::string::npos;) utf8.replace(p, 2, "そよかぜ");
    for (size_t p; (p = utf8.find("$2")) != std::string::npos;) utf8.replace(p, 2, "ソラ");
    const std::string text = Cp932(utf8);
    for (int32_t width : widths) {
      const std::vector<int32_t> starts =
          DrawTextLineStarts(font, text.c_str(), -1, width, DT_WORDBREAK);
      for (size_t k = 1; k < starts.size(); ++k) {
        const size_t at = size_t(starts[k]);
        for (const std::string& m : noStart)
          EXPECT_NE(text.compare(at, m.size(), m), 0) << utf8 << " at " << at;
        for (const std::string& m : noEnd)
          EXPECT_FALSE(at >= m.size() && text.compare(at - m.size(), m.size(), m) == 0)
              << utf8 << " at " << at;
      }
      ++checked;
    }
  }
  EXPECT_GT(checked, 20);
}

}  // namespace
