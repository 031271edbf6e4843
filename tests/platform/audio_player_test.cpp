// The media player on the fake backend's audio output: its mode machine, its errors and its
// completion notices.
#include <gtest/gtest.h>

#include <thread>

#include "platform/windows/app.h"
#include "platform/audio/audio.h"
#include "platform/audio_test_util.h"
#include "support/temp_dir.h"
#include "platform/backend/fake/fake_backend.h"

namespace {


// A form that handles the player's notices the way the game's main form does: the notify switch
// goes on again and a play that completed starts once more.
class NoticeForm : public TForm {
 public:
  TMediaPlayer* player = nullptr;
  bool loop = true;
  std::vector<TMPNotifyValues> notices;
  std::vector<std::thread::id> threads;

  void Dispatch(TMessage& msg) override {
    if (msg.Msg == MM_MCINOTIFY && player && player->HandleNotify(msg)) {
      notices.push_back(player->NotifyValue());
      threads.push_back(std::this_thread::get_id());
      if (loop) {
        player->Notify = true;
        if (player->NotifyValue() == nvSuccessful) player->Play();
      }
      return;
    }
    TForm::Dispatch(msg);
  }
};

class AudioPlayer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir.Path().empty());
    a = dir.Path() + "\\0007.mid";  // an engine path: "\\" separators
    b = dir.Path() + "\\theme.ogg";
    ASSERT_TRUE(dir.Write("0007.mid", "MThd"));
    ASSERT_TRUE(dir.Write("theme.ogg", "OggS"));
    form.player = &player;
  }
  // Runs one step of a script: O open a, B open b, C close, P play, N play asking for a notice,
  // S stop, Z pause toggle, Q pause-only, R rewind, E the music ends by itself.
  void run(char op) {
    switch (op) {
      case 'O': player.FileName = a; player.Open(); break;
      case 'B': player.FileName = b; player.Open(); break;
      case 'C': player.Close(); break;
      case 'P': player.Play(); break;
      case 'N': player.Notify = true; player.Play(); break;
      case 'S': player.Stop(); break;
      case 'Z': player.Pause(); break;
      case 'Q': player.PauseOnly(); break;
      case 'R': player.Rewind(); break;
      case 'E': FakeAudioEndMusic(); break;
      default: FAIL() << "unknown step " << op;
    }
  }

  FakeBackend fake;  // first made, last gone: the players close on its audio output
  TempDir dir;
  std::string a, b;
  TApplication app;
  NoticeForm form;
  TMediaPlayer player{&form};
};

// Each step: the operation, the mode afterwards, and whether the music began again from its
// start (as opposed to resuming or not moving).
struct Step {
  char op;
  TMPModes mode;
  bool fromStart;
};

struct ModeCase {
  const char* name;
  std::vector<Step> steps;
};

TEST_F(AudioPlayer, ModeFollowsTheCommands) {
  const ModeCase cases[] = {
      {"nothing open", {{'P', mpNotReady, false}, {'S', mpNotReady, false},
                        {'Z', mpNotReady, false}, {'R', mpNotReady, false}}},
      {"stop keeps the place",
       {{'O', mpStopped, false}, {'P', mpPlaying, true}, {'S', mpStopped, false},
        {'P', mpPlaying, false}}},
      {"stop and rewind start over",
       {{'O', mpStopped, false}, {'P', mpPlaying, true}, {'S', mpStopped, false},
        {'R', mpStopped, false}, {'P', mpPlaying, true}}},
      {"pause toggles, pause-only does not",
       {{'O', mpStopped, false}, {'P', mpPlaying, true}, {'Z', mpPaused, false},
        {'Z', mpPlaying, false}, {'Q', mpPaused, false}, {'Q', mpPaused, false},
        {'Z', mpPlaying, false}}},
      {"pausing a stopped piece does nothing",
       {{'O', mpStopped, false}, {'Z', mpStopped, false}, {'Q', mpStopped, false}}},
      {"rewind while playing goes on from the start",
       {{'O', mpStopped, false}, {'P', mpPlaying, true}, {'R', mpPlaying, true}}},
      {"rewind while paused stays paused",
       {{'O', mpStopped, false}, {'P', mpPlaying, true}, {'Z', mpPaused, false},
        {'R', mpPaused, false}, {'Z', mpPlaying, true}}},
      {"a piece at its end plays from the start",
       {{'O', mpStopped, false}, {'P', mpPlaying, true}, {'E', mpStopped, false},
        {'P', mpPlaying, true}}},
      {"playing twice does not restart",
       {{'O', mpStopped, false}, {'P', mpPlaying, true}, {'P', mpPlaying, false}}},
      {"close ends everything",
       {{'O', mpStopped, false}, {'P', mpPlaying, true}, {'C', mpNotReady, false},
        {'P', mpNotReady, false}}},
      {"another file replaces the playing one",
       {{'O', mpStopped, false}, {'P', mpPlaying, true}, {'B', mpStopped, false},
        {'P', mpPlaying, true}}},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.name);
    player.Close();
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const Step& s = c.steps[i];
      SCOPED_TRACE(::testing::Message() << "step " << i << " " << s.op);
      unsigned starts = FakeAudioMusicStarts();
      run(s.op);
      EXPECT_EQ(player.Mode(), s.mode);
      EXPECT_EQ(FakeAudioMusicStarts() - starts, s.fromStart ? 1u : 0u);
    }
  }
}

