// Whole-game runs in seconds: the real program plays the demo headless on the virtual clock
// (--headless --fast) from input scripts with checkpoints; a real-time run and a --fast run of
// one script end with the same files and the same screenshot; a session recorded with --record
// replays to the same files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "shell/save_data.h"
#include "support/program_run.h"
#include "support/pixels.h"
#include "support/png_decode.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::string fileText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the program in `work` (its home and settings there) with its output in work/log.txt;
// kills it after timeoutSec. The exit status, or -1 on a timeout or a signal.
int runProgram(const fs::path& work, const std::vector<std::string>& args,
               const std::vector<std::string>& env, int timeoutSec) {
  ProgramSpawn p;
  p.argv = {MIRAVEL_BINARY};
  p.argv.insert(p.argv.end(), args.begin(), args.end());
  p.setEnv = env;
  for (const char* v : {"HOME=", "XDG_DATA_HOME=", "XDG_CONFIG_HOME="})
    p.setEnv.push_back(v + (work / (v[0] == 'H' ? "" : v[4] == 'D' ? "data" : "config")).string());
  p.stdoutFile = p.stderrFile = (work / "log.txt").string();
  p.timeoutSec = timeoutSec;
  return RunProgram(p);
}

// A fresh copy of the demo in dir/NAME/game, and the script (every " shot " and " SHOT " name
// put into dir/NAME) written as dir/NAME/script.txt.
fs::path prepare(const fs::path& dir, const std::string& name, std::string script) {
  fs::path work = dir / name;
  fs::create_directories(work);
  fs::copy(DEMO_GAME_DIR, work / "game", fs::copy_options::recursive);
  for (const char* stale : {"orxrf.svd", "orxdf01.svd", "orxdf02.svd", "orxdf03.svd",
                            "orxdf04.svd", "orxdf05.svd"})
    fs::remove(work / "game" / stale);
  for (const char* word : {" shot ", " SHOT "})
    for (size_t at = 0; (at = script.find(word, at)) != std::string::npos; at += 6)
      script.insert(at + 6, work.string() + "/");
  std::ofstream(work / "script.txt") << script;
  return work;
}

int playFast(const fs::path& work, const std::string& script = "script.txt") {
  return runProgram(work, {"--headless", "--fast", (work / "game").string(), "--autoplay",
                           (work / script).string()},
                    {}, 60);
}

// The save slot without its date (year to minute), which follows the wall clock.
std::string slotWithoutDate(const fs::path& game) {
  std::string s = fileText(game / "orxdf01.svd");
  if (s.size() == sizeof(TSaveData)) s.replace(0, 10, 10, '\0');
  return s;
}

// Both routes: the seaside (typed names, a save, a load, the ending roll), then from the title
// the night town (the offered names, the second answer, its ending) and the exit. Checkpoints
// follow the game; where the story only shows lines the left button is held down.
constexpr const char* kBothRoutes = R"(# both routes of the demo
500 expect-state logo
9000 EXPECT-STATE title
9500 click 320 150
10500 expect-state title-menu
11500 click 320 262
14500 expect-state name-entry
15000 text 山田
15500 key TAB
16000 text 花子
16500 click 323 392
18500 EXPECT-TEXT やわらかな風が、草原をわたっていく。
19000 down 320 150
32000 up 320 150
32500 expect-state choice
33000 click 100 390
40000 expect-state click-wait
40000 expect-text 波の音が、ゆっくりと寄せては返す。
40500 rclick 320 150
41500 expect-state game-menu
42000 click 320 122
43500 expect-state save-slots
44000 click 320 50
45500 expect-state confirm
46000 click 260 302
48000 click 320 150
48500 expect-text 【ミラ】夕日がきれい……。海が金色にかがやいてるね。
51500 rclick 320 150
53000 click 320 192
55000 click 320 50
57000 click 260 302
64000 expect-text 夕日がきれい……。海が金色にかがやいてるね。
65000 down 320 150
76000 up 320 150
79000 expect-state ending
79000 shot seaside-roll.png
127000 expect-state title
# the night town
127500 click 320 150
129000 click 320 262
132000 expect-state name-entry
132500 key RETURN
134500 expect-text やわらかな風が、草原をわたっていく。
135000 down 320 150
148000 up 320 150
148500 expect-state choice
149000 click 100 418
156000 expect-text 街の灯りが、星のようにまたたいている。
156500 down 320 150
185000 up 320 150
190000 expect-state ending
190000 shot town-roll.png
240000 expect-state title
240000 shot end-title.png
240500 click 320 150
242500 click 320 402
244500 key RETURN
)";

class FastPlay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(MIRAVEL_BINARY) || !fs::exists(fs::path(DEMO_GAME_DIR) / "mscs.ssf"))
      GTEST_SKIP() << "the program or the demo game is not built";
    ASSERT_FALSE(dir.Path().empty());
    dir.KeepIfFailed();
  }
  TempDir dir;
};

