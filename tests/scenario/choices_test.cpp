// Jumps by title, the loop commands and the texts of a choice.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/text/cp932.h"
#include "support/interp_story.h"
#include "support/scenario_builder.h"

namespace {

using Lines = std::vector<std::string>;

// 0 root; 1 Alpha (a1, a2; one child: 2 Alpha-kid); 3 Alpine (p1; children 4 Left, 5 Right).
class Choices : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s.ok());
    ASSERT_EQ(f->TreeViewSinario.Count(), 6);
    ASSERT_STREQ(f->TreeViewSinario.Item(3)->Title(), "Alpine");
    ASSERT_STREQ(f->TreeViewSinario.Item(5)->Title(), "Right");
  }
  void setRoot(const Lines& body) { s.StartRoot(body); }
  void clearReadMarks() {
    std::memset(f->ReadFlags.ReadBits, 0, sizeof f->ReadFlags.ReadBits);
    std::memset(f->SaveData.SlotReadBits, 0, sizeof f->SaveData.SlotReadBits);
  }

  InterpStory s{ScenarioText({"root", "\t", "Alpha ", "a1", "a2", "\t", "Alpha-kid ", "k1", "  ",
                              "Alpine ", "p1", "\t", "Left ", "l1", " ", "Right ", "r1"})};
  TMainFrm*& f = s.form;
};

}  // namespace

TEST_F(Choices, FindNodeByTitleTakesTheFirstPrefixMatch) {
  EXPECT_EQ(f->FindNodeByTitle("Al"), 1);
  EXPECT_EQ(f->FindNodeByTitle("Alp"), 1);
  EXPECT_EQ(f->FindNodeByTitle("Alpi"), 3);
  EXPECT_EQ(f->FindNodeByTitle("Alpha-"), 2);
  EXPECT_EQ(f->FindNodeByTitle(""), 0);
  EXPECT_EQ(f->FindNodeByTitle("alpha"), -1);  // case counts
  EXPECT_EQ(f->FindNodeByTitle("Alpha-kid and more"), -1);
}

TEST_F(Choices, JumpsLandOnTheirNodeAndMarkTheNodeLeft) {
  struct Case {
    const char* command;
    int node;       // -1: no jump
    int lineIndex;  // after the command
  } cases[] = {
      {"#GOTO=Al", 1, 0},
      {"#GOTOAlpi", 3, 0},
      {"#GOTONODEFIRST=Alpha-", 2, 0},
      {"#GOTONODEFIRSTLeft", 4, 0},
      {"#GOTONODESELECT=Alpha", 1, 2},  // at the end of the body
      {"#GOTONODESELECT=Alpine", 3, 1},
      {"#GOTO=Nope", -1, 1},
      {"#GOTO=A=l=p=i", 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    clearReadMarks();
    setRoot({"#GOTO placeholder", "r2"});
    f->LineIndex = 1;
    f->NodeLines->SetText("line\nr2\n");
    EXPECT_TRUE(s.Exec(c.command));
    if (c.node < 0) {
      EXPECT_EQ(f->NodeIndex, 0);
      EXPECT_FALSE(f->IsNodeRead(0));
    } else {
      EXPECT_EQ(f->NodeIndex, c.node);
      EXPECT_TRUE(f->IsNodeRead(0)) << "the node left is read";
      EXPECT_FALSE(f->IsNodeRead(c.node)) << "the node reached is not";
      EXPECT_EQ(f->NodeLines->Text(), f->TreeViewSinario.Item(c.node)->BodyText());
    }
    EXPECT_EQ(f->LineIndex, c.lineIndex);
  }
  // The jump is written to the read-flags file at once.
  std::vector<uint8_t> file = s.h.folder.Read("orxrf.svd");
  ASSERT_EQ(file.size(), 2051u);
  EXPECT_EQ(file[0] & 1, 1);
}

TEST_F(Choices, AStoryFollowsItsJumps) {
  setRoot({"x", "#GOTO=Nope", "y", "#GOTO=Alpi", "never"});
  EXPECT_EQ(s.RunNode(), (Lines{"x", "y", "p1"}));
  EXPECT_EQ(f->NodeIndex, 3);
  EXPECT_EQ(f->TextSubState, tsChoice);

  // To the end of a node with one child: the next fetch goes on into the child.
  setRoot({"#GOTONODESELECT=Alpha", "never"});
  clearReadMarks();
  EXPECT_EQ(s.RunNode(), Lines{});
  EXPECT_EQ(f->NodeIndex, 2);
  EXPECT_TRUE(f->IsNodeRead(1));
  EXPECT_EQ(s.RunNode(), Lines{"k1"});
}

TEST_F(Choices, Loops) {
  struct Case {
    Lines body;
    Lines shown;
  } cases[] = {
      {{"#DOLOOP", "t", "#WHILECOUNT=0", "end"}, {"t", "end"}},
      {{"#DOLOOP", "t", "#WHILECOUNT=3", "end"}, {"t", "t", "t", "t", "end"}},
      {{"s", "#DOLOOP", "a", "b", "#WHILECOUNT=2", "e"}, {"s", "a", "b", "a", "b", "a", "b", "e"}},
      // A second loop starts its count again.
      {{"#DOLOOP", "a", "#WHILECOUNT=1", "#DOLOOP", "b", "#WHILECOUNT=1"}, {"a", "a", "b", "b"}},
  };
  for (const Case& c : cases) {
    setRoot(c.body);
    EXPECT_EQ(s.RunNode(), c.shown);
  }
}

TEST_F(Choices, WhileClickWaitsForTheButtonWithoutTakingTheClick) {
  setRoot({"#DOLOOP", "t", "#WHILECLICK", "end"});
  Lines shown = s.RunNode(20);
  EXPECT_EQ(shown, Lines(10, "t"));  // round and round, one line per step

  f->ClickPending = 1;  // the 20th line fetched was "t": #WHILECLICK is next
  EXPECT_EQ(s.RunNode(), Lines{"end"});
  EXPECT_EQ(f->ClickPending, 1);

  f->ClickPending = 0;
  f->LeftButtonDown = 1;
  setRoot({"#DOLOOP", "t", "#WHILECLICK", "end"});
  EXPECT_EQ(s.RunNode(), (Lines{"t", "end"}));
}

TEST_F(Choices, ChoiceTexts) {
  std::strcpy(f->SelectText[3], "old");
  std::strcpy(f->SelectText[4], "four");
  EXPECT_TRUE(s.Exec("#SELECTSTRING=どっち？"));
  EXPECT_TRUE(s.Exec("#SELECTANSWER=右へ,左へ"));
  EXPECT_EQ(Cp932ToUtf8(f->SelectText[0]), "どっち？");
  EXPECT_EQ(Cp932ToUtf8(f->SelectText[1]), "右へ");
  EXPECT_EQ(Cp932ToUtf8(f->SelectText[2]), "左へ");
  EXPECT_STREQ(f->SelectText[3], "");  // a missing field gives an empty label
  EXPECT_STREQ(f->SelectText[4], "four");
  EXPECT_TRUE(s.Exec("#NODETITLE=saved"));

  f->ClearChoiceTexts();
  EXPECT_EQ(Cp932ToUtf8(f->SelectText[0]), "どっち？");  // the question stays
  for (int i = 1; i <= 4; ++i) EXPECT_STREQ(f->SelectText[i], "");
  EXPECT_STREQ(f->NodeTitle, "");
}
