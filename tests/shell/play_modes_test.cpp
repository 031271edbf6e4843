// Skip and auto modes, their mark on the menu bar, F12 screenshots and the text hook, in whole
// plays on the fake backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/text/cp932.h"
#include "shell/settings.h"
#include "support/game_play.h"
#include "support/png_decode.h"
#include "support/scenario_builder.h"
#include "support/temp_dir.h"
#include "support/text.h"

namespace {

// The player's settings for one test: the settings file goes to a temporary XDG_CONFIG_HOME
// and the defaults are back afterwards.
class SettingsScope {
 public:
  SettingsScope() {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old) old_ = old;
    hadOld_ = old != nullptr;
    setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
    ResetPlayerSettings();
  }
  ~SettingsScope() {
    ResetPlayerSettings();
    if (hadOld_)
      setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
  }
  void Change(const std::function<void(TPlayerSettings&)>& change) {
    ASSERT_TRUE(ChangePlayerSettings(change));
  }
  void Options(std::vector<std::string> args) {
    std::string error;
    ASSERT_TRUE(ParsePlayerOptions(args, &error)) << error;
  }

 private:
  TempDir config_;
  std::string old_;
  bool hadOld_ = false;
};

// Pixels of the mark's colour at the right end of the menu bar in the last frame.
int markPixels(PlayGame& g) {
  const TBitmap& f = g.fake().LastFrame();
  int n = 0;
  for (int32_t y = 0; y < kMenuBarHeight; ++y)
    for (int32_t x = f.Width() - 100; x < f.Width(); ++x)
      if (f.Pixel(x, y) == RGB(10, 36, 106)) ++n;
  return n;
}

void ctrlKey(PlayGame& g, int key) { g.fake().AtNow().Key(key, ssCtrl); }

// Root "one", "two"; its only child "Mid" with "three", "four" ends in a choice of two.
const std::string kChain =
    ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "one", "two", "\t", "Mid ", "three", "four",
                  "\t", "Left ", "in left", " ", "Right ", "in right"});

}  // namespace

TEST(PlayModes, SkipRunsThroughReadTextAndStopsAtUnreadTextOrAChoice) {
  struct Case {
    const char* name;
    uint8_t readBits;  // nodes 0 (root) and 1 (Mid)
    bool skipUnread;
    int stopLines;  // backlog lines when skip mode has stopped
    int32_t stopSubState;
  } cases[] = {
      // The blank click wait where the root ends is already in the unread node.
      {"stops at the unread node", 0x1, false, 2, tsWaitClick},
      {"runs to the choice", 0x3, false, 4, tsChoice},
      {"runs through unread text with skipUnread", 0x1, true, 4, tsChoice},
      {"refused in an unread node", 0x0, false, 1, tsWaitClick},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsScope settings;
    settings.Change([&](TPlayerSettings& s) { s.skipUnread = c.skipUnread; });
    PlayGame g(kChain);
    g.f->ReadFlags.ReadBits[0] = c.readBits;
    uint64_t stopped = 0;
    int markOn = -1;
    ToStory(g);
    g.When(WaitingAfter(g, 1), [&] { ctrlKey(g, 'S'); })
        .When([&] { return g.fake().ScriptPending() == 0; },
              [&] { markOn = c.readBits ? markPixels(g) : 0; })
        .When(
            [&] {
              return !g.f->SkipMode && g.f->Backlog->Count() == c.stopLines &&
                     g.f->TextSubState == c.stopSubState && !g.f->NeedNextLine;
            },
            [&] { stopped = g.fake().Elapsed(); })
        // Nothing runs on by itself afterwards.
        .When([&] { return g.fake().Elapsed() > stopped + 2500; },
              [&] {
                EXPECT_EQ(g.f->Backlog->Count(), c.stopLines);
                EXPECT_EQ(g.f->TextSubState, c.stopSubState);
                EXPECT_EQ(markPixels(g), 0);
              });
    ASSERT_TRUE(g.Play());
    if (c.readBits) EXPECT_GT(markOn, 20) << "the mark was shown while skipping";
    EXPECT_EQ(g.f->Menu()->StatusText(), "");
  }
}

