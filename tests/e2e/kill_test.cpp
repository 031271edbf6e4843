// Saves that survive a kill. The real program plays the demo and saves to its five slots in a
// loop, at several story points, while it is sent SIGKILL at random moments (one start per
// kill). After each kill every slot and the read-flags file is one whole record: what it held
// before the run or what a completed write of the run put there. Together the files are the
// state after some number of the run's writes, in order, so no completed save is lost behind a
// later one. Temporary files a kill leaves behind do not pile up, and a sample of the slots
// loads in the next start. The termination signals of a session end the SDL program through
// its own exit, which writes the read-flags file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "shell/save_data.h"
#include "support/program_run.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr int kKills = 200;
constexpr int kLoadCheckEvery = 10;  // a start that loads a slot after every tenth kill
constexpr int kSavesPerPoint = 2;

// The five slots, then the read-flags file.
constexpr std::array<const char*, 6> kFileNames = {"orxdf01.svd", "orxdf02.svd", "orxdf03.svd",
                                                   "orxdf04.svd", "orxdf05.svd", "orxrf.svd"};
constexpr int kFlagsFile = 5;
using Files = std::array<std::string, 6>;  // a missing file reads as empty

// Play-area coordinates: slot k's frame is centred at y = kSlotY[k-1]; in the game menu
// "セーブ" is at y 122 and "ロード" at 192; in the title menu "はじめから" at 262 and "つづきから" at
// 332; the confirmation's "はい" at (260, 302); the choice's two answers at y 390 and 418.
constexpr int kSlotY[5] = {50, 144, 240, 336, 432};

// One run: a new game, then five story points (the meadow's first three lines, then after
// answer `branch` the first two lines of the seaside or the night town); at each point
// `perPoint` saves, into the slots that follow one another from `rotation` on, so that a slot
// is written at different points in turn.
struct Plan {
  int branch = 0;
  int rotation = 0;
  int perPoint = kSavesPerPoint;
  int points = 5;  // fewer: the run ends after that many points
};

int slotOf(const Plan& plan, int point, int j) {
  return (plan.rotation + point * plan.perPoint + j) % 5;
}

// The line a load shows for a save at each point (a load goes on with the line after the
// saved one), by branch.
const char* const kLoadedLine[2][5] = {
    {"こんにちは！　ミラベルへようこそ。", "わたしはミラ。あなたは……星野ひかるさん、だよね？",
     "うん。はじめまして、ミラ。", "夕日がきれい……。海が金色にかがやいてるね。",
     "空が茜色から紫へと、少しずつ変わっていく。"},
    {"こんにちは！　ミラベルへようこそ。", "わたしはミラ。あなたは……星野ひかるさん、だよね？",
     "うん。はじめまして、ミラ。", "にゃあ。", "あら、黒猫さん。あなたもお散歩？"},
};

// The script of a plan; `pace` stretches the waits for the menus and slot screens (a real-time
// run on a loaded machine needs more room than the virtual clock).
class ScriptWriter {
 public:
  explicit ScriptWriter(int pace) : pace_(pace) {}
  void At(int after, const std::string& line) {
    t_ += after;
    text_ += std::to_string(t_) + " " + line + "\n";
  }
  void Menu(int after, const std::string& line) { At(after * pace_, line); }
  void NewGame() {
    At(3000, "expect-state title");
    At(0, "click 320 150");
    Menu(500, "expect-state title-menu");
    At(0, "click 320 262");
    At(2500, "expect-state name-entry");
    At(0, "key RETURN");
    At(3500, "expect-state click-wait");
  }
  // The script time of each save's confirmation, when the slot is written.
  std::vector<uint64_t> saveTimes;
  void Save(int slot) {
    At(100, "rclick 320 150");
    Menu(150, "expect-state game-menu");
    At(0, "click 320 122");
    Menu(150, "expect-state save-slots");
    At(0, "click 320 " + std::to_string(kSlotY[slot]));
    Menu(150, "expect-state confirm");
    At(0, "click 260 302");
    saveTimes.push_back(t_);
    Menu(300, "expect-state click-wait");
  }
  void NextLine() {
    At(100, "click 320 150");
    At(3000, "expect-state click-wait");
  }
  std::string End() {
    At(500, "quit");
    return text_;
  }

