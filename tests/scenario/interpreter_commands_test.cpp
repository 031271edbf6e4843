// The interpreter's own pieces: argument fields, the name substitution, the line cursor and
// the commands that are not flags, jumps, pictures or sound.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
#include "screens/ending.h"
#include "screens/input.h"
#include "support/interp_story.h"
#include "support/scenario_builder.h"

namespace {

// Root (0) "r1","r2" with children A (1: one child A1, 2) and B (3, no children).
std::string storyText() {
  return ScenarioText({"r1", "r2", "\t", "A ", "a1", "\t", "A1 ", "x", "  ", "B ", "b1"});
}

class Interp : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(s.ok()); }
  InterpStory s{storyText()};
  TMainFrm*& f = s.form;
};

}  // namespace

TEST_F(Interp, ArgumentFields) {
  struct Row {
    const char* args;
    int k;
    int number;
    const char* text;
  } rows[] = {
      {"=2,-10,5", 0, 2, "2"},
      {"=2,-10,5", 1, 10, "-10"},  // no sign: numbers are never negative
      {"=2,-10,5", 2, 5, "5"},
      {"=2,-10,5", 3, 0, ""},  // missing field
      {"=1a2", 0, 12, "1a2"},
      {"=abc", 0, 0, "abc"},
      {"", 0, 0, ""},
      {"Title", 0, 0, "Title"},
      {"=Ti=tle,=x=", 0, 0, "Title"},  // "=" is dropped wherever it stands
      {"=Ti=tle,=x=", 1, 0, "x"},
      {"= a b ,c", 0, 0, " a b "},  // blanks are kept
      {",,7", 2, 7, "7"},
      {",,7", 1, 0, ""},
      {"=99999999999999", 0, INT_MAX, "99999999999999"},  // too large stays at the largest
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.args) + " field " + std::to_string(r.k));
    EXPECT_EQ(f->GetIntArg(r.args, r.k), r.number);
    char text[kTextBytes] = "junk";
    f->GetStrArg(r.args, text, sizeof text, r.k);
    EXPECT_STREQ(text, r.text);
  }
  EXPECT_EQ(f->GetIntArg(nullptr, 0), 0);
}

TEST_F(Interp, TextFieldsAreCutAtACharacterBoundary) {
  std::string args = "=ab" + Cp932("あいう") + ",z";  // a b, then three two-byte characters
  struct Row {
    size_t size;
    size_t kept;
  } rows[] = {{1, 0}, {3, 2}, {4, 2}, {5, 4}, {6, 4}, {9, 8}, {32, 8}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.size);
    char buf[40];
    std::memset(buf, 'X', sizeof buf);
    f->GetStrArg(args.c_str(), buf, r.size, 0);
    EXPECT_EQ(std::string(buf), args.substr(1, r.kept));
    EXPECT_EQ(buf[r.size], 'X') << "written past the destination";
  }
}

TEST_F(Interp, ExpandNames) {
  std::strcpy(f->SaveData.CharNames[1], "Taro");
  std::strcpy(f->SaveData.CharNames[8], Cp932("花子").c_str());
  std::strcpy(f->SaveData.CharNames[0], "Zero");
  std::strcpy(f->SaveData.CharNames[9], "Nine");
  struct Row {
    const char* src;
    const char* out;
  } rows[] = {
      {"$1は$8と", "Taroは花子と"},
      {"$0 $9 $a $", "$0 $9 $a $"},
      {"$2!", "!"},  // an empty name still replaces its reference
      {"$$1", "$Taro"},
      {"", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.src);
    char out[kLineBytes];
    f->ExpandNames(out, sizeof out, Cp932(r.src).c_str());
    EXPECT_EQ(Cp932ToUtf8(out), r.out);
  }
}

TEST_F(Interp, ExpandNamesStaysInsideItsBuffer) {
  std::strcpy(f->SaveData.CharNames[1], Cp932("あいう").c_str());  // 6 bytes
  // A name entry without a terminator (a damaged save) gives its 32 bytes and no more.
  std::memset(f->SaveData.CharNames[2], 'n', kCharNameBytes);
  struct Row {
    const char* src;
    size_t size;
    std::string out;
  } rows[] = {
      {"x$1", 5, "x" + Cp932("あ")},     // "い" would pass the terminator
      {"x$1", 4, "x" + Cp932("あ")},
      {"x$1", 3, "x"},                   // never half a character
      {"$1$1$1", 13, Cp932("あいうあいう")},
      {"$2", 64, std::string(32, 'n')},
      {"$2$2", 40, std::string(39, 'n')},
      {"abc", 1, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.src) + " in " + std::to_string(r.size));
    char out[80];
    std::memset(out, 'X', sizeof out);
    f->ExpandNames(out, r.size, Cp932(r.src).c_str());
    EXPECT_EQ(std::string(out), r.out);
    EXPECT_EQ(out[r.size], 'X');
  }
}

