// The real program plays the demo game from an input script: logo, title, "はじめから", the
// name entry (a typed surname and given name), the meadow, a choice, a save through the in-game
// menu, a load of that slot, the rest of the seaside route, its ending roll, the title again and
// the exit through the title menu's close confirmation. The game folder is a fresh copy in a
// temporary folder, so its save files are checked byte by byte and the build's folder stays
// clean.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "shell/save_data.h"
#include "support/program_run.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> readBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A decoded 24-bit bitmap, top row first, RGB per pixel.
struct Picture {
  int w = 0, h = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * w + x) * 3]; }
};

uint32_t le32(const std::vector<uint8_t>& b, size_t o) {
  return b[o] | (b[o + 1] << 8) | (b[o + 2] << 16) | (uint32_t(b[o + 3]) << 24);
}

// Reads an uncompressed 24-bit BMP (what the program's screenshots and our generator write).
bool readBmp(const fs::path& p, Picture& out) {
  std::vector<uint8_t> b = readBytes(p);
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
  uint32_t offset = le32(b, 10);
  int32_t w = int32_t(le32(b, 18)), h = int32_t(le32(b, 22));
  uint16_t bits = uint16_t(b[28] | (b[29] << 8));
  if (bits != 24 || w <= 0 || h == 0 || w > 8192 || std::abs(h) > 8192) return false;
  bool bottomUp = h > 0;
  h = std::abs(h);
  size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
  if (offset + stride * h > b.size()) return false;
  out.w = w;
  out.h = h;
  out.rgb.resize(size_t(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = &b[offset + stride * (bottomUp ? h - 1 - y : y)];
    for (int x = 0; x < w; ++x) {
      uint8_t* d = &out.rgb[(size_t(y) * w + x) * 3];
      d[0] = row[x * 3 + 2];
      d[1] = row[x * 3 + 1];
      d[2] = row[x * 3];
    }
  }
  return true;
}

// Mean colour of a rectangle of the play area.
void meanColour(const Picture& pic, int yOff, int x0, int y0, int x1, int y1, double out[3]) {
  double s[3] = {0, 0, 0};
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      for (int c = 0; c < 3; ++c) s[c] += pic.at(x, y + yOff)[c];
  double n = double(x1 - x0) * (y1 - y0);
  for (int c = 0; c < 3; ++c) out[c] = s[c] / n;
}

double colourDistance(const double a[3], const double b[3]) {
  return std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2]);
}

// What a rectangle of the play area holds: its mean luminance, the share of its pixels that
// are (nearly) black and the number that are (nearly) white.
struct Area {
  double luminance = 0, blackShare = 0;
  int white = 0;
};

Area measure(const Picture& shot, int x0, int y0, int x1, int y1) {
  const int off = shot.h - 480;
  Area a;
  int black = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const uint8_t* p = shot.at(x, y + off);
      a.luminance += 0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2];
      if (std::max({p[0], p[1], p[2]}) < 24) ++black;
      if (std::min({p[0], p[1], p[2]}) > 200) ++a.white;
    }
  const double n = double(x1 - x0) * (y1 - y0);
  a.luminance /= n;
  a.blackShare = black / n;
  return a;
}

// Pearson correlation of luminance between the shot's play area and a 640x480 picture, over
// rows y0..y1: high when the shot shows that picture, whatever brightening or darkening lies
// over it.
double luminanceCorrelation(const Picture& shot, const Picture& ref, int y0, int y1) {
  int off = shot.h - 480;
  double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, n = 0;
  for (int y = y0; y < y1; y += 2)
    for (int x = 0; x < 640; x += 2) {
      const uint8_t* a = shot.at(x, y + off);
      const uint8_t* b = ref.at(x, y);
      double la = 0.3 * a[0] + 0.59 * a[1] + 0.11 * a[2];
      double lb = 0.3 * b[0] + 0.59 * b[1] + 0.11 * b[2];
      sx += la, sy += lb, sxx += la * la, syy += lb * lb, sxy += la * lb, n += 1;
    }
  double cov = sxy / n - sx / n * sy / n;
  double va = sxx / n - sx / n * sx / n, vb = syy / n - sy / n * sy / n;
  if (va <= 1e-9 || vb <= 1e-9) return 0;
  return cov / std::sqrt(va * vb);
}

