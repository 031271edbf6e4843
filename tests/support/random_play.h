// Random play over a whole game on the fake backend, shared by the soak test and the whole-game
// fuzz target. A stream of bytes (a fuzz input, or a seeded generator's output for the soak)
// becomes the input of a restless player: left and right clicks anywhere in the window, the
// menu bar and its drop-down items included, pointer moves, the wheel, keys (Enter, Space,
// Escape, Backspace, the arrows, Page Up/Down, Ctrl, Shift held while clicking, Ctrl+S, Ctrl+A),
// names typed into the name entry, pauses of any virtual length and the window's close button
// answered either way. Most actions aim at what the screen shown offers (menu items, slots, the
// confirmation's buttons, choices, the option labels, "ＯＫ" of the name entry), so that play
// reaches the story, the choices, the save and load screens, the option screen and the endings.
//
//   RandomPlay play([&] { return uint8_t(rng()); });
//   RandomPlayRun run(gameDir, play);
//   run.Play([&] { return play.Counts().events < 1000; });   // one program run
//
// The bytes decide everything, and the decisions depend only on them and on the game's state,
// so one input always plays the same way from the same files.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/backend/fake/fake_backend.h"
#include "platform/windows/app.h"
#include "shell/main_form.h"

struct RandomPlayCounts {
  uint64_t events = 0;    // actions scripted
  uint64_t saves = 0;     // saves confirmed on the save screen
  uint64_t loads = 0;     // loads confirmed on a load screen (in the game or from the title)
  uint64_t newGames = 0;  // "はじめから" on the title menu
  uint64_t endings = 0;   // ending rolls started
  uint64_t programs = 0;  // program runs (main forms built)
};

class RandomPlay {
 public:
  using Bytes = std::function<uint8_t()>;
  // quick: a hurried player, for the fuzz target, where every step frame counts: the pauses,
  // waits and held buttons last a quarter as long, and the credits are cut short more often.
  explicit RandomPlay(Bytes next, bool quick = false) : next_(std::move(next)), quick_(quick) {}

  // A new program run begins: no pause is pending, no state seen yet.
  void Begin();
  // Notes what the game did since the last look (called at every message processing).
  void Observe(const TMainFrm& form);
  // True when the next action is due: no scripted input is left and the pause after the last
  // action is over (a message box open is answered at once).
  bool Due(const FakeBackend& fake) const;
  // Scripts the next action for the screen shown, at the fake's current time, and chooses the
  // pause after it. Counts one event.
  void Act(FakeBackend& fake, const TMainFrm& form);
  // The window's close button, answered with OK, or the default button of the box open.
  void Close(FakeBackend& fake);

  const RandomPlayCounts& Counts() const { return counts_; }
  RandomPlayCounts& Counts() { return counts_; }

 private:
  uint8_t byte() { return next_(); }
  uint32_t ms(uint32_t t) const { return quick_ ? t / 4 : t; }
  int pick(int n) { return byte() % n; }
  TPoint inside(const TRect& r);
  void clickIn(FakeBackend& fake, const TRect& r);
  void aim(FakeBackend& fake, const TMainFrm& form);
  void anywhere(FakeBackend& fake, int kind);
  void key(FakeBackend& fake);
  void type(FakeBackend& fake);

  Bytes next_;
  bool quick_ = false;
  RandomPlayCounts counts_;
  uint64_t nextAt_ = 0;  // virtual time (the fake's Elapsed) the next action is due
  int32_t lastState_ = -1;
  bool endingShown_ = false;
};

// One program run of a game folder, as the program entry makes it: a fresh fake backend (its
// clock, input script, message boxes, kept frames and audio recorder new), an application and
// the main form built and shown. Play runs its game loop with `play` acting whenever no scripted
// input is left, until more() turns false (the window is then closed through its confirmation)
// or the game ends by itself (a confirmed quit or close). The form is destroyed at the end.
// The fake keeps no frame; its recorded boxes and audio calls are cleared as they pile up.
class RandomPlayRun {
 public:
  RandomPlayRun(const std::string& gameDir, RandomPlay& play);
  ~RandomPlayRun();
  RandomPlayRun(const RandomPlayRun&) = delete;
  RandomPlayRun& operator=(const RandomPlayRun&) = delete;

  // check runs at every message processing with the form (a failed check is the caller's to
  // report). False when the form could not be built or the run outlasted limitMs of virtual
  // time (then it is closed as the fake's runaway guard does).
  bool Play(const std::function<bool()>& more,
            const std::function<void(const TMainFrm&)>& check = {},
            uint64_t limitMs = 3600000);

  FakeBackend fake;
  TApplication app;
  TMainFrm* form = nullptr;

 private:
  RandomPlay& play_;
};

// A copy of game folder `from` at `to` without its save files (a fresh installation); false
// when it could not be made.
bool CopyGameFolder(const std::string& from, const std::string& to);

// The game is in one of the step machine's states (and sub-states), and wherever a play is under
// way its cursor is on an existing node.
bool ValidGameState(const TMainFrm& form);

// The checks of the stored files: every save slot file of the folder is 2048 bytes and names a
// node below nodeCount; the read-flags file is 2051 bytes. Empty when they hold, else what is
// wrong.
std::string CheckSaveFiles(const std::string& gameDir, int nodeCount);
