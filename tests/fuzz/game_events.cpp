// The whole game under random input: each input is a start point (its first byte) and then the
// bytes of up to kMaxEvents player actions (tests/support/random_play.h), played on the demo game
// on the fake backend from the logo on; at the end the window is closed through its confirmation.
//
// Every input starts from the same state: a program run of its own (a fresh fake backend, with
// its clock, input, boxes, frames and audio recorder new, and a newly built main form), the save
// files of its start point written anew in the scratch copy of the demo, and the player's
// settings forgotten. Building the form reads the few small files of the demo; what costs is
// the play itself, so an input plays at most kMaxEvents actions.
//
// Start points (the first byte's two low bits): a fresh installation, or one with three saved
// slots (the meadow, the seaside and the night town) and every node read, where "つづきから" and
// skip mode have something to do; each with the player's option "no animated transitions" off
// or on. The option makes a play several times faster: a fade is one frame instead of dozens.
//
// The player is a hurried one (RandomPlay's quick pace): every virtual millisecond of play
// costs step frames, and frames are what an input spends its time on.
//
// Checks: the game stays in a valid state with its cursor on an existing node, the run ends
// within its virtual time (no hang), and the save slot files stay 2048 bytes naming existing
// nodes and the read-flags file 2051 bytes.
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/text/cp932.h"
#include "shell/save_data.h"
#include "shell/settings.h"
#include "support/fuzz_setup.h"
#include "support/random_play.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kMaxEvents = 48;
// Far more than 48 actions and a whole ending roll take: a run that is still going then hangs.
constexpr uint64_t kRunLimitMs = 30 * 60 * 1000;
constexpr int kStartPoints = 4;

void writeRecord(const fs::path& p, const void* data, size_t size) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), std::streamsize(size));
  FuzzCheck(out.good());
}

struct Game {
  std::string dir;
  std::string settings;
  Game() {
    dir = FuzzScratch().File("game");
    FuzzCheck(CopyGameFolder(DEMO_GAME_DIR, dir));
    setenv("XDG_CONFIG_HOME", FuzzScratch().File("config").c_str(), 1);
    setenv("XDG_DATA_HOME", FuzzScratch().File("data").c_str(), 1);
    settings = PlayerSettingsPath();
  }

  // The save files of start point `start` (see the top of the file).
  void prepare(int start) const {
    const fs::path d(dir);
    std::error_code ec;
    for (const char* name : {"orxrf.svd", "orxdf01.svd", "orxdf02.svd", "orxdf03.svd",
                             "orxdf04.svd", "orxdf05.svd"})
      fs::remove(d / name, ec);
    fs::remove(settings, ec);
    ResetPlayerSettings();
    const bool noFade = start & 1, saved = start & 2;
    if (!noFade && !saved) return;
    TReadFlagsData flags{};
    if (saved)
      for (int node = 0; node < 4; ++node) flags.SetRead(node);
    flags.PlayCount = saved ? 3 : 0;
    flags.Options.TextSpeed = 1;
    flags.Options.NoScreenFade = noFade ? 1 : 0;
    writeRecord(d / "orxrf.svd", &flags, sizeof flags);
    if (!saved) return;
    // Slot n: node n - 1 a few lines in, with the names typed at the start.
    const struct {
      int node, line;
      const char* title;
    } slots[] = {{0, 12, "草原のはじまり"}, {1, 14, "海辺の夕暮れ"}, {2, 20, "夜の街"}};
    for (int i = 0; i < 3; ++i) {
      TSaveData save{};
      save.SaveYear = 2024;
      save.SaveMonth = 4;
      save.SaveDay = 1;
      save.SaveHour = 12;
      save.SaveNodeIndex = int16_t(slots[i].node);
      save.SaveLineIndex = int16_t(slots[i].line);
      std::strncpy(save.SaveTitle, SJ(slots[i].title), sizeof save.SaveTitle - 1);
      for (int node = 0; node <= slots[i].node; ++node) save.SetSlotRead(node);
      std::strcpy(save.CharNames[1], SJ("星野"));
      std::strcpy(save.CharNames[2], SJ("ひかる"));
      writeRecord(d / ("orxdf0" + std::to_string(i + 1) + ".svd"), &save, sizeof save);
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Game game;
  if (size == 0) return 0;
  game.prepare(data[0] % kStartPoints);

  size_t pos = 1;
  RandomPlay play([&]() -> uint8_t { return pos < size ? data[pos++] : 0; }, true);
  RandomPlayRun run(game.dir, play);
  FuzzCheck(run.form && !run.form->StartupFailed);
  const int nodes = run.form->TreeViewSinario.Count();
  const bool ended = run.Play([&] { return pos < size && play.Counts().events < kMaxEvents; },
                              [](const TMainFrm& f) { FuzzCheck(ValidGameState(f)); },
                              kRunLimitMs);
  FuzzCheck(ended);
  FuzzCheck(CheckSaveFiles(game.dir, nodes).empty());
  return 0;
}
