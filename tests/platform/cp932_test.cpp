// Code page 932: lead bytes, cutting at character boundaries, conversions and SJ().
#include "platform/text/cp932.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Cp932LeadByte, RangesAreExactlyTheTwoLeadBlocks) {
  for (int c = 0; c < 256; ++c) {
    bool expected = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(c)), expected) << "byte " << c;
  }
}

TEST(Cp932Cut, CutAtCharBoundary) {
  // "あ" is 82 A0, "い" 82 A2; 0xB1 is a one-byte half-width katakana.
  struct Case {
    const char* text;
    size_t len, max, expected;
  } cases[] = {
      {"abc", 3, 10, 3},
      {"abc", 3, 2, 2},
      {"abc", 3, 0, 0},
      {"\x82\xA0\x82\xA2", 4, 4, 4},
      {"\x82\xA0\x82\xA2", 4, 3, 2},  // never splits "い"
      {"\x82\xA0\x82\xA2", 4, 1, 0},
      {"a\x82\xA0", 3, 2, 1},
      {"\xB1\xB2\xB3", 3, 2, 2},      // half-width katakana are single bytes
      {"ab\x82", 3, 3, 2},            // a lone lead byte at the end is dropped
      {"\x82\xA0", 1, 5, 0},          // len ends inside the character
      {"\x81\x5C" "x", 3, 2, 2},      // trail byte 0x5C belongs to its lead byte
  };
  for (const Case& c : cases)
    EXPECT_EQ(CutAtCharBoundary(c.text, c.len, c.max), c.expected)
        << c.text << " len " << c.len << " max " << c.max;
  EXPECT_EQ(CutAtCharBoundary(nullptr, 5, 5), 0u);
}

TEST(Cp932Cut, CopyCutAndAppendCut) {
  struct Case {
    const char* initial;  // nullptr: CopyCut only
    const char* src;
    size_t size;
    const char* expected;
  } cases[] = {
      {nullptr, "hello", 6, "hello"},
      {nullptr, "hello", 4, "hel"},
      {nullptr, "\x82\xA0\x82\xA2", 4, "\x82\xA0"},  // 3 bytes of room: only "あ"
      {nullptr, "\x82\xA0\x82\xA2", 5, "\x82\xA0\x82\xA2"},
      {nullptr, "\x82\xA0", 2, ""},
      {nullptr, "abc", 1, ""},
      {"ab", "cd", 10, "abcd"},
      {"ab", "cdef", 5, "abcd"},
      {"ab", "\x82\xA0\x82\xA2", 5, "ab\x82\xA0"},
      {"ab", "\x82\xA0", 4, "ab"},  // one byte of room is not enough for a character
      {"abcd", "x", 5, "abcd"},     // full already
  };
  for (const Case& c : cases) {
    char buf[16];
    memset(buf, 'Z', sizeof buf);
    if (c.initial) {
      strcpy(buf, c.initial);
      AppendCut(buf, c.size, c.src);
    } else {
      CopyCut(buf, c.size, c.src);
    }
    EXPECT_STREQ(buf, c.expected) << (c.initial ? c.initial : "(copy)") << " + " << c.src;
    EXPECT_EQ(buf[c.size], 'Z') << "wrote past the buffer";  // nothing written beyond size
  }
}

TEST(Cp932Cut, AppendCutToUnterminatedBufferEndsItAtACharacter) {
  char buf[6] = {'a', 'b', 'c', '\x82', '\xA0', '\x82'};
  AppendCut(buf, sizeof buf, "x");
  EXPECT_STREQ(buf, "abc\x82\xA0");
}

