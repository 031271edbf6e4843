// Flags and conditional blocks, run line by line as the step machine runs a node.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/interp_story.h"
#include "support/scenario_builder.h"

namespace {

using Lines = std::vector<std::string>;

// Root (0) with the children Chapter1 (1), Chapter2 (2) and Other (3).
class Conditions : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(s.ok()); }

  // Gives the root the body lines, starts it from its first line and runs it.
  Lines run(const Lines& body, std::initializer_list<int> flags = {}) {
    s.StartRoot(body);
    for (int n : flags) f->SaveData.SetFlag(n);
    return s.RunNode();
  }

  InterpStory s{ScenarioText(
      {"root", "\t", "Chapter1 ", "c1", " ", "Chapter2 ", "c2", " ", "Other ", "o"})};
  TMainFrm*& f = s.form;
};

}  // namespace

TEST_F(Conditions, BlocksRunOrAreSkipped) {
  struct Case {
    const char* what;
    std::initializer_list<int> flags;
    Lines body;
    Lines shown;
  } cases[] = {
      {"set flag runs", {}, {"#SETFLG=5", "#IFFLG=5", "in", "#ENDIF", "after"}, {"in", "after"}},
      {"clear flag skips", {}, {"#IFFLG=5", "in", "#ENDIF", "after"}, {"after"}},
      {"IFNFLG on a set flag skips", {5}, {"#IFNFLG=5", "in", "#ENDIF", "after"}, {"after"}},
      {"IFNFLG on a clear flag runs", {}, {"#IFNFLG=5", "in", "#ENDIF"}, {"in"}},
      {"DELFLG toggles",
       {},
       {"#DELFLG=5", "#IFFLG=5", "on", "#ENDIF", "#DELFLG=5", "#IFNFLG=5", "off", "#ENDIF"},
       {"on", "off"}},
      {"whitch: 2 of 5,6,7 with 5 and 7", {5, 7}, {"#IFWHITCHFLG=2,5,6,7", "in", "#ENDIF", "x"},
       {"x"}},
      {"whitch: 2 of 5,6,7 with 6 only", {6}, {"#IFWHITCHFLG=2,5,6,7", "in", "#ENDIF"}, {"in"}},
      {"whitch: 0 always skips", {}, {"#IFWHITCHFLG=0,5", "in", "#ENDIF"}, {}},
      {"whitch: no list always runs", {1}, {"#IFWHITCHFLG=1", "in", "#ENDIF"}, {"in"}},
      {"whitch: a 0 ends the list", {5}, {"#IFWHITCHFLG=1,0,5", "in", "#ENDIF"}, {"in"}},
      {"whitch: digits only", {12}, {"#IFWHITCHFLG=1,x1y2", "in", "#ENDIF", "z"}, {"z"}},
      {"nested: the inner ENDIF ends the skip",
       {},
       {"#IFFLG=1", "a", "#IFFLG=2", "b", "#ENDIF", "c", "#ENDIF", "d"},
       {"c", "d"}},
      {"skipped lines do nothing",
       {},
       {"#IFFLG=1", "#SETFLG=9", "#GOTO=Other", "; note", "#CHARNAME=x", "text", "#ENDIF",
        "#IFFLG=9", "flag9", "#ENDIF", "after"},
       {"after"}},
      {"ENDIF with more after it", {}, {"#IFFLG=1", "a", "#ENDIFX", "b"}, {"b"}},
      {"a sign is no sign", {}, {"#SETFLG=-3", "#IFFLG=3", "in", "#ENDIF"}, {"in"}},
      {"highest flag", {}, {"#SETFLG=1023", "#IFFLG=1023", "in", "#ENDIF"}, {"in"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::memset(f->SaveData.Flags, 0, sizeof f->SaveData.Flags);
    f->SpeakerName[0] = 0;
    EXPECT_EQ(run(c.body, c.flags), c.shown);
    EXPECT_EQ(f->NodeIndex, 0);
    EXPECT_STREQ(f->SpeakerName, "");
    // The node ran to its end and ended as usual.
    EXPECT_EQ(f->TextSubState, tsChoice);
    EXPECT_EQ(f->NodeLineCount, static_cast<int>(c.body.size()));
  }
  EXPECT_FALSE(f->SaveData.TestFlag(9));
}

TEST_F(Conditions, ASkipWithoutEndIfStopsAtTheEndOfTheNode) {
  EXPECT_EQ(run({"a", "#IFFLG=1", "b", "c"}), Lines{"a"});
  EXPECT_EQ(f->TextSubState, tsChoice);
  EXPECT_EQ(f->NodeLineCount, 4);
  EXPECT_EQ(f->LineIndex, 0);
  // Straight from the command: the cursor rests on the end, not past it.
  f->LineIndex = 2;
  f->SkipToEndIf();
  EXPECT_EQ(f->LineIndex, 4);
}

TEST_F(Conditions, FlagsFrom1024AreIgnored) {
  const TSaveData before = f->SaveData;
  for (const char* line : {"#SETFLG=1024", "#DELFLG=1025", "#SETFLG=99999999999", "#SETFLG=8191"}) {
    EXPECT_TRUE(s.Exec(line));
  }
  EXPECT_EQ(std::memcmp(&before, &f->SaveData, sizeof before), 0) << "no byte may change";
  EXPECT_EQ(run({"#IFFLG=1024", "in", "#ENDIF", "#IFNFLG=1024", "out", "#ENDIF"}),
            Lines{"out"});
}

TEST_F(Conditions, ReadMarks) {
  struct Case {
    const char* what;
    std::initializer_list<int> readBefore;  // in ReadBits
    std::initializer_list<int> readNow;     // in SlotReadBits only
    const char* command;
    bool runs;
  } cases[] = {
      {"IFREAD, one of them unread", {1}, {}, "#IFREAD=Chapter", false},
      {"IFREAD, all of them read", {1}, {2}, "#IFREAD=Chapter", true},
      {"IFREAD, no such node", {}, {}, "#IFREAD=Nothing", true},
      {"IFREAD, the empty title matches the unread root", {1, 2, 3}, {}, "#IFREAD=", false},
      {"IFNREAD, one of them read this play", {}, {2}, "#IFNREAD=Chapter", false},
      {"IFNREAD, none read", {3}, {}, "#IFNREAD=Chapter", true},
      {"IFNREAD, no such node", {1, 2}, {}, "#IFNREAD=Nothing", true},
      {"IFNREAD, the exact title", {1}, {}, "#IFNREAD=Chapter2", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::memset(f->ReadFlags.ReadBits, 0, sizeof f->ReadFlags.ReadBits);
    std::memset(f->SaveData.SlotReadBits, 0, sizeof f->SaveData.SlotReadBits);
    for (int n : c.readBefore) f->ReadFlags.SetRead(n);
    for (int n : c.readNow) f->SaveData.SetSlotRead(n);
    Lines expected = c.runs ? Lines{"in", "after"} : Lines{"after"};
    EXPECT_EQ(run({c.command, "in", "#ENDIF", "after"}), expected);
  }
}