 private:
  int pace_;
  uint64_t t_ = 0;
  std::string text_;
};

std::string planScript(const Plan& plan, int pace, std::vector<uint64_t>* saveTimes = nullptr) {
  ScriptWriter w(pace);
  w.NewGame();
  for (int point = 0; point < plan.points; ++point) {
    if (point == 1 || point == 2 || point == 4) w.NextLine();
    if (point == 3) {
      // Through the meadow to the choice, then the answer.
      w.At(100, "down 320 150");
      w.At(8000, "up 320 150");
      w.At(500, "expect-state choice");
      w.At(0, plan.branch == 0 ? "click 100 390" : "click 100 418");
      w.At(5000, "expect-state click-wait");
    }
    for (int j = 0; j < plan.perPoint; ++j) w.Save(slotOf(plan, point, j));
  }
  if (saveTimes) *saveTimes = w.saveTimes;
  return w.End();
}

// A start that loads `slot` through "つづきから" and shows `line` (any line of the story when null).
std::string loadScript(int slot, const char* line) {
  ScriptWriter w(1);
  w.At(3000, "expect-state title");
  w.At(0, "click 320 150");
  w.At(500, "expect-state title-menu");
  w.At(0, "click 320 332");
  w.At(1000, "expect-state continue-slots");
  w.At(0, "click 320 " + std::to_string(kSlotY[slot]));
  w.At(1000, "expect-state confirm");
  w.At(0, "click 260 302");
  w.At(6000, line ? "expect-text " + std::string(line) : "expect-state story");
  return w.End();
}

std::string fileText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Files readFiles(const fs::path& game) {
  Files f;
  for (size_t i = 0; i < f.size(); ++i) f[i] = fileText(game / kFileNames[i]);
  return f;
}

// Whether each file is one whole record; a slot's date (it follows the wall clock) must be a
// date of now or none at all, and is then blanked so that records compare by their content.
bool wholeRecords(Files& f, std::string* why) {
  const std::time_t now = std::time(nullptr);
  const int year = std::localtime(&now)->tm_year + 1900;
  for (size_t i = 0; i < f.size(); ++i) {
    const size_t size = i == kFlagsFile ? sizeof(TReadFlagsData) : sizeof(TSaveData);
    if (f[i].size() != size) {
      *why = std::string(kFileNames[i]) + " has " + std::to_string(f[i].size()) + " bytes";
      return false;
    }
    if (i == kFlagsFile) continue;
    TSaveData d;
    std::memcpy(&d, f[i].data(), sizeof d);
    const bool none = !d.SaveYear && !d.SaveMonth && !d.SaveDay && !d.SaveHour && !d.SaveMinute;
    const bool plausible = d.SaveYear >= year - 1 && d.SaveYear <= year + 1 &&
                           d.SaveMonth >= 1 && d.SaveMonth <= 12 && d.SaveDay >= 1 &&
                           d.SaveDay <= 31 && d.SaveHour >= 0 && d.SaveHour <= 23 &&
                           d.SaveMinute >= 0 && d.SaveMinute <= 59;
    if (!none && !plausible) {
      *why = std::string(kFileNames[i]) + " has no date of now";
      return false;
    }
    std::memset(f[i].data(), 0, offsetof(TSaveData, SaveTitle));
  }
  return true;
}

struct Write {
  int file;
  std::string bytes;  // a slot with its date blanked
};

// The writes a complete run of `plan` makes, in order, from the files `before`: the slots'
// saves (their records by point and branch in `points`) and the read-flags file when the
// choice marks the meadow read (the new game counted). The exit writes that file again with
// the same bytes.
std::vector<Write> planWrites(const Plan& plan, const std::string points[2][5],
                              const std::string& flagsBefore) {
  std::vector<Write> out;
  for (int point = 0; point < plan.points; ++point) {
    if (point == 3) {
      TReadFlagsData rf;
      std::memcpy(&rf, flagsBefore.data(), sizeof rf);
      rf.SetRead(0);
      rf.PlayCount = static_cast<int16_t>(rf.PlayCount + 1);
      out.push_back({kFlagsFile, std::string(reinterpret_cast<const char*>(&rf), sizeof rf)});
    }
    for (int j = 0; j < plan.perPoint; ++j)
      out.push_back({slotOf(plan, point, j), points[plan.branch][point]});
  }
  return out;
}

