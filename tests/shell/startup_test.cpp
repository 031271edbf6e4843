// Start-up of the main form: construction order and its failures, the save files it creates, the
// creation event and the game loop message.
#include <gtest/gtest.h>

#include <cstring>

#include "paint/splpaint.h"
#include "platform/text/cp932.h"
#include "screens/ending.h"
#include "screens/input.h"
#include "screens/option.h"
#include "support/main_form_harness.h"
#include "support/scenario_builder.h"

namespace {

const char* kScenario = "root text\r\n\tchild \r\nchild text\r\n";

std::vector<uint8_t> readFlagsImage(uint8_t textBackLevel, int16_t playCount) {
  TReadFlagsData r{};
  r.ReadBits[0] = 0x81;
  r.PlayCount = playCount;
  r.Options.TextSpeed = 2;
  r.Options.TextBackLevel = textBackLevel;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(&r);
  return std::vector<uint8_t>(p, p + sizeof r);
}

}  // namespace

TEST(Startup, CreatesSaveFilesByteForByte) {
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  TMainFrm* f = h.Start();
  ASSERT_FALSE(h.app.Terminated());
  EXPECT_EQ(f->StartupFailed, 0);
  EXPECT_TRUE(h.fake.Boxes().empty());
  for (int slot = 1; slot <= 5; ++slot) {
    std::vector<uint8_t> bytes = h.folder.Read("orxdf0" + std::to_string(slot) + ".svd");
    ASSERT_EQ(bytes.size(), 2048u) << slot;
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), 2048) << slot;
  }
  std::vector<uint8_t> rf = h.folder.Read("orxrf.svd");
  ASSERT_EQ(rf.size(), 2051u);
  for (size_t i = 0; i < rf.size(); ++i) EXPECT_EQ(rf[i], i == 1026 ? 1 : 0) << i;
  EXPECT_EQ(f->ReadFlags.Options.TextSpeed, 1);
  // A new file has TextBackLevel 0, which gives the default contrast.
  EXPECT_EQ(f->TextBackContrast, 60);

  // Everything the constructor makes after reading the save files exists.
  EXPECT_NE(f->frmOption, nullptr);
  EXPECT_NE(f->frmEnding, nullptr);
  EXPECT_NE(f->frmInput, nullptr);
  EXPECT_EQ(f->frmOption->Parent(), f);
  EXPECT_FALSE(f->frmOption->Visible());
  EXPECT_NE(f->NodeLines, nullptr);
  EXPECT_NE(f->Backlog, nullptr);
  ASSERT_NE(f->MenuHotFont, nullptr);
  EXPECT_EQ(f->MenuHotFont->Color, clYellow);
  EXPECT_EQ(f->MenuFont->Color, clWhite);
  EXPECT_EQ(f->MenuFont->Height, f->splPaintView->Font.Height);
  EXPECT_EQ(f->MenuRects[4], Rect(180, 40, 460, 66));
  EXPECT_EQ(f->MenuRects[17], Rect(340, 290, 460, 314));
  EXPECT_EQ(f->MenuRects[20], Rect(180, 390, 460, 414));
  EXPECT_EQ(f->TextRefreshRect, Rect(14, 346, 628, 470));
  EXPECT_EQ(f->ClientWidth(), 640);
  EXPECT_EQ(f->ClientHeight(), 480);
  EXPECT_EQ(f->TreeViewSinario.Count(), 2);
  EXPECT_EQ(MainFrm, f);
}

struct ContrastCase {
  uint8_t level;
  int16_t contrast;
};

class ExistingReadFlags : public ::testing::TestWithParam<ContrastCase> {};

