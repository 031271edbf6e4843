// The soak: a million random input events (tests/support/random_play.h) through the demo game on
// the fake backend, program run after program run on the same folder, so that saves made in one
// run are loaded in another. It must end without a crash or a sanitizer report, with the save
// files whole at every check point and the process no bigger at the end than after its first
// 10,000 events (give or take 8 MB).
//
// MIRAVEL_SOAK_EVENTS and MIRAVEL_SOAK_SEED change the number of events and the generator's seed.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>

#include "shell/settings.h"
#if defined(__SANITIZE_ADDRESS__)
#define SOAK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_SANITIZED 1
#endif
#endif
#ifdef SOAK_SANITIZED
#include <sanitizer/allocator_interface.h>
#endif
#include "support/random_play.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kCheckEvery = 10000;
constexpr long kGrowthLimit = 8L << 20;

uint64_t envNumber(const char* name, uint64_t def) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtoull(v, nullptr, 10) : def;
}

long residentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// The memory the program holds. Under the address sanitizer the resident size also counts the
// quarantine of freed blocks (up to 256 MB, filling for a long while) and the allocator's
// caches, so there the sanitizer's count of live heap bytes stands for it.
long memoryInUse() {
#ifdef SOAK_SANITIZED
  return long(__sanitizer_get_current_allocated_bytes());
#else
  return residentBytes();
#endif
}

std::set<std::string> fileNames(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir)) names.insert(e.path().string());
  return names;
}

}  // namespace

TEST(Soak, RandomPlayThroughTheDemo) {
  if (!fs::exists(fs::path(DEMO_GAME_DIR) / "mscs.ssf")) GTEST_SKIP() << "no demo game built";
  TempDir dir;
  dir.KeepIfFailed();
  const std::string game = dir.File("game");
  ASSERT_TRUE(CopyGameFolder(DEMO_GAME_DIR, game));
  // The player's settings (the scale keys and menu items write them) stay in the test's folder.
  setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
  setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
  ResetPlayerSettings();

  const uint64_t total = envNumber("MIRAVEL_SOAK_EVENTS", 1000000);
  const uint64_t seed = envNumber("MIRAVEL_SOAK_SEED", 20240401);
  std::mt19937_64 rng(seed);
  RandomPlay play([&] { return uint8_t(rng() >> 56); });
  const RandomPlayCounts& n = play.Counts();

  int nodeCount = 0;
  long usedFirst = 0, usedLast = 0, rssFirst = 0, rssLast = 0;
  uint64_t nextCheck = kCheckEvery;
  std::set<std::string> files;
  int badStates = 0;
  const auto start = std::chrono::steady_clock::now();

  // At every check point: whole save files, no file left behind by a rewrite, and the memory.
  auto checkPoint = [&] {
    nextCheck += kCheckEvery;
    const std::string problems = CheckSaveFiles(game, nodeCount);
    EXPECT_EQ(problems, "") << "after " << n.events << " events";
    if (files.empty()) files = fileNames(game);
    EXPECT_EQ(fileNames(game), files) << "after " << n.events << " events";
    usedLast = memoryInUse();
    rssLast = residentBytes();
    if (usedFirst == 0) {
      usedFirst = usedLast;
      rssFirst = rssLast;
    }
  };
  while (n.events < total && !HasFailure()) {
    RandomPlayRun run(game, play);
    ASSERT_TRUE(run.form && !run.form->StartupFailed) << "the demo did not start";
    nodeCount = run.form->TreeViewSinario.Count();
    const bool ended = run.Play(
        [&] {
          if (n.events >= nextCheck) checkPoint();
          return n.events < total;
        },
        [&](const TMainFrm& f) {
          if (!ValidGameState(f) && badStates++ == 0)
            ADD_FAILURE() << "state " << f.StepState << "/" << f.TextSubState << " at node "
                          << f.NodeIndex << " after " << n.events << " events";
        },
        uint64_t(1) << 40);
    ASSERT_TRUE(ended) << "the run did not end (after " << n.events << " events)";
  }
  checkPoint();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::printf("soak: %llu events in %.1f s (seed %llu)\n", (unsigned long long)n.events, seconds,
              (unsigned long long)seed);
  std::printf("soak: %llu program runs, %llu new games, %llu saves, %llu loads, %llu endings\n",
              (unsigned long long)n.programs, (unsigned long long)n.newGames,
              (unsigned long long)n.saves, (unsigned long long)n.loads,
              (unsigned long long)n.endings);
  std::printf("soak: resident memory %.1f MB after %llu events, %.1f MB at the end\n",
              rssFirst / 1048576.0, (unsigned long long)kCheckEvery, rssLast / 1048576.0);
#ifdef SOAK_SANITIZED
  std::printf("soak: live heap %.1f MB after %llu events, %.1f MB at the end\n",
              usedFirst / 1048576.0, (unsigned long long)kCheckEvery, usedLast / 1048576.0);
#endif
  EXPECT_EQ(badStates, 0);
  // Play reached every part of the game often: a save and a load every few hundred events.
  EXPECT_GE(n.saves, total / 1000);
  EXPECT_GE(n.loads, total / 1000);
  EXPECT_GE(n.endings, total / 20000);
  if (total >= 2 * kCheckEvery) EXPECT_LE(usedLast - usedFirst, kGrowthLimit);
}