// How many of the writes the files show: the least n such that `after` is `before` with the
// first n writes made; -1 when there is none (a torn or foreign record, or a completed write
// lost behind a later one).
int writesShown(Files state, const Files& after, const std::vector<Write>& writes) {
  for (size_t n = 0;; ++n) {
    if (state == after) return static_cast<int>(n);
    if (n == writes.size()) return -1;
    state[writes[n].file] = writes[n].bytes;
  }
}

// Our temporary files in the folder: the atomic rewrite names them ".NAME.PID.N.tmp".
std::vector<std::string> tempFiles(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.size() > 5 && name[0] == '.' && name.ends_with(".tmp")) out.push_back(name);
  }
  return out;
}

// The seed of the kill moments: MIRAVEL_KILL_SEED, or a new one; printed, so that a failure can
// be repeated.
unsigned killSeed() {
  unsigned seed = std::random_device{}();
  if (const char* s = std::getenv("MIRAVEL_KILL_SEED")) seed = unsigned(std::strtoul(s, nullptr, 0));
  std::printf("kill seed %u (MIRAVEL_KILL_SEED=%u repeats it)\n", seed, seed);
  std::fflush(stdout);
  return seed;
}

// The record a slot holds, as the line its load shows; null when it is none of the points'.
const char* loadedLine(const std::string& slot, const std::string points[2][5]) {
  for (int b = 0; b < 2; ++b)
    for (int p = 0; p < 5; ++p)
      if (slot == points[b][p]) return kLoadedLine[b][p];
  return nullptr;
}