TEST_F(Interp, FetchWalksANodeAndMovesIntoItsOnlyChild) {
  f->NodeIndex = 1;  // A: one line, one child
  char buf[kLineBytes];
  ASSERT_TRUE(f->FetchNextLine(buf, sizeof buf));
  EXPECT_STREQ(buf, "a1");
  EXPECT_EQ(f->LineIndex, 1);
  EXPECT_FALSE(f->IsNodeRead(1));

  std::memset(buf, 'X', sizeof buf);
  ASSERT_TRUE(f->FetchNextLine(buf, sizeof buf));
  EXPECT_STREQ(buf, "");  // the end of a node gives an empty line
  EXPECT_EQ(f->NodeIndex, 2);
  EXPECT_EQ(f->LineIndex, 0);
  EXPECT_EQ(f->NodeLineCount, 1);
  EXPECT_TRUE(f->IsNodeRead(1));
  EXPECT_EQ(f->TextSubState, tsTyping);

  ASSERT_TRUE(f->FetchNextLine(buf, sizeof buf));
  EXPECT_STREQ(buf, "x");
}

TEST_F(Interp, FetchEndsInTheChoiceWithSeveralChildrenOrNone) {
  for (int node : {0, 3}) {  // the root has two children, B none
    SCOPED_TRACE(node);
    f->NodeIndex = node;
    f->LineIndex = 0;
    f->TextSubState = tsTyping;
    char buf[kLineBytes];
    int lines = 0;
    while (f->FetchNextLine(buf, sizeof buf) && f->LineIndex != 0) ++lines;
    EXPECT_EQ(lines, node == 0 ? 2 : 1);
    EXPECT_EQ(f->TextSubState, tsChoice);
    EXPECT_EQ(f->NodeIndex, node);
    EXPECT_EQ(f->NodeLineCount, lines);
    EXPECT_FALSE(f->IsNodeRead(node));
  }
}

TEST_F(Interp, FetchWithoutANodeFailsAndCutsLongLines) {
  char buf[8];
  f->NodeIndex = 4;
  EXPECT_FALSE(f->FetchNextLine(buf, sizeof buf));
  f->NodeIndex = -1;
  EXPECT_FALSE(f->FetchNextLine(buf, sizeof buf));

  // "r1" cut to a 2-byte buffer keeps 1 byte; a damaged negative index starts the node over.
  f->NodeIndex = 0;
  f->LineIndex = -7;
  ASSERT_TRUE(f->FetchNextLine(buf, 2));
  EXPECT_STREQ(buf, "r");
  EXPECT_EQ(f->LineIndex, 1);
}

TEST(InterpFetch, ALongLineIsCutToTheBufferAtACharacterBoundary) {
  std::string longLine = std::string(254, 'a') + "あい";
  InterpStory s(ScenarioText({longLine}));
  ASSERT_TRUE(s.ok());
  char buf[kLineBytes];
  std::memset(buf, 'X', sizeof buf);
  ASSERT_TRUE(s.form->FetchNextLine(buf, sizeof buf));
  EXPECT_EQ(std::string(buf), std::string(254, 'a'));
}

TEST_F(Interp, TimeWaitSleepsWithoutLettingMessagesThrough) {
  uint64_t t0 = s.h.fake.Elapsed();
  uint64_t polls = s.h.fake.ProcessMessagesCount();
  EXPECT_TRUE(s.Exec("#TIMEWAIT=-250"));  // the sign is dropped
  EXPECT_EQ(s.h.fake.Elapsed() - t0, 250u);
  EXPECT_EQ(s.h.fake.ProcessMessagesCount(), polls);

  EXPECT_TRUE(s.Exec("#WAIT"));
  EXPECT_EQ(s.h.fake.ProcessMessagesCount(), polls + 1);
  EXPECT_EQ(s.h.fake.Elapsed() - t0, 250u);
}