// Runs the program with the given environment additions; kills it after timeoutSec. Its output
// goes to logFile, standard output to outFile when one is given. Returns the exit status, or -1
// on a timeout or a signal.
int runProgram(const std::vector<std::string>& args, const std::vector<std::string>& env,
               const fs::path& logFile, int timeoutSec, const fs::path& outFile = {}) {
  ProgramSpawn p;
  p.argv = args;
  p.setEnv = env;
  p.stderrFile = logFile.string();
  p.stdoutFile = outFile.empty() ? logFile.string() : outFile.string();
  p.timeoutSec = timeoutSec;
  return RunProgram(p);
}

std::string fileText(const fs::path& p) {
  std::vector<uint8_t> b = readBytes(p);
  return std::string(b.begin(), b.end());
}

// The input script. Times leave each step far more room than it needs, so that a slow machine
// still sees every click in the state it is meant for. Play-area coordinates: title menu items
// at y 250-274 ("はじめから") and 390-414 ("ゲーム終了"), the name entry's "ＯＫ" at (291-355,
// 376-408), in-game menu "セーブ" at y 110-134 and "ロード" at 180-204, slot 1 at y 2-95, the
// confirmation's "はい" at (220-300, 290-314), choice line 1 at y 376-404. Where the story only
// shows lines, the left button is held down: it advances line after line, each one as soon as it
// is fully shown, however long the transitions between them take.
constexpr const char* kScript = R"(# demo play
1500 shot logo.bmp
9000 shot title.bmp
9500 click 320 150
11500 click 320 262
# the name entry: the first field is focused with its text selected, Tab selects the second
14500 shot names.bmp
15000 text 山田
15500 key TAB
16000 text 花子
16500 click 323 392
# the meadow: its first line, then held through to the choice
18500 shot meadow.bmp
19000 down 320 150
32000 up 320 150
32500 shot choice.bmp
33000 click 100 390
# the seaside: slit wipes, then the first line; save in slot 1, advance, load it again
40000 shot seaside.bmp
40500 rclick 320 150
42000 click 320 122
44000 click 320 50
46000 click 260 302
48000 click 320 150
51000 shot saved.bmp
51500 rclick 320 150
53000 click 320 192
55000 click 320 50
57000 click 260 302
64000 shot loaded.bmp
# the rest of the seaside, then its ending roll (it starts at about 70 s and lasts about 45 s:
# the shot comes after the first credits and before the second picture) and the title again
65000 down 320 150
76000 up 320 150
79000 shot roll.bmp
127000 shot end-title.bmp
# quit from the title menu, then confirm the close
127500 click 320 150
129500 click 320 402
131500 key RETURN
)";

class DemoPlay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(MIRAVEL_BINARY) || !fs::exists(fs::path(DEMO_GAME_DIR) / "mscs.ssf"))
      GTEST_SKIP() << "the program or the demo game is not built: " << MIRAVEL_BINARY << ", "
                   << DEMO_GAME_DIR;
    ASSERT_FALSE(dir.Path().empty());
    // A failed play leaves its screenshots, log and game folder behind.
    dir.KeepIfFailed();
    work = dir.Path();
    game = work / "game";
    fs::copy(DEMO_GAME_DIR, game, fs::copy_options::recursive);
    for (const char* stale : {"orxrf.svd", "orxdf01.svd", "orxdf02.svd", "orxdf03.svd",
                              "orxdf04.svd", "orxdf05.svd"})
      fs::remove(game / stale);
  }
  TempDir dir;
  fs::path work, game;
};