TEST_P(ExistingReadFlags, AreUsedAsStoredAndLeftAlone) {
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  std::vector<uint8_t> stored = readFlagsImage(GetParam().level, 42);
  ASSERT_TRUE(h.folder.Write("orxrf.svd", stored.data(), stored.size()));
  TMainFrm* f = h.Start();
  EXPECT_EQ(h.folder.Read("orxrf.svd"), stored);
  EXPECT_EQ(int(f->ReadFlags.PlayCount), 42);
  EXPECT_EQ(f->ReadFlags.Options.TextSpeed, 2);
  EXPECT_EQ(f->ReadFlags.ReadBits[0], 0x81);
  EXPECT_EQ(f->TextBackContrast, GetParam().contrast);
}

INSTANTIATE_TEST_SUITE_P(Levels, ExistingReadFlags,
                         ::testing::Values(ContrastCase{1, 1}, ContrastCase{100, 100},
                                           ContrastCase{149, 149}, ContrastCase{150, 60},
                                           ContrastCase{255, 60}));

TEST(Startup, ShortReadFlagsFileKeepsTheRestZero) {
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  ASSERT_TRUE(h.folder.Write("orxrf.svd", std::string("\x07\x00\x00", 3)));
  TMainFrm* f = h.Start();
  EXPECT_EQ(f->StartupFailed, 0);
  EXPECT_EQ(f->ReadFlags.ReadBits[0], 7);
  EXPECT_EQ(int(f->ReadFlags.PlayCount), 0);
  EXPECT_EQ(f->ReadFlags.Options.TextSpeed, 0);
}

TEST(Startup, ExistingSlotFilesAreKeptAndFlagsCleared) {
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  std::string slot(2048, '\x55');
  ASSERT_TRUE(h.folder.Write("orxdf03.svd", slot));
  TMainFrm* f = h.Start();
  EXPECT_EQ(h.folder.Read("orxdf03.svd"), std::vector<uint8_t>(slot.begin(), slot.end()));
  for (uint8_t b : f->SaveData.Flags) EXPECT_EQ(b, 0);
}

TEST(Startup, PostsTheGameLoopMessageOnce) {
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  TMainFrm* f = h.Start();
  EXPECT_EQ(f->StepState, ssStopped);  // nothing ran yet: the message is queued
  int32_t seen = -1;
  h.fake.OnProcessMessages([&] {
    if (h.fake.Elapsed() > 200 && seen < 0) seen = f->StepState;
  });
  h.fake.At(500).CloseRequest();
  h.fake.RunScript();
  h.fake.OnProcessMessages({});  // the hook uses locals that die before the harness does
  EXPECT_EQ(seen, ssLogo);
  EXPECT_EQ(f->StepState, ssStopped);
  EXPECT_TRUE(h.app.Terminated());
}

// Errors 3 and 4 end the construction, then FormCreate closes through the confirmation.
struct FailureCase {
  const char* name;
  bool scenario;
  bool blockSaveFile;
  const char* text;
};

class StartupFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(StartupFailure, ReportsThenAsksToQuit) {
  const FailureCase& c = GetParam();
  MainFormHarness h;
  if (c.scenario) {
    ASSERT_TRUE(h.WriteScenario(kScenario));
  }
  if (c.blockSaveFile) {
    ASSERT_TRUE(h.folder.MakeDir("orxdf02.svd"));
  }
  std::vector<uint8_t> stored = readFlagsImage(30, 9);
  ASSERT_TRUE(h.folder.Write("orxrf.svd", stored.data(), stored.size()));

  TMainFrm* f = h.Start();
  ASSERT_EQ(h.fake.Boxes().size(), 2u);
  EXPECT_EQ(h.fake.Boxes()[0].text, SJ(c.text));
  EXPECT_EQ(h.fake.Boxes()[0].caption, SJ("エラーがありました"));
  EXPECT_EQ(h.fake.Boxes()[1].text, SJ("本当に終了してよろしいですか？"));
  EXPECT_EQ(h.fake.Boxes()[1].caption, SJ("終了？"));
  EXPECT_EQ(h.fake.Boxes()[1].flags, 0x1021u);
  EXPECT_TRUE(h.app.Terminated());
  EXPECT_EQ(f->StartupFailed, 1);
  // Construction stopped: the later steps did not run.
  EXPECT_EQ(f->frmOption, nullptr);
  EXPECT_EQ(f->NodeLines, nullptr);
  EXPECT_EQ(f->MenuFont, nullptr);
  EXPECT_TRUE(f->MenuRects[4].IsEmpty());
  // The read-flags file was never read, so the exit command did not overwrite it.
  EXPECT_EQ(h.folder.Read("orxrf.svd"), stored);
  h.Destroy();  // the destructor copes with what was never created
}