TEST_F(Interp, TextSettingsAndTitles) {
  EXPECT_TRUE(s.Exec("#TEXTWAIT=1a2"));
  EXPECT_EQ(f->TextWaitMs, 12u);
  EXPECT_TRUE(s.Exec("#TEXTDISPLINE"));
  EXPECT_EQ(f->ShowLineAtOnce, 1);
  EXPECT_TRUE(s.Exec("#NODETITLE=第一章,残り"));
  EXPECT_EQ(Cp932ToUtf8(f->NodeTitle), "第一章");
  EXPECT_TRUE(s.Exec("#NODETITLE"));
  EXPECT_STREQ(f->NodeTitle, "");
}

TEST_F(Interp, CharNameExpandsAndFitsTheSpeakerField) {
  std::strcpy(f->SaveData.CharNames[1], Cp932("太郎").c_str());
  EXPECT_TRUE(s.Exec("#CHARNAME=$1さん,x"));
  EXPECT_EQ(s.Speaker(), "太郎さん");

  // 15 two-byte characters and one more byte fill 31 bytes; the 16th character would not fit.
  EXPECT_TRUE(s.Exec("#CHARNAME=aあいうえおかきくけこさしすせそた"));
  EXPECT_EQ(s.Speaker(), "aあいうえおかきくけこさしすせそ");
  EXPECT_EQ(std::strlen(f->SpeakerName), 31u);
}

TEST_F(Interp, EventModeRedrawsTheSceneWithoutText) {
  s.PlainScene(clWhite);
  f->splPaintView->DrawToScreen(true);
  uint64_t frames = s.h.fake.FrameCount();
  EXPECT_TRUE(s.Exec("#EVENTON"));
  EXPECT_EQ(f->EventMode, 1);
  EXPECT_GT(s.h.fake.FrameCount(), frames);
  frames = s.h.fake.FrameCount();
  EXPECT_TRUE(s.Exec("#EVENTOFF"));
  EXPECT_EQ(f->EventMode, 0);
  EXPECT_GT(s.h.fake.FrameCount(), frames);
}

TEST_F(Interp, GoTitleAbandonsTheStory) {
  f->StepState = ssStory;
  f->NodeIndex = 3;
  f->LineIndex = 1;
  f->NodeLineCount = 4;
  f->NeedNextLine = 1;
  f->ClickPending = 1;
  f->TextSubState = tsWaitClick;
  std::strcpy(f->SpeakerName, "who");
  uint64_t t0 = s.h.fake.Elapsed();
  EXPECT_FALSE(s.Exec("#GOTITLE"));
  EXPECT_EQ(f->StepState, ssTitle);
  EXPECT_EQ(f->PrevStepState, ssTitle);
  EXPECT_EQ(f->NodeIndex, 0);
  EXPECT_EQ(f->LineIndex, 0);
  EXPECT_EQ(f->NodeLineCount, 0);
  EXPECT_EQ(f->NeedNextLine, 0);
  EXPECT_EQ(f->ClickPending, 0);
  EXPECT_EQ(f->TextSubState, tsTyping);
  EXPECT_STREQ(f->SpeakerName, "");
  EXPECT_GE(s.h.fake.Elapsed() - t0, 100u);
}

TEST_F(Interp, GoEndingOpensTheEndingScreen) {
  f->StepState = ssStory;
  f->NodeIndex = 3;
  EXPECT_TRUE(s.Exec("#GOENDING=2"));
  EXPECT_EQ(f->StepState, ssEnding);
  EXPECT_EQ(f->PrevStepState, ssStory);
  EXPECT_TRUE(f->IsNodeRead(3));
  EXPECT_TRUE(f->frmEnding->Visible());
  EXPECT_EQ(f->frmEnding->ClientWidth(), f->ClientWidth());
  EXPECT_EQ(f->frmEnding->ClientHeight(), f->ClientHeight());
}

TEST_F(Interp, SetCharNameDarkensTheSceneAndOpensTheNameEntry) {
  s.PlainScene(clWhite);
  EXPECT_TRUE(s.Exec("#SETCHARNAME=3,姓,山田,4,名,"));
  EXPECT_EQ(s.h.fake.ClientPixel(320, 100), static_cast<TColor>(0xC3C3C3));  // 255 - 60
  EXPECT_TRUE(f->frmInput->Visible());
  EXPECT_EQ(f->frmInput->FirstNameIndex, 3);
  EXPECT_EQ(f->frmInput->SecondNameIndex, 4);
  EXPECT_EQ(f->frmInput->ClientWidth(), f->ClientWidth());
  EXPECT_EQ(f->frmInput->ClientHeight(), f->ClientHeight());
}
