// Rebuilding the scene after a load: which lines of the saved node run again, where the cursor
// ends, the choice and the music coming back, and slots the scenario no longer fits.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "paint/splpaint.h"
#include "platform/audio/audio.h"
#include "platform/pictures/bitmap.h"
#include "platform/text/cp932.h"
#include "support/interp_story.h"
#include "support/picture_game.h"
#include "support/scenario_builder.h"

namespace {

// The root's lines (node 0), then its children L (1) and R (2).
const char* const kRootLines[] = {
    "#LOADBKGRP=bg",            // 0
    "#LOADSPLITE=3,spr",        // 1
    "#MOVESPLITE=3,40,20",      // 2
    "#CHARNAME=Alice",          // 3
    "#SETFLG=5",                // 4  flags come from the save
    "#IFFLG=3",                 // 5
    "#CHARNAME=Bob",            // 6  only with flag 3
    "#ENDIF",                   // 7
    "#GOTO=R",                  // 8  not followed
    "#DOLOOP",                  // 9
    "a text line",              // 10
    "#SELECTSTRING=Which way?",  // 11
    "#SELECTANSWER=Left,Right",  // 12
    "#NODETITLE=At the fork",   // 13
    "#EVENTON",                 // 14 not replayed
    "#TEXTWAIT=50",             // 15 not replayed
    "#BGMLOAD=7",               // 16 not replayed
    "#WAVEPLAYSOUND=hit.wav",   // 17 not replayed
    "#MOVESPLITE=3,5,5",        // 18
};
constexpr int kRootCount = sizeof kRootLines / sizeof kRootLines[0];

std::string scenario() {
  std::string text;
  for (const char* line : kRootLines) text += std::string(line) + "\r\n";
  return text + ScenarioText({"\t", "L ", "l1", " ", "R ", "r1"});
}

class Replay : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s.ok());
    ASSERT_EQ(f->TreeViewSinario.Count(), 3);
    ASSERT_TRUE(s.h.folder.MakeDir("grp"));
    ASSERT_TRUE(SaveBitmapFile(s.h.folder.File("grp/bg.bmp").c_str(),
                               PictureGame::Solid(0x0000FF)));
    ASSERT_TRUE(SaveBitmapFile(s.h.folder.File("grp/spr.bmp").c_str(),
                               PictureGame::Solid(0x00FF00, 16, 8)));
    ASSERT_TRUE(s.h.folder.Write("bgm/0007.mid", "music"));
    ASSERT_TRUE(s.h.folder.Write("bgm/0012.mid", "music"));
    FakeAudioClearCalls();
  }
  // A slot read into SaveData, as LoadSlot leaves it before the replay.
  void saved(int node, int line, std::initializer_list<int> flags = {}) {
    f->SaveData = TSaveData{};
    f->SaveData.SaveNodeIndex = int16_t(node);
    f->SaveData.SaveLineIndex = int16_t(line);
    for (int n : flags) f->SaveData.SetFlag(n);
  }
  void savedMusic(const char* name, bool playing) {
    std::memset(f->SaveData.BgmFileName, 0, sizeof f->SaveData.BgmFileName);
    std::strcpy(f->SaveData.BgmFileName, name);
    f->SaveData.BgmWasPlaying = playing ? 1 : 0;
  }
  TMediaPlayer& player() { return *f->MediaPlayer; }
  // Plays the root from its first line as the step machine would, but without the jump, up to
  // line end (exclusive) or to the fetch that ends the node.
  void playRoot(int end) {
    f->NodeIndex = 0;
    f->LineIndex = 0;
    char line[kLineBytes];
    while (f->LineIndex < end && f->FetchNextLine(line, sizeof line) && f->LineIndex != 0) {
      if (std::strncmp(line, "#GOTO", 5) != 0) f->ExecuteCommand(line);
    }
  }

  InterpStory s{scenario()};
  TMainFrm*& f = s.form;
};

}  // namespace