TEST_F(DemoPlay, PlaysFromTheNameEntryThroughSaveAndLoadToTheEndingRollAndTheTitle) {
  // Screenshots go to the work folder: every "shot NAME" gets its absolute path.
  std::string script = kScript;
  for (size_t at = 0; (at = script.find(" shot ", at)) != std::string::npos; at += 6)
    script.insert(at + 6, work.string() + "/");
  std::ofstream(work / "script.txt") << script;
  fs::path audio = work / "audio.raw", log = work / "miravel.log";
  int rc = runProgram({MIRAVEL_BINARY, game.string(), "--autoplay", (work / "script.txt").string()},
                      {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=disk",
                       "SDL_DISKAUDIOFILE=" + audio.string(), "HOME=" + work.string(),
                       "XDG_DATA_HOME=" + (work / "data").string(),
                       "XDG_CONFIG_HOME=" + (work / "config").string()},
                      log, 200);
  ASSERT_EQ(rc, 0) << "exit status (-1: killed after the timeout or by a signal); log:\n"
                   << fileText(log);

  // Save slot 1 holds the seaside node, mid-way, with the day music playing.
  std::vector<uint8_t> slot = readBytes(game / "orxdf01.svd");
  ASSERT_EQ(slot.size(), sizeof(TSaveData));
  TSaveData save;
  std::memcpy(&save, slot.data(), sizeof save);
  EXPECT_EQ(int(save.SaveNodeIndex), 1);  // pre-order: root, 海辺, 夜の街, おうちで
  EXPECT_GT(int(save.SaveLineIndex), 0);
  EXPECT_GE(int(save.SaveYear), 2000);
  EXPECT_GE(int(save.SaveMonth), 1);
  EXPECT_LE(int(save.SaveMonth), 12);
  // "海辺の夕暮れ" in CP932.
  EXPECT_STREQ(save.SaveTitle, "\x8a\x43\x95\xd3\x82\xcc\x97\x5b\x95\xe9\x82\xea");
  EXPECT_EQ(save.BgmWasPlaying, 1);
  EXPECT_STREQ(save.BgmFileName, "0001.mid");
  EXPECT_TRUE(save.SlotRead(0)) << "the meadow was left through the choice";
  // The typed names replaced the offered ones ("星野", "ひかる"), in CP932: "山田" and "花子".
  EXPECT_STREQ(save.CharNames[1], "\x8e\x52\x93\x63");
  EXPECT_STREQ(save.CharNames[2], "\x89\xd4\x8e\x71");
  for (int n = 2; n <= 5; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "orxdf%02d.svd", n);
    std::vector<uint8_t> empty = readBytes(game / name);
    EXPECT_EQ(empty.size(), sizeof(TSaveData)) << name;
    EXPECT_EQ(std::count(empty.begin(), empty.end(), 0), long(empty.size())) << name;
  }

  // The read flags, written by the exit command: one new game and one load, the root read, the
  // seaside read (the ending marks its node), the default options.
  std::vector<uint8_t> flags = readBytes(game / "orxrf.svd");
  ASSERT_EQ(flags.size(), sizeof(TReadFlagsData));
  TReadFlagsData rf;
  std::memcpy(&rf, flags.data(), sizeof rf);
  EXPECT_EQ(int(rf.PlayCount), 2);
  EXPECT_TRUE(rf.IsRead(0));
  EXPECT_TRUE(rf.IsRead(1));
  EXPECT_EQ(rf.Options.TextSpeed, 1);

  // Screenshots: the title picture, then the seaside before the save and after the load.
  Picture title, seaside, meadow, shotTitle, shotSeaside, shotLoaded, shotMeadow, shotNames,
      shotRoll, shotEndTitle;
  ASSERT_TRUE(readBmp(game / "grp" / "TITLE.BMP", title));
  ASSERT_TRUE(readBmp(game / "grp" / "MEADOW.BMP", meadow));
  ASSERT_TRUE(readBmp(work / "title.bmp", shotTitle)) << "no title screenshot";
  ASSERT_TRUE(readBmp(work / "meadow.bmp", shotMeadow)) << "no meadow screenshot";
  ASSERT_TRUE(readBmp(work / "seaside.bmp", shotSeaside)) << "no seaside screenshot";
  ASSERT_TRUE(readBmp(work / "loaded.bmp", shotLoaded)) << "no screenshot after loading";
  ASSERT_TRUE(readBmp(work / "names.bmp", shotNames)) << "no screenshot of the name entry";
  ASSERT_TRUE(readBmp(work / "roll.bmp", shotRoll)) << "no screenshot of the ending roll";
  ASSERT_TRUE(readBmp(work / "end-title.bmp", shotEndTitle)) << "no screenshot after the roll";
  for (const Picture* p : {&shotTitle, &shotMeadow, &shotSeaside, &shotLoaded, &shotNames,
                           &shotRoll, &shotEndTitle}) {
    ASSERT_EQ(p->w, 640);
    ASSERT_GE(p->h, 480);
  }
  EXPECT_GT(luminanceCorrelation(shotTitle, title, 0, 480), 0.9);
  EXPECT_GT(luminanceCorrelation(shotMeadow, meadow, 0, 100), 0.9);
  EXPECT_GT(luminanceCorrelation(shotEndTitle, title, 0, 480), 0.9)
      << "the ending roll did not go back to the title";

  // The name entry lies over the meadow darkened by 60 per channel (the sky above its first
  // caption is compared).
  EXPECT_GT(luminanceCorrelation(shotNames, meadow, 0, 60), 0.8);
  EXPECT_LT(measure(shotNames, 0, 0, 640, 60).luminance,
            measure(shotMeadow, 0, 0, 640, 60).luminance - 40)
      << "the name entry did not open over the darkened scene";

  // The ending roll: the route's first picture, a sunset, in the 480x360 area at the top left,
  // black below it, and the credits in white on the black strip on the right.
  const Area picture = measure(shotRoll, 0, 0, 480, 360);
  const Area below = measure(shotRoll, 0, 360, 480, 480);
  const Area strip = measure(shotRoll, 480, 0, 640, 480);
  EXPECT_GT(picture.luminance, 60) << "no picture at the top left of the roll";
  EXPECT_LT(picture.blackShare, 0.2);
  EXPECT_GT(below.blackShare, 0.99) << "the roll's picture is not limited to 480x360";
  EXPECT_GT(strip.blackShare, 0.8) << "the credits strip is not black";
  EXPECT_GT(strip.white, 40) << "no credit text in the strip";
  double sunset[3];
  meanColour(shotRoll, shotRoll.h - 480, 0, 120, 480, 200, sunset);
  EXPECT_GT(sunset[0], sunset[2] + 40) << "the roll does not show the sunset picture";

  // The seaside JPEG decodes to an orange-and-violet sky; the meadow's sky is blue. The top of
  // the play area (above the sprite) tells them apart.
  double day[3], before[3], after[3];
  meanColour(meadow, 0, 0, 0, 640, 100, day);
  meanColour(shotSeaside, shotSeaside.h - 480, 0, 0, 640, 100, before);
  meanColour(shotLoaded, shotLoaded.h - 480, 0, 0, 640, 100, after);
  EXPECT_GT(before[0], before[2] * 0.8) << "seaside sky not warm";
  EXPECT_GT(colourDistance(before, day), 60) << "the seaside shot still shows the meadow";
  EXPECT_LT(colourDistance(after, before), 30) << "the loaded scene differs from the saved one";

  // Mira stands on the seaside at (220, 110): her face is skin-coloured, and the corner of her
  // picture, pure green in the file, shows the sky instead.
  const int off = shotSeaside.h - 480;
  const uint8_t* face = shotSeaside.at(320, 240 + off);
  EXPECT_GT(face[0], 200);
  EXPECT_GT(face[1], 170);
  const uint8_t* corner = shotSeaside.at(224, 114 + off);
  EXPECT_FALSE(corner[0] < 40 && corner[1] > 215 && corner[2] < 40) << "green key not applied";
  // She is still there after the load: the replayed #DRAWSPLITE put her back on the scene.
  const uint8_t* faceAfter = shotLoaded.at(320, 240 + (shotLoaded.h - 480));
  EXPECT_GT(faceAfter[0], 200) << "the sprite did not come back with the loaded scene";
  EXPECT_GT(faceAfter[1], 170);

  // Sound: the disk audio driver's file holds non-silent samples (MIDI and WAV mixed).
  std::vector<uint8_t> pcm = readBytes(audio);
  ASSERT_GT(pcm.size(), 4096u) << "no audio written";
  size_t loud = 0;
  for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
    int16_t v = int16_t(pcm[i] | (pcm[i + 1] << 8));
    if (v > 512 || v < -512) ++loud;
  }
  EXPECT_GT(loud, 22050u) << "the audio file is (nearly) silent";
}

}  // namespace