INSTANTIATE_TEST_SUITE_P(
    Codes, StartupFailure,
    ::testing::Values(FailureCase{"NoScenario", false, false,
                                  "シナリオファイルの読み込みに失敗しました<Error 3>"},
                      FailureCase{"SaveFileBlocked", true, true, "セーブファイルエラー<Error 4>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Startup, CancelAfterAFailureLeavesAnIdleWindow) {
  MainFormHarness h;
  h.fake.AnswerBox(IDOK).AnswerBox(IDCANCEL);
  TMainFrm* f = h.Start();
  ASSERT_EQ(h.fake.Boxes().size(), 2u);
  EXPECT_FALSE(h.app.Terminated());
  EXPECT_TRUE(f->Visible());
  // No game loop was posted: processing messages does not start one.
  h.fake.RunFor(200);
  EXPECT_EQ(f->StepState, ssStopped);
  // The window's own close command still ends it.
  h.fake.CloseRequest();
  h.fake.RunScript();
  EXPECT_EQ(h.fake.Boxes().size(), 3u);
  EXPECT_TRUE(h.app.Terminated());
}

TEST(Startup, MenuCaptions) {
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  TMainFrm* f = h.Start();
  ASSERT_NE(f->Menu(), nullptr);
  ASSERT_EQ(f->Menu()->Items.size(), 2u);
  EXPECT_EQ(f->mnFile->Caption, SJ("ファイル(&F)"));
  EXPECT_EQ(f->mnfGoTitle->Caption, SJ("タイトル画面に戻る(&T)"));
  EXPECT_EQ(f->mnfExit->Caption, SJ("ゲームを終了(&E)"));
  EXPECT_EQ(f->mnDisp->Caption, SJ("画面(&G)"));
  EXPECT_EQ(f->mnd640_480->Caption, SJ("ウィンドウモード(&W)"));
  EXPECT_EQ(f->mndFull->Caption, SJ("フルスクリーンモード(&F)"));
  EXPECT_EQ(f->Menu()->Items[0].get(), f->mnFile);
  EXPECT_EQ(f->mnFile->Items[0].get(), f->mnfGoTitle);
  EXPECT_EQ(f->mnFile->Items[1].get(), f->mnfExit);
  EXPECT_EQ(f->mnDisp->Items[0].get(), f->mnd640_480);
  EXPECT_EQ(f->mnDisp->Items[1].get(), f->mndFull);
  EXPECT_TRUE(f->mnd640_480->Checked);
  EXPECT_FALSE(f->mndFull->Checked);
}

TEST(Startup, ReportErrorOneIsNotFatal) {
  MainFormHarness h;
  ASSERT_TRUE(h.WriteScenario(kScenario));
  TMainFrm* f = h.Start();
  h.RunInGameLoop([&] {
    f->ReportError(1);
    ASSERT_EQ(h.fake.Boxes().size(), 1u);
    EXPECT_EQ(h.fake.Boxes()[0].text, SJ("ノードが見つかりません<Error 1>"));
    EXPECT_EQ(f->StartupFailed, 0);
    f->ReportError(2);
    EXPECT_EQ(h.fake.Boxes()[1].text, SJ("システムパスが見つかりません<Error 2>"));
    EXPECT_EQ(f->StartupFailed, 1);
    f->ReportError(7);  // not a code of the program: nothing is shown
    EXPECT_EQ(h.fake.Boxes().size(), 2u);
  });
}