TEST_F(Replay, RunsTheSceneCommandsUnderTheLoadedFlags) {
  struct Case {
    const char* name;
    std::initializer_list<int> flags;
    const char* speaker;
  } cases[] = {
      {"FlagClearSkipsTheBlock", {}, "Alice"},
      {"FlagSetRunsTheBlock", {3}, "Bob"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    f->NodeIndex = 2;
    f->SpeakerName[0] = 0;
    f->EventMode = 0;
    f->TextWaitMs = 0;
    FakeAudioClearCalls();
    saved(0, kRootCount, c.flags);
    ASSERT_TRUE(f->ReplayScene(false));

    EXPECT_EQ(s.Speaker(), c.speaker);
    EXPECT_EQ(f->NodeIndex, 0);  // the #GOTO was passed over
    EXPECT_EQ(f->LineIndex, kRootCount);
    EXPECT_STREQ(f->SelectText[0], "Which way?");
    EXPECT_STREQ(f->NodeTitle, "At the fork");
    TSplPaint& sp = *f->splPaintView;
    EXPECT_EQ(sp.OrgBkGnd.Pixel(100, 100), TColor(0x0000FF));
    EXPECT_EQ(sp.Splite[3].DestRect.Left, 45);  // both moves, relative
    EXPECT_EQ(sp.Splite[3].DestRect.Top, 25);
    // Passed over: flag changes, event mode, text settings and sound.
    EXPECT_FALSE(f->SaveData.TestFlag(5));
    EXPECT_EQ(f->EventMode, 0);
    EXPECT_EQ(f->TextWaitMs, 0u);
    EXPECT_TRUE(FakeAudioCalls("Open").empty());
    EXPECT_TRUE(FakeAudioCalls("sndPlaySoundA").empty());
  }
}

TEST_F(Replay, StopsBeforeTheSavedLine) {
  struct Case {
    int line;
    const char* speaker;  // "" none replayed
    int spriteLeft;
  } cases[] = {
      {0, "", 0},      // nothing replayed
      {3, "", 40},     // the line that was current (3) is not run again
      {4, "Alice", 40},
      {-5, "", 0},     // a damaged index replays nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    f->SpeakerName[0] = 0;
    f->splPaintView->MoveSplite(3, 0, 0);
    saved(0, c.line, {3});
    ASSERT_TRUE(f->ReplayScene(false));
    EXPECT_EQ(s.Speaker(), c.speaker);
    EXPECT_EQ(f->splPaintView->Splite[3].DestRect.Left, c.spriteLeft);
    EXPECT_EQ(f->LineIndex, c.line);
  }
  // From line 0 the node starts at its first line.
  saved(0, 0);
  ASSERT_TRUE(f->ReplayScene(false));
  char line[kLineBytes];
  ASSERT_TRUE(f->FetchNextLine(line, sizeof line));
  EXPECT_STREQ(line, kRootLines[0]);
}

TEST_F(Replay, DoLoopMarksTheSameLoopStartAsPlay) {
  playRoot(10);  // up to and with #DOLOOP
  ASSERT_EQ(f->LineIndex, 10);
  int played = f->LoopStartLine;
  f->LoopStartLine = 99;
  f->LoopCount = 4;
  saved(0, 12);
  ASSERT_TRUE(f->ReplayScene(false));
  EXPECT_EQ(f->LoopStartLine, played);
  EXPECT_EQ(f->LoopCount, 0);
}

TEST_F(Replay, ChoiceSavedAtTheNodesEndComesBack) {
  playRoot(kRootCount + 1);
  ASSERT_EQ(f->TextSubState, tsChoice);
  ASSERT_EQ(f->NodeIndex, 0);
  ASSERT_TRUE(f->SaveSlot(2));

  for (char* t : f->SelectText) t[0] = 0;
  f->SpeakerName[0] = 0;
  f->TextSubState = tsTyping;
  f->NodeIndex = 1;
  f->LineIndex = 0;
  ASSERT_TRUE(f->LoadSlot(2, false));
  EXPECT_EQ(f->NodeIndex, 0);
  char line[kLineBytes];
  ASSERT_TRUE(f->FetchNextLine(line, sizeof line));  // ends the node again
  EXPECT_EQ(f->TextSubState, tsChoice);
  EXPECT_STREQ(f->SelectText[0], "Which way?");
  EXPECT_STREQ(f->SelectText[1], "Left");
  EXPECT_STREQ(f->SelectText[2], "Right");
  EXPECT_EQ(s.Speaker(), "Alice");
}

TEST_F(Replay, SavedMusicIsReopened) {
  struct Case {
    const char* name;
    const char* before;  // the file the player has before the load, null none
    const char* saved;   // BgmFileName; "" none
    bool wasPlaying;
    const char* file;    // the player's file afterwards, relative to the music folder
    bool plays;
  } cases[] = {
      {"PlayingReopensAndPlays", "0012.mid", "0007.mid", true, "0007.mid", true},
      {"StoppedReopensOnly", "0012.mid", "0007.mid", false, "0007.mid", false},
      {"MissingKeepsTheOldFile", "0012.mid", "gone.mid", true, "0012.mid", true},
      {"MissingWithoutOldFile", nullptr, "gone.mid", true, "", false},
      {"NoMusicLeavesThePlayer", "0012.mid", "", true, "0012.mid", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    s.h.fake.ClearBoxes();
    player().Close();
    player().FileName.clear();
    if (c.before) {
      ASSERT_TRUE(s.Exec(std::string("#BGMNLOAD=") + c.before));
      ASSERT_TRUE(s.Exec("#BGMPLAY"));
    }
    FakeAudioClearCalls();
    saved(0, 1);
    savedMusic(c.saved, c.wasPlaying);
    ASSERT_TRUE(f->ReplayScene(false));
    std::string expect = c.file[0] ? std::string(f->BgmDir) + c.file : "";
    EXPECT_EQ(player().FileName, expect);
    EXPECT_EQ(player().Mode() == mpPlaying, c.plays);
    if (c.saved[0] == 0) {
      EXPECT_TRUE(FakeAudioCalls().empty());
      continue;
    }
    EXPECT_EQ(FakeAudioCalls("Open").size(), 1u);
    std::vector<FakeAudioCall> plays = FakeAudioCalls("Play");
    ASSERT_EQ(plays.size(), c.plays ? 1u : 0u);
    if (c.plays) {
      EXPECT_EQ(plays[0].Flags, 1u);  // with the completion notice: it loops
      ASSERT_TRUE(FakeAudioEndMusic());
      s.h.app.ProcessMessages();
      EXPECT_EQ(player().Mode(), mpPlaying);
    }
  }
  EXPECT_TRUE(s.h.fake.Boxes().empty());
}

TEST_F(Replay, SlotOfANodeThatIsGoneChangesNothing) {
  f->NodeIndex = 2;
  f->LineIndex = 1;
  f->SpeakerName[0] = 0;
  saved(7, 5);
  savedMusic("0007.mid", true);
  EXPECT_FALSE(f->ReplayScene(true));
  EXPECT_EQ(f->NodeIndex, 2);
  EXPECT_EQ(f->LineIndex, 1);
  EXPECT_TRUE(FakeAudioCalls().empty());
}

TEST_F(Replay, RedrawFlagShowsTheResult) {
  f->Show();
  // An empty scene is never copied to the screen, so give it a picture first.
  TBitmap picture(640, 480, pf24bit);
  ASSERT_TRUE(f->splPaintView->SetBkGnd(&picture, true));
  for (bool redraw : {false, true}) {
    SCOPED_TRACE(redraw);
    uint64_t frames = s.h.fake.FrameCount();
    saved(0, 1);
    ASSERT_TRUE(f->ReplayScene(redraw));
    EXPECT_EQ(s.h.fake.FrameCount() > frames, redraw);
  }
}

// A replayed line longer than a line buffer is cut at a character boundary, as a fetched one.
TEST(ReplayLongLine, IsCutLikeAFetchedLine) {
  std::string title = "#NODETITLE=" + std::string(243, 'x');  // 254 bytes
  InterpStory s(title + "あい" + "tail\r\n" + "last\r\n");
  ASSERT_TRUE(s.ok());
  TMainFrm* f = s.form;
  f->SaveData.SaveNodeIndex = 0;
  f->SaveData.SaveLineIndex = 1;
  ASSERT_TRUE(f->ReplayScene(false));
  // 254 bytes plus the first two-byte character would be 256: it is dropped whole.
  EXPECT_EQ(std::strlen(f->NodeTitle), 243u);
  EXPECT_EQ(std::string(f->NodeTitle), std::string(243, 'x'));
}

// The sprites the replayed stretch drew and erased come back on the scene without text, each
// command by its end state, while the working image keeps its picture for the fade-in.
TEST(ReplaySprites, TheSceneComesBackWithTheSpritesShownAtTheSave) {
  const TColor kBlue = RGB(0, 0, 255), kRed = RGB(255, 0, 0), kYellow = RGB(255, 255, 0);
  const char* const lines[] = {
      "#LOADBKGRP=bg",       // 0
      "#LOADSPLITE=3,red",   // 1
      "#LOADSPLITE=4,yel",   // 2
      "#MOVESPLITE=4,100,0", // 3
      "#DRAWSPLITE=3,0",     // 4
      "#FADEINSPLITE=4",     // 5
      "#FADEOUTSPLITE=3",    // 6
      "#FADETOSPLITE=4,3",   // 7 the red sprite takes the yellow one's turn
      "#PATCHALLSPLITE",     // 8
      "#DRAWALL=0",          // 9
      "text",                // 10
  };
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  InterpStory s(text);
  ASSERT_TRUE(s.ok());
  ASSERT_TRUE(s.h.folder.MakeDir("grp"));
  ASSERT_TRUE(SaveBitmapFile(s.h.folder.File("grp/bg.bmp").c_str(), PictureGame::Solid(kBlue)));
  ASSERT_TRUE(
      SaveBitmapFile(s.h.folder.File("grp/red.bmp").c_str(), PictureGame::Solid(kRed, 16, 8)));
  ASSERT_TRUE(SaveBitmapFile(s.h.folder.File("grp/yel.bmp").c_str(),
                             PictureGame::Solid(kYellow, 16, 8)));
  TMainFrm* f = s.form;
  TSplPaint& sp = *f->splPaintView;

  struct Case {
    int savedLine;
    TColor at5, at105;  // Temp at (5, 5) and (105, 5)
  } cases[] = {
      {4, kBlue, kBlue},   {5, kRed, kBlue},  {6, kRed, kYellow}, {7, kBlue, kYellow},
      {8, kRed, kBlue},    {9, kBlue, kBlue}, {10, kRed, kYellow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.savedLine);
    // Black, as the fade-out before a load leaves the scene.
    TBitmap black = PictureGame::Solid(clBlack);
    ASSERT_TRUE(sp.SetBkGnd(&black, true));
    f->SaveData = TSaveData{};
    f->SaveData.SaveNodeIndex = 0;
    f->SaveData.SaveLineIndex = int16_t(c.savedLine);
    ASSERT_TRUE(f->ReplayScene(false));
    EXPECT_EQ(sp.Temp.Pixel(5, 5), c.at5);
    EXPECT_EQ(sp.Temp.Pixel(105, 5), c.at105);
    EXPECT_EQ(sp.Temp.Pixel(300, 300), kBlue);
    EXPECT_EQ(sp.OrgBkGnd.Pixel(5, 5), kBlue) << "the clean background stays clean";
    EXPECT_EQ(sp.BkGnd.Pixel(5, 5), clBlack) << "the working image is left for the fade-in";
    EXPECT_EQ(sp.BkGnd.Pixel(105, 5), clBlack);
  }
}