TEST(PlayModes, AClickStopsSkipMode) {
  SettingsScope settings;
  std::initializer_list<std::string_view> lines = {"#LOADBKGRP=scene",
                                                   "#DRAWBKGRP",
                                                   "l1",
                                                   "l2",
                                                   "l3",
                                                   "l4",
                                                   "l5",
                                                   "l6",
                                                   "l7",
                                                   "l8",
                                                   "l9",
                                                   "l10",
                                                   "l11",
                                                   "l12",
                                                   "l13",
                                                   "l14",
                                                   "l15",
                                                   "l16",
                                                   "l17",
                                                   "l18",
                                                   "l19",
                                                   "l20"};
  PlayGame g(ScenarioText(lines));
  g.f->ReadFlags.ReadBits[0] = 1;
  int atClick = 0;
  ToStory(g);
  g.When(WaitingAfter(g, 1), [&] { ctrlKey(g, 'S'); })
      .When([&] { return g.f->Backlog->Count() >= 5; },
            [&] {
              atClick = g.f->Backlog->Count();
              g.ClickAt(320, 200);
            })
      .When([&] { return !g.f->SkipMode && g.fake().ScriptPending() == 0; })
      .When([&] { return g.fake().Elapsed() > 5000; });
  ASSERT_TRUE(g.Play());
  EXPECT_LE(g.f->Backlog->Count(), atClick + 2);
  EXPECT_EQ(g.f->Menu()->StatusText(), "");
}

TEST(PlayModes, AutoAdvancesAfterThePauseForTheLineAndStopsAtTheMenu) {
  struct Case {
    const char* line;
    uint64_t pause;  // 1500 ms plus 60 ms a character
  } cases[] = {{"abcdefghij", 2100}, {"あいうえお", 1800}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    SettingsScope settings;
    PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "one", c.line, "three"}));
    uint64_t complete = 0, advanced = 0;
    int markOn = 0;
    ToStory(g);
    g.When(WaitingAfter(g, 1), [&] { ctrlKey(g, 'A'); })
        .When(WaitingAfter(g, 2),
              [&] {
                complete = g.fake().Elapsed();
                markOn = markPixels(g);
              })
        .When([&] { return g.fake().Elapsed() + 20 >= complete + c.pause; },
              [&] { EXPECT_EQ(g.f->Backlog->Count(), 2) << "not before the pause"; })
        .When([&] { return g.f->Backlog->Count() == 3; }, [&] { advanced = g.fake().Elapsed(); })
        .When(WaitingAfter(g, 3), [&] { g.RightClickAt(320, 200); })
        .When(InState(g, ssGameMenu))
        .When([&] { return g.fake().ScriptPending() == 0; });
    ASSERT_TRUE(g.Play());
    EXPECT_GE(advanced - complete, c.pause);
    EXPECT_LE(advanced - complete, c.pause + 40);
    EXPECT_GT(markOn, 20);
    EXPECT_FALSE(g.f->AutoMode) << "the menu switched auto mode off";
    EXPECT_EQ(g.f->Menu()->StatusText(), "");
  }
}