class SavesSurviveKill : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(MIRAVEL_BINARY) || !fs::exists(fs::path(DEMO_GAME_DIR) / "mscs.ssf"))
      GTEST_SKIP() << "the program or the demo game is not built";
    ASSERT_FALSE(dir.Path().empty());
    dir.KeepIfFailed();
    work = dir.Path();
    game = work / "game";
    fs::copy(DEMO_GAME_DIR, game, fs::copy_options::recursive);
    for (const char* name : kFileNames) fs::remove(game / name);
  }

  // Runs the program on the game with `script` (its home and settings in the work folder),
  // headless on the virtual clock or (sdl) on SDL's dummy drivers in real time.
  int run(const std::string& script, bool sdl, int signalAfterMs = -1, int signal = SIGKILL,
          ProgramEnd* end = nullptr, const std::string& tag = "") {
    return runIn(game, script, sdl, signalAfterMs, signal, end, tag);
  }
  int runIn(const fs::path& gameDir, const std::string& script, bool sdl, int signalAfterMs,
            int signal, ProgramEnd* end, const std::string& tag) {
    const fs::path scriptFile = work / ("script" + tag + ".txt");
    std::ofstream(scriptFile) << script;
    ProgramSpawn p;
    p.argv = {MIRAVEL_BINARY};
    if (!sdl) p.argv.insert(p.argv.end(), {"--headless", "--fast"});
    p.argv.insert(p.argv.end(), {gameDir.string(), "--autoplay", scriptFile.string()});
    p.setEnv = {"HOME=" + work.string(), "XDG_DATA_HOME=" + (work / "data").string(),
                "XDG_CONFIG_HOME=" + (work / "config").string()};
    if (sdl) p.setEnv.insert(p.setEnv.end(), {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"});
    p.stdoutFile = p.stderrFile = (work / ("log" + tag + ".txt")).string();
    p.timeoutSec = 120;
    p.signalAfterMs = signalAfterMs;
    p.signal = signal;
    return RunProgram(p, end);
  }
  std::string log(const std::string& tag = "") { return fileText(work / ("log" + tag + ".txt")); }

  // Runs the script headless and returns the time from the start to its end, or with
  // lastWrite to the last change of the save files.
  double timedRun(const std::string& script, bool lastWrite = false) {
    const double start = wallMs();
    EXPECT_EQ(run(script, false), 0) << log();
    if (!lastWrite) return wallMs() - start;
    double last = 0;
    for (const char* name : kFileNames) {
      struct stat st;
      if (::stat((game / name).c_str(), &st) == 0)
        last = std::max(last, st.st_mtim.tv_sec * 1e3 + st.st_mtim.tv_nsec / 1e6);
    }
    return last - start;
  }
  static double wallMs() {
    timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
  }

  TempDir dir;
  fs::path work, game;
};

TEST_F(SavesSurviveKill, EveryFileIsWholeAndTheWritesInOrderAfterEachKill) {
  // The records of the five points on both branches: one save per point, into slots 1-5.
  std::string points[2][5];
  for (int branch = 0; branch < 2; ++branch) {
    ASSERT_EQ(run(planScript({branch, 0, 1}, 1), false), 0) << log();
    Files f = readFiles(game);
    std::string why;
    ASSERT_TRUE(wholeRecords(f, &why)) << why;
    for (int point = 0; point < 5; ++point) points[branch][point] = f[point];
  }
  for (int point = 0; point < 3; ++point) ASSERT_EQ(points[0][point], points[1][point]);

  // Where the saves happen: from the end of a run that stops before its first save to the last
  // write of a whole run (the read-flags file at its exit), which shows every write it made.
  const double savesFrom = timedRun(planScript({0, 0, kSavesPerPoint, 0}, 1));
  Files before = readFiles(game);
  std::string why;
  ASSERT_TRUE(wholeRecords(before, &why)) << why;
  const Plan whole{1, 2};
  const std::vector<Write> wholeWrites = planWrites(whole, points, before[kFlagsFile]);
  const double savesTo = timedRun(planScript(whole, 1), true);
  Files after = readFiles(game);
  ASSERT_TRUE(wholeRecords(after, &why)) << why;
  ASSERT_EQ(writesShown(before, after, wholeWrites), int(wholeWrites.size()));
  EXPECT_TRUE(tempFiles(game).empty());

  std::printf("saves from %.0f to %.0f ms after the start\n", savesFrom, savesTo);
  std::mt19937 rng(killSeed());
  std::uniform_real_distribution<double> moment(savesFrom, savesTo);

  int killed = 0, inWrite = 0, loads = 0, maxTemps = 0;
  std::vector<int> shownHistogram(wholeWrites.size() + 1);
  for (int kill = 0; kill < kKills; ++kill) {
    const Plan plan{int(rng() % 2), int(rng() % 5)};
    const int at = int(moment(rng));
    SCOPED_TRACE("kill " + std::to_string(kill) + " at " + std::to_string(at) + " ms");
    before = readFiles(game);
    ASSERT_TRUE(wholeRecords(before, &why)) << why;
    const std::vector<Write> writes = planWrites(plan, points, before[kFlagsFile]);
    ProgramEnd end;
    const int status = run(planScript(plan, 1), false, at, SIGKILL, &end);
    // A kill that comes as the program ends finds it gone: the run counts as a whole one.
    const bool wasKilled = end.termSignal == SIGKILL;
    if (wasKilled) {
      ++killed;
    } else {
      ASSERT_EQ(status, 0) << log();
    }

    after = readFiles(game);
    ASSERT_TRUE(wholeRecords(after, &why)) << why;
    const int shown = writesShown(before, after, writes);
    ASSERT_GE(shown, 0) << "the files are no state the run's writes lead to";
    if (!wasKilled) ASSERT_EQ(shown, int(writes.size()));
    ++shownHistogram[shown];

    // A kill during a write leaves that write's temporary file; the next start's first write
    // removes it, so they never pile up.
    const std::vector<std::string> temps = tempFiles(game);
    maxTemps = std::max(maxTemps, int(temps.size()));
    ASSERT_LE(temps.size(), 1u) << temps[0] << " and more";
    for (const std::string& t : temps)
      if (t.find("." + std::to_string(end.pid) + ".") != std::string::npos) ++inWrite;

    if (kill % kLoadCheckEvery == kLoadCheckEvery - 1) {
      // The next start loads a slot through "つづきから" and shows the line after its save.
      const int slot = (kill / kLoadCheckEvery) % 5;
      const char* line = loadedLine(after[slot], points);
      ASSERT_NE(line, nullptr) << kFileNames[slot] << " holds no record of the plan";
      ASSERT_EQ(run(loadScript(slot, line), false, -1, SIGKILL, nullptr, "-load"), 0)
          << log("-load");
      ++loads;
    }
  }
  std::printf("%d kills (%d runs ended before theirs), %d during a write (a temporary file "
              "left), at most %d temporary file after a kill; %d loads in the next start\n",
              killed, kKills - killed, inWrite, maxTemps, loads);
  std::printf("writes completed when killed:");
  for (size_t n = 0; n < shownHistogram.size(); ++n) std::printf(" %d", shownHistogram[n]);
  std::printf("\n");
}

// On SDL's dummy drivers in real time, side by side in copies of the game: the termination
// signals of a session's end (SIGTERM, SIGINT, SIGHUP) close the program through its own exit,
// which writes the read-flags file with this session's play count; SIGKILL during the saves
// leaves whole files that are the state after some of the run's writes, and loadable slots.
TEST_F(SavesSurviveKill, OnSdlTerminationSignalsEndThroughTheExitAndKillsLeaveWholeFiles) {
  ASSERT_EQ(run(planScript({0, 0, 1}, 1), false), 0) << log();
  const Files start = readFiles(game);
  Files startBlank = start;
  std::string why;
  ASSERT_TRUE(wholeRecords(startBlank, &why)) << why;
  std::string points[2][5];
  for (int p = 0; p < 5; ++p) points[0][p] = points[1][p] = startBlank[p];

  // One save at each of the meadow's three points, into slots 2-4; the menus get three times
  // the room of a headless run.
  const Plan plan{0, 1, 1, 3};
  std::vector<uint64_t> saveAt;
  const std::string script = planScript(plan, 3, &saveAt);
  std::mt19937 rng(killSeed());
  std::uniform_int_distribution<int> killAt(int(saveAt.front()) - 500, int(saveAt.back()) + 500);
  struct Case {
    int signal;
    int at;  // ms after the start
    int status = 0;
    ProgramEnd end;
  } cases[] = {{SIGTERM, int(saveAt.front()) + 2500}, {SIGINT, int(saveAt.front()) + 2500},
               {SIGHUP, int(saveAt.front()) + 2500}, {SIGKILL, killAt(rng)},
               {SIGKILL, killAt(rng)}};
  std::vector<std::thread> runs;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const fs::path copy = work / ("sdl" + std::to_string(i));
    fs::copy(game, copy, fs::copy_options::recursive);
    runs.emplace_back([&, i, copy] {
      cases[i].status = runIn(copy, script, true, cases[i].at, cases[i].signal, &cases[i].end,
                              std::to_string(i));
    });
  }
  for (std::thread& t : runs) t.join();

  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const std::string tag = std::to_string(i);
    SCOPED_TRACE("signal " + std::to_string(c.signal) + " at " + std::to_string(c.at) + " ms");
    const fs::path copy = work / ("sdl" + tag);
    Files after = readFiles(copy);
    ASSERT_TRUE(wholeRecords(after, &why)) << why;
    if (c.signal != SIGKILL) {
      // Ended by the program itself, the new game counted in the read-flags file.
      ASSERT_TRUE(c.end.signalSent) << log(tag);
      EXPECT_EQ(c.status, 0) << log(tag);
      TReadFlagsData rf;
      std::memcpy(&rf, start[kFlagsFile].data(), sizeof rf);
      rf.PlayCount = static_cast<int16_t>(rf.PlayCount + 1);
      EXPECT_EQ(after[kFlagsFile], std::string(reinterpret_cast<const char*>(&rf), sizeof rf));
      continue;
    }
    EXPECT_EQ(c.end.termSignal, SIGKILL) << log(tag);
    const std::vector<Write> writes = planWrites(plan, points, start[kFlagsFile]);
    const int shown = writesShown(startBlank, after, writes);
    EXPECT_GE(shown, 0) << "the files are no state the run's writes lead to";
    std::printf("SDL kill at %d ms: %d of %zu writes done\n", c.at, shown, writes.size());
    const int slot = slotOf(plan, 0, 0);
    EXPECT_EQ(runIn(copy, loadScript(slot, loadedLine(after[slot], points)), false, -1, SIGKILL,
                    nullptr, "-load"),
              0)
        << log("-load");
  }
}

}  // namespace