TEST_F(AudioPlayer, ErrorsAndFileNames) {
  struct Case {
    const char* name;
    std::string file;
    int error;
    TMPModes mode;
  };
  const Case cases[] = {
      {"existing file", a, 0, mpStopped},
      {"other case of the name", dir.Path() + "\\0007.MID", 0, mpStopped},
      {"missing file", dir.Path() + "\\0008.mid", MCIERR_FILE_NOT_FOUND, mpNotReady},
      {"no name", "", MCIERR_FILE_NOT_FOUND, mpNotReady},
      {"a folder", dir.Path(), MCIERR_FILE_NOT_FOUND, mpNotReady},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    player.FileName = c.file;
    player.Open();
    EXPECT_EQ(player.Error(), c.error);
    EXPECT_EQ(player.Mode(), c.mode);
    EXPECT_FALSE(player.ErrorMessage().empty());
    EXPECT_EQ(player.FileName, c.file);  // the name stays what was asked for
    if (c.error != 0) {
      // A player that failed to open cannot play, and says so.
      player.Play();
      EXPECT_NE(player.Error(), 0);
      EXPECT_EQ(player.Mode(), mpNotReady);
    }
  }
  // Opening the same player again replaces what was open; a good open clears the error.
  player.FileName = a;
  player.Open();
  player.Play();
  EXPECT_EQ(player.Error(), 0);
  EXPECT_EQ(player.OpenedDeviceType(), dtSequencer);
  player.FileName = b;
  player.Open();
  EXPECT_EQ(player.OpenedDeviceType(), dtOther);
}

TEST_F(AudioPlayer, SwitchesAreOneShotAndCallsAreRecorded) {
  player.FileName = a;
  player.Wait = true;
  player.Open();
  EXPECT_FALSE(player.Wait);
  player.Notify = true;
  player.Play();
  EXPECT_FALSE(player.Notify);
  player.Stop();
  player.Rewind();

  std::vector<FakeAudioCall> calls;
  for (const FakeAudioCall& c : FakeAudioCalls())
    if (c.Call != "MM_MCINOTIFY") calls.push_back(c);
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].Call, "Open");
  EXPECT_EQ(calls[0].File, a);
  EXPECT_EQ(calls[0].Mode, mpStopped);
  EXPECT_EQ(calls[1].Call, "Play");
  EXPECT_EQ(calls[1].Flags, 1u);  // asked for a notice
  EXPECT_EQ(calls[1].Mode, mpPlaying);
  EXPECT_EQ(calls[2].Call, "Stop");
  EXPECT_EQ(calls[2].Mode, mpStopped);
  EXPECT_EQ(calls[3].Call, "Rewind");
  ASSERT_EQ(FakeAudioCalls("MM_MCINOTIFY").size(), 1u);
  EXPECT_EQ(FakeAudioCalls("MM_MCINOTIFY")[0].Flags, MCI_NOTIFY_ABORTED);
}

// What the owner's handler sees after a script, with the handler restarting completed plays.
TEST_F(AudioPlayer, NoticesTellANaturalEndFromTheEnginesOwnStops) {
  struct Case {
    const char* name;
    const char* script;
    std::vector<TMPNotifyValues> notices;
    TMPModes mode;  // after the messages were handled
  };
  const Case cases[] = {
      {"natural end loops", "ONE", {nvSuccessful}, mpPlaying},
      {"without notify nothing is told", "OPE", {}, mpStopped},
      {"stop", "ONS", {nvAborted}, mpStopped},
      {"pause", "ONZ", {nvAborted}, mpPaused},
      {"pause-only", "ONQ", {nvAborted}, mpPaused},
      {"close", "ONC", {nvAborted}, mpNotReady},
      {"a new open", "ONB", {nvSuperseded}, mpStopped},
      {"a new play asking again", "ONN", {nvSuperseded}, mpPlaying},
      {"rewind keeps the play", "ONRE", {nvSuccessful}, mpPlaying},
      // The end came first but the engine stopped the piece before the notice was handled.
      {"end overtaken by stop", "ONES", {nvAborted}, mpStopped},
      // A pause then leaves it paused at its start, for the next round.
      {"end overtaken by pause-only", "ONEQ", {nvAborted}, mpPaused},
      {"end overtaken by pause", "ONEZ", {nvAborted}, mpPaused},
      {"end overtaken by open", "ONEB", {nvSuperseded}, mpStopped},
      {"end then rewind still loops", "ONER", {nvSuccessful}, mpPlaying},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    player.Close();
    app.ProcessMessages();
    form.notices.clear();
    for (const char* p = c.script; *p; ++p) run(*p);
    app.ProcessMessages();
    EXPECT_EQ(form.notices, c.notices);
    EXPECT_EQ(player.Mode(), c.mode);
  }
}