// The text hook follows the story as the player reads it: the demo's first lines, the speaker
// first, the names from the name entry put in.
TEST_F(DemoPlay, TextHookPrintsTheLinesAsTheyAreShown) {
  std::ofstream(work / "script.txt") << "9000 click 320 150\n"
                                        "11500 click 320 262\n"
                                        "14500 key RETURN\n"  // the offered names
                                        // held: line after line, each once it is whole
                                        "18500 down 320 150\n"
                                        "26000 up 320 150\n"
                                        "27000 terminate\n";
  fs::path log = work / "miravel.log", out = work / "hook.txt";
  int rc = runProgram({MIRAVEL_BINARY, game.string(), "--texthook", "--autoplay",
                       (work / "script.txt").string()},
                      {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "HOME=" + work.string(),
                       "XDG_DATA_HOME=" + (work / "data").string(),
                       "XDG_CONFIG_HOME=" + (work / "config").string()},
                      log, 60, out);
  ASSERT_EQ(rc, 0) << fileText(log);
  std::vector<std::string> lines;
  std::ifstream in(out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  const std::vector<std::string> first{
      "やわらかな風が、草原をわたっていく。",
      "【ミラ】こんにちは！　ミラベルへようこそ。",
      "【ミラ】わたしはミラ。あなたは……星野ひかるさん、だよね？",
      "【ひかる】うん。はじめまして、ミラ。",
  };
  ASSERT_GE(lines.size(), first.size()) << fileText(out);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + first.size()), first);
}