TEST_F(FastPlay, BothRoutesOfTheDemoPlayInSecondsThroughTheirCheckpoints) {
  fs::path work = prepare(dir.Path(), "both", kBothRoutes);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(playFast(work), 0) << fileText(work / "log.txt");
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("both routes, headless and fast: %.2f s\n", seconds);
  EXPECT_LT(seconds, 20);

  // Every node read over three plays (two new games, one load); slot 1 holds the seaside with
  // the typed names.
  TReadFlagsData rf;
  std::string flags = fileText(work / "game" / "orxrf.svd");
  ASSERT_EQ(flags.size(), sizeof rf);
  std::memcpy(&rf, flags.data(), sizeof rf);
  EXPECT_EQ(int(rf.PlayCount), 3);
  for (int node = 0; node < 4; ++node) EXPECT_TRUE(rf.IsRead(node)) << node;
  TSaveData save;
  std::string slot = fileText(work / "game" / "orxdf01.svd");
  ASSERT_EQ(slot.size(), sizeof save);
  std::memcpy(&save, slot.data(), sizeof save);
  EXPECT_EQ(int(save.SaveNodeIndex), 1);
  EXPECT_STREQ(save.CharNames[1], "\x8e\x52\x93\x63");  // 山田

  // The two rolls show different pictures; the run ends on the title.
  TBitmap seaside = DecodePngFile((work / "seaside-roll.png").string());
  TBitmap town = DecodePngFile((work / "town-roll.png").string());
  TBitmap title = DecodePngFile((work / "end-title.png").string());
  ASSERT_GE(seaside.Height(), 480);
  ASSERT_GE(town.Height(), 480);
  ASSERT_GE(title.Height(), 480);
  EXPECT_FALSE(SamePixels(seaside, town));
}

// A checkpoint that does not hold ends the run with status 3 and names the script's line and
// where the game is; a state name the game does not know is refused before the run (status 1,
// as every script that cannot be read).
TEST_F(FastPlay, AFailedCheckpointNamesTheScriptLineAndTheGamesState) {
  const struct {
    const char* script;
    int status;
    const char* message;
  } cases[] = {
      {"# waits on the title\n9000 expect-state story\n", 3,
       ":2: expected the state \"story\", the game is in state \"title\", showing no line"},
      {"9500 click 320 150\n11500 click 320 262\n14500 key RETURN\n"
       "18500 expect-text こんばんは\n",
       3, ":4: expected the text \"こんばんは\", the game is in state \"click-wait\", showing "
          "\"やわらかな風が、草原をわたっていく。\""},
      {"100 expect-state nowhere\n", 1, "line 1: unknown state \"nowhere\""},
  };
  int n = 0;
  for (const auto& c : cases) {
    fs::path work = prepare(dir.Path(), "case" + std::to_string(n++), c.script);
    EXPECT_EQ(playFast(work), c.status) << c.script;
    EXPECT_NE(fileText(work / "log.txt").find(c.message), std::string::npos)
        << fileText(work / "log.txt");
  }
}

// The same script in real time (the SDL program, recording its input) and on the virtual
// clock: the same save slot and read flags, the same picture at its SHOT (the name entry: the
// menu screens animate with the clock's reading, which differs between the two runs). The
// recording, replayed headless, reaches the same files.
TEST_F(FastPlay, RealTimeFastAndRecordedReplayEndWithTheSameFilesAndPicture) {
  constexpr const char* kScript = R"(9000 click 320 150
11000 click 320 262
13900 SHOT names.png
14000 text 山田
14500 key TAB
15000 text 花子
15500 key RETURN
18000 click 320 150
19500 click 320 150
21000 click 320 150
22500 rclick 320 150
24000 click 320 122
25500 click 320 50
27000 click 260 302
29000 rclick 320 150
31000 quit
)";
  fs::path real = prepare(dir.Path(), "real", kScript);
  fs::path fast = prepare(dir.Path(), "fast", kScript);
  ASSERT_EQ(runProgram(real,
                       {(real / "game").string(), "--autoplay", (real / "script.txt").string(),
                        "--record", (real / "recorded.txt").string()},
                       {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"}, 90),
            0)
      << fileText(real / "log.txt");
  ASSERT_EQ(playFast(fast), 0) << fileText(fast / "log.txt");
  fs::path replay = prepare(dir.Path(), "replay", "");
  fs::copy_file(real / "recorded.txt", replay / "recorded.txt");
  ASSERT_EQ(playFast(replay, "recorded.txt"), 0) << fileText(replay / "log.txt");

  const std::string slot = slotWithoutDate(real / "game");
  ASSERT_EQ(slot.size(), sizeof(TSaveData));
  const std::string flags = fileText(real / "game" / "orxrf.svd");
  ASSERT_EQ(flags.size(), sizeof(TReadFlagsData));
  for (const fs::path& other : {fast, replay}) {
    EXPECT_EQ(slotWithoutDate(other / "game"), slot) << other;
    EXPECT_EQ(fileText(other / "game" / "orxrf.svd"), flags) << other;
  }
  TBitmap a = DecodePngFile((real / "names.png").string());
  TBitmap b = DecodePngFile((fast / "names.png").string());
  ASSERT_GE(a.Height(), 480);
  EXPECT_TRUE(SamePixels(a, b)) << PixelDifference(a, b);
}

}  // namespace