TEST_F(AudioPlayer, LoopsAtEveryEndUntilStopped) {
  run('O');
  run('N');
  for (int i = 0; i < 3; ++i) {
    unsigned starts = FakeAudioMusicStarts();
    ASSERT_TRUE(FakeAudioEndMusic());
    // Ended; it counts as playing until the notice that restarts it has been handled.
    EXPECT_EQ(player.Mode(), mpPlaying);
    app.ProcessMessages();
    EXPECT_EQ(player.Mode(), mpPlaying);
    EXPECT_EQ(FakeAudioMusicStarts(), starts + 1);
  }
  run('S');
  app.ProcessMessages();
  EXPECT_FALSE(FakeAudioEndMusic());  // nothing plays any more
  app.ProcessMessages();
  EXPECT_EQ(player.Mode(), mpStopped);
  EXPECT_EQ(form.notices,
            (std::vector<TMPNotifyValues>{nvSuccessful, nvSuccessful, nvSuccessful, nvAborted}));
}

// Installing a backend with another audio output closes the players on the output they used
// (a play waiting for its notice is aborted) and starts the new output afresh; going back does
// the same again.
TEST_F(AudioPlayer, AnotherBackendsOutputClosesThePlayers) {
  form.loop = false;
  run('O');
  run('N');
  ASSERT_EQ(player.Mode(), mpPlaying);
  {
    FakeBackend other;
    EXPECT_EQ(player.Mode(), mpNotReady);
    EXPECT_FALSE(FakeAudioEndMusic()) << "the new output plays nothing";
    EXPECT_EQ(FakeAudioMusicStarts(), 0u);
    run('O');
    run('P');
    EXPECT_EQ(FakeAudioMusicStarts(), 1u);
  }
  EXPECT_EQ(player.Mode(), mpNotReady);
  EXPECT_EQ(FakeAudioMusicStarts(), 0u);
  EXPECT_TRUE(FakeAudioCalls().empty());
  app.ProcessMessages();
  EXPECT_EQ(form.notices, std::vector<TMPNotifyValues>{nvAborted});
}

TEST_F(AudioPlayer, NoticeFromTheAudioThreadIsHandledOnTheMainThread) {
  run('O');
  run('N');
  bool ended = false;
  std::thread mixer([&] { ended = FakeAudioEndMusic(); });
  mixer.join();
  ASSERT_TRUE(ended);
  EXPECT_TRUE(form.notices.empty());  // nothing runs before the main thread takes messages
  app.ProcessMessages();
  ASSERT_EQ(form.notices.size(), 1u);
  EXPECT_EQ(form.notices[0], nvSuccessful);
  EXPECT_EQ(form.threads[0], std::this_thread::get_id());
}

TEST_F(AudioPlayer, ASecondPlayerTakesTheMusicStream) {
  NoticeForm otherForm;
  TMediaPlayer other(&otherForm);
  otherForm.player = &other;
  form.loop = false;
  run('O');
  run('N');
  other.FileName = b;
  other.Open();
  other.Notify = true;
  other.Play();
  EXPECT_EQ(other.Mode(), mpPlaying);
  EXPECT_EQ(player.Mode(), mpStopped);
  ASSERT_TRUE(FakeAudioEndMusic());
  app.ProcessMessages();
  EXPECT_EQ(form.notices, std::vector<TMPNotifyValues>{nvAborted});
  EXPECT_EQ(otherForm.notices, std::vector<TMPNotifyValues>{nvSuccessful});
}

TEST_F(AudioPlayer, NoticeOfADestroyedPlayerIsIgnoredByOthers) {
  form.loop = false;
  auto gone = std::make_unique<TMediaPlayer>(&form);
  gone->FileName = a;
  gone->Open();
  gone->Notify = true;
  gone->Play();
  ASSERT_TRUE(FakeAudioEndMusic());
  gone.reset();  // the notice is still queued
  app.ProcessMessages();
  EXPECT_TRUE(form.notices.empty());  // not taken for `player`'s
}

}  // namespace