TEST(PlayModes, F12WritesThePlayAreaAsPngAndShowsItsNameForAMoment) {
  SettingsScope settings;
  TempDir pictures;
  const std::string dir = pictures.File("shots/miravel");  // made by the first screenshot
  settings.Change([&](TPlayerSettings& s) { s.screenshotDir = dir; });
  PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "one", "two"}));
  const std::string caption = g.f->Caption;
  const std::string game = std::filesystem::path(g.h.folder.Path()).filename().string();
  TBitmap shown;
  std::string shotCaption;
  uint64_t pressed = 0;
  ToStory(g);
  g.When(WaitingAfter(g, 1),
         [&] {
           pressed = g.fake().Elapsed();
           g.fake().AtNow().Key(VK_F12).Key(VK_F12);
         })
      .When([&] { return g.fake().ScriptPending() == 0; },
            [&] {
              shown = g.f->Canvas();
              shotCaption = g.f->Caption;
            })
      .When([&] { return g.fake().Elapsed() > pressed + 1800; },
            [&] { EXPECT_EQ(g.f->Caption, shotCaption); })
      .When([&] { return g.fake().Elapsed() > pressed + 2100; },
            [&] { EXPECT_EQ(g.f->Caption, caption); });
  ASSERT_TRUE(g.Play());

  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
  ASSERT_EQ(names.size(), 2u) << "no temporary file is left";
  // "<game>-YYYY-MM-DD-HHMMSS.png", then the same name with "-2".
  EXPECT_EQ(names[0].rfind(game + "-", 0), 0u) << names[0];
  EXPECT_EQ(names[0].size(), game.size() + 22);
  EXPECT_EQ(names[1], names[0].substr(0, names[0].size() - 4) + "-2.png");
  EXPECT_EQ(shotCaption, names[1]);

  const TBitmap png = DecodePngFile(dir + "/" + names[0]);
  ASSERT_EQ(png.Width(), kPlayWidth);
  ASSERT_EQ(png.Height(), kPlayHeight);
  int differ = 0;
  for (int32_t y = 0; y < kPlayHeight; ++y)
    for (int32_t x = 0; x < kPlayWidth; ++x)
      if (png.Pixel(x, y) != shown.Pixel(x, y)) ++differ;
  EXPECT_EQ(differ, 0);
}

TEST(PlayModes, AScreenshotThatCannotBeWrittenLeavesNoFileAndSaysSo) {
  SettingsScope settings;
  TempDir pictures;
  ASSERT_TRUE(pictures.Write("file", "not a folder"));
  settings.Change([&](TPlayerSettings& s) { s.screenshotDir = pictures.File("file/shots"); });
  PlayGame g(ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "one"}));
  std::string during;
  ToStory(g);
  g.When(WaitingAfter(g, 1), [&] {
     g.fake().AtNow().Key(VK_F12);
   }).When([&] { return g.fake().ScriptPending() == 0; }, [&] { during = g.f->Caption; });
  ASSERT_TRUE(g.Play());
  EXPECT_EQ(during, SJ("スクリーンショットを保存できませんでした"));
  EXPECT_EQ(pictures.ReadText("file"), "not a folder");
}

TEST(PlayModes, TextHookWritesEachLineWithItsSpeaker) {
  const auto story = ScenarioText({"#LOADBKGRP=scene", "#DRAWBKGRP", "#CHARNAME=【ミラ】　",
                                   "こんにちは、$1さん。", "#CHARNAME=", "風が吹いた。",
                                   "#CHARNAME=Kuro", "hey", "#CHARNAME=$1", "はい"});
  const std::string expected =
      "【ミラ】こんにちは、ひかるさん。\n風が吹いた。\n【Kuro】hey\n【ひかる】はい\n";
  for (const char* option : {"--texthook", "--texthook=clipboard"}) {
    SCOPED_TRACE(option);
    SettingsScope settings;
    settings.Options({"miravel", option});
    PlayGame g(story);
    CopyCut(g.f->SaveData.CharName(1), kCharNameBytes, SJ("ひかる"));
    std::string clipboard;
    ToStory(g);
    for (int lines = 1; lines <= 3; ++lines)
      g.When(WaitingAfter(g, lines), [&] {
        clipboard += g.fake().Clipboard() + "\n";
        g.ClickAt(320, 200);
      });
    g.When(WaitingAfter(g, 4), [&] { clipboard += g.fake().Clipboard() + "\n"; });
    testing::internal::CaptureStdout();
    const bool played = g.Play();
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(played);
    const bool toClipboard = std::string(option).find("clipboard") != std::string::npos;
    EXPECT_EQ(out, toClipboard ? "" : expected);
    if (toClipboard) EXPECT_EQ(clipboard, expected);
  }
}