TEST(Cp932Convert, DecodesMicrosoftTable) {
  struct Case {
    const char* cp932;
    const char* utf8;
  } cases[] = {
      {"\\", "\\"},                  // 0x5C is a backslash, not a yen sign
      {"~", "~"},
      {"\x81\x60", "～"},            // the wave dash of Microsoft's table (U+FF5E)
      {"\x81\x5F", "＼"},
      {"\x87\x40", "①"},             // NEC special characters
      {"\xFA\x40", "ⅰ"},             // IBM extensions
      {"\xB1\xDF", "ｱﾟ"},
      {"\x95\x5C", "表"},            // trail byte 0x5C
      {"\x93\xFA\x96\x7B\x8C\xEA", "日本語"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
    std::string back;
    ASSERT_TRUE(Utf8ToCp932(c.utf8, back)) << c.utf8;
    EXPECT_EQ(back, c.cp932);
  }
  // Characters coded twice convert back to the IBM extension block, as Microsoft's table does.
  EXPECT_EQ(Cp932ToUtf8("\xED\x40"), "纊");  // NEC-selected IBM extension
  std::string back;
  ASSERT_TRUE(Utf8ToCp932("纊", back));
  EXPECT_EQ(back, "\xFA\x5C");
}

TEST(Cp932Convert, UndecodableBytesBecomeReplacementCharacters) {
  struct Case {
    std::string cp932;
    const char* utf8;
  } cases[] = {
      {"a\x80" "b", "a\uFFFDb"},
      {"\xA0", "\uFFFD"},
      {"\xFD\xFE\xFF", "\uFFFD\uFFFD\uFFFD"},
      {"\x81\x20" "x", "\uFFFD x"},      // a bad trail byte is kept as its own character
      {"ab\x82", "ab\uFFFD"},            // lead byte at the end
  };
  for (const Case& c : cases) EXPECT_EQ(Cp932ToUtf8(c.cp932), std::string(c.utf8));
  // A zero byte is no trail byte.
  EXPECT_EQ(Cp932ToUtf8(std::string("\x82\0", 2)), std::string("\uFFFD\0", 4));
}

TEST(Cp932Convert, Utf8WithoutCp932FormReportsOffset) {
  struct Case {
    std::string utf8;
    size_t offset;
    std::string prefix;
  } cases[] = {
      {"€", 0, ""},
      {"ab😀cd", 2, "ab"},
      {"あé", 3, "\x82\xA0"},
      {"ab\xC3", 2, "ab"},             // truncated sequence
      {"a\xC0\xAF", 1, "a"},           // overlong encoding of "/"
      {"a\xED\xA0\x80", 1, "a"},       // a surrogate
      {"x\x80", 1, "x"},               // stray continuation byte
  };
  for (const Case& c : cases) {
    std::string out = "junk";
    size_t bad = 999;
    EXPECT_FALSE(Utf8ToCp932(c.utf8, out, &bad)) << c.utf8;
    EXPECT_EQ(bad, c.offset) << c.utf8;
    EXPECT_EQ(out, c.prefix) << c.utf8;
  }
  std::string out;
  EXPECT_FALSE(Utf8ToCp932("€", out));  // no offset pointer is fine
}

TEST(Cp932Decode, CharactersAndLengths) {
  struct Case {
    std::string text;
    size_t i;
    char32_t cp;
    size_t len;
  } cases[] = {
      {"A", 0, U'A', 1},
      {"\x82\xA0", 0, U'あ', 2},
      {"\x82\xA0", 1, 0xFFFD, 1},  // a trail byte alone does not decode
      {"\x82", 0, 0xFFFD, 1},      // lead byte without its trail byte
      {"\x82" "A", 0, 0xFFFD, 1},  // 0x41 is no trail byte of 0x82 in the table
      {"\x81\x7F", 0, 0xFFFD, 1},
      {"\x80", 0, 0xFFFD, 1},
      {"\xA0", 0, 0xFFFD, 1},
      {"\xFD", 0, 0xFFFD, 1},
      {"\xB1", 0, U'ｱ', 1},
      {"\x81\x40", 0, U'\u3000', 2},
      {"\xFB\xFC", 0, U'髙', 2},
  };
  for (const Case& c : cases) {
    char32_t cp = 0;
    EXPECT_EQ(DecodeCp932Char(c.text.data(), c.text.size(), c.i, &cp), c.len) << c.text;
    EXPECT_EQ(cp, c.cp) << c.text;
  }
  char32_t cp = 1;
  EXPECT_EQ(DecodeCp932Char("ab", 2, 2, &cp), 0u);  // past the end
  EXPECT_EQ(DecodeCp932Char(nullptr, 2, 0, &cp), 0u);
}

TEST(Cp932Sj, ConvertsOnceAndRoundTrips) {
  const char* texts[] = {"エラー", "読み込みに失敗しました", "%d番のデータから読みこみます",
                         "\n　　%04d年%02d月%02d日%02d時%02d分\n%s", "ＭＳ ゴシック", "plain"};
  for (const char* t : texts) {
    const char* a = SJ(t);
    EXPECT_EQ(SJ(t), a) << "the same literal converts once";
    EXPECT_EQ(Cp932ToUtf8(a), t);
  }
  EXPECT_STREQ(SJ("はい"), "\x82\xCD\x82\xA2");
  EXPECT_STREQ(SJ(nullptr), "");
  EXPECT_STREQ(SJ(""), "");
}

TEST(Cp932Sj, BufferWhoseContentChangesIsConvertedAgainAndOldResultsStay) {
  char buf[32];
  strcpy(buf, "いいえ");
  const char* first = SJ(buf);
  std::string firstCopy = first;
  strcpy(buf, "はい");
  const char* second = SJ(buf);
  EXPECT_STREQ(second, "\x82\xCD\x82\xA2");
  EXPECT_EQ(std::string(first), firstCopy) << "an earlier result must stay valid";
}

TEST(Cp932Sj, UnconvertibleCharactersBecomeQuestionMarks) {
  EXPECT_STREQ(SJ("a€b"), "a?b");
  EXPECT_STREQ(SJ("x\xFFy"), "x?y");
}

}  // namespace
